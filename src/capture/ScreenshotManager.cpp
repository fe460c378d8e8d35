#include "ScreenshotManager.h"

#include "CustomOverlayView.h"
#include "FirstResponderHostingView.h"
#include "ScreenSelectionView.h"
#include "ai/AIManager.h"
#include "chat/ChatWindowManager.h"
#include "platform/Log.h"
#include "platform/PublishedProperty.h"
#include "platform/ScreenGrabber.h"
#include "store/ConversationManager.h"
#include "store/CurrentConversation.h"

#include <algorithm>

namespace {

constexpr int selectionDelayMs = 100;
constexpr int captureAlignment = 16;

} // namespace

ScreenshotManager &ScreenshotManager::shared()
{
    static ScreenshotManager *manager = new ScreenshotManager; // lives as long as the process
    return *manager;
}

ScreenshotManager::ScreenshotManager()
    : m_aiManager(AIManager::shared())
    , m_conversation(CurrentConversation::shared())
{
    // A child, so that whoever looks after the manager's pending work finds it.
    m_selectionDelay.setParent(this);
    m_selectionDelay.setObjectName(QStringLiteral("selectionDelay"));
    m_selectionDelay.setSingleShot(true);
    m_selectionDelay.setInterval(selectionDelayMs);
    m_selectionDelay.setTimerType(Qt::PreciseTimer);
    connect(&m_selectionDelay, &QTimer::timeout, this, &ScreenshotManager::showSelectionOverlay);
    // Whatever takes the conversation's place has saved it already.
    connect(&m_conversation, &CurrentConversation::replaced, this, [this] {
        if (!m_isShowingOverlay || m_startingConversation)
            return;
        takeDownOverlay();
        Log::line(QStringLiteral("📸 Overlay closed; another conversation took its place"));
    });
}

void ScreenshotManager::setIsShowingOverlay(bool showing)
{
    PublishedProperty::write(this, m_isShowingOverlay, showing, &ScreenshotManager::isShowingOverlayChanged);
}

void ScreenshotManager::setScreenshotImage(const std::optional<QImage> &image)
{
    PublishedProperty::write(this, m_screenshotImage, image, &ScreenshotManager::screenshotImageChanged);
}

void ScreenshotManager::setSelectedRect(const QRectF &rect)
{
    PublishedProperty::write(this, m_selectedRect, rect, &ScreenshotManager::selectedRectChanged);
}

void ScreenshotManager::startScreenshotSelection()
{
    // Left open, the overlay's answers would stay with the AI client and be
    // saved later under the next screenshot.
    if (m_isShowingOverlay)
        closeOverlay();

    setIsShowingOverlay(false);
    setScreenshotImage(std::nullopt);
    setSelectedRect(QRectF());
    m_overlayController.closeWindow();
    m_selectionController.closeWindow();
    m_frozenFrame.reset();
    m_selectionDelay.start();
}

void ScreenshotManager::showSelectionOverlay()
{
    const std::optional<ScreenDisplay> screen = ScreenGrabber::mainDisplay();
    if (!screen)
        return;

    // Taken while no window of ours covers the screen.
    const QImage frame = ScreenGrabber::grabDisplay(*screen);
    if (frame.isNull()) {
        Log::line(QStringLiteral("❌ Could not read the screen %1: no capture").arg(screen->id));
        return;
    }
    m_frozenFrame = FrozenFrame { *screen, frame };

    KeyableOverlayWindow *window = m_selectionController.createWindow(
        screen->bounds.toRect(), KeyableOverlayWindow::Level::ScreenSaver);
    window->setBackgroundFrame(m_frozenFrame->image, screen->bounds.topLeft());
    auto *selectionView = new ScreenSelectionView(
        [this](const QRectF &rect) { handleSelectionComplete(rect); }, [this] { handleSelectionCancel(); });
    window->setContentView(new FirstResponderHostingView(selectionView));
    window->present();
}

void ScreenshotManager::handleSelectionComplete(const QRectF &rect)
{
    m_selectionController.closeWindow();
    const qreal minimum = ScreenSelectionView::minimumSelection;
    if (rect.width() > minimum && rect.height() > minimum) {
        // The AI client holds one exchange at a time. Left open, the chat's
        // would show in the new overlay as its answer, and the overlay's
        // close would save both under the chat's screenshot; the chat goes
        // first, saved as its own close saves it.
        ChatWindowManager &chat = ChatWindowManager::shared();
        if (chat.isOpen())
            chat.closeWindow();
        setSelectedRect(rect);
        captureScreenshot(rect);
    } else {
        m_frozenFrame.reset();
    }
}

void ScreenshotManager::handleSelectionCancel()
{
    // A cancel while the selection is still on its way ends it too: its
    // window would otherwise come up afterwards over whatever is shown.
    m_selectionDelay.stop();
    m_selectionController.closeWindow();
    m_frozenFrame.reset();
}

void ScreenshotManager::captureScreenshot(const QRectF &rect)
{
    // The crop of a frame already in memory: nothing to wait for.
    std::optional<QImage> image;
    if (m_frozenFrame)
        image = captureImage(rect, m_frozenFrame->display, m_frozenFrame->image);
    if (!image) {
        showOverlayWithoutImage();
        return;
    }
    setScreenshotImage(*image);
    showOverlay();
}

void ScreenshotManager::showOverlayWithoutImage()
{
    setScreenshotImage(std::nullopt);
    showOverlay();
}

void ScreenshotManager::showOverlay()
{
    const std::optional<ScreenDisplay> screen = ScreenGrabber::mainDisplay();
    if (!screen)
        return;

    // A new conversation about this capture; the one before has ended with
    // the overlay or the chat window that showed it, and is saved.
    m_startingConversation = true;
    m_conversation.start(m_screenshotImage);
    m_startingConversation = false;
    KeyableOverlayWindow *window
        = m_overlayController.createWindow(screen->bounds.toRect(), KeyableOverlayWindow::Level::Floating);
    if (m_frozenFrame)
        window->setBackgroundFrame(m_frozenFrame->image, m_frozenFrame->display.bounds.topLeft());
    // The selection is in the global display space; the overlay lays out in
    // its own, whose origin is the screen's top-left corner.
    const QRectF selectionInOverlay = m_selectedRect.translated(-screen->bounds.topLeft());
    auto *overlay = new CustomOverlayView(
        m_conversation, ChatWindowManager::shared(), selectionInOverlay, m_screenshotImage,
        [this](QuickAction action) { handleQuickAction(action); }, [this] { closeOverlay(); });
    overlay->setOnChatHandOver([this] { closeOverlayForChat(); });
    window->setContentView(overlay);
    window->present();
    setIsShowingOverlay(true);
}

void ScreenshotManager::closeOverlay()
{
    if (!m_aiManager.responses().isEmpty())
        ConversationManager::shared().saveCurrentConversation();
    takeDownOverlay();
    ConversationManager::shared().startNewConversation(std::nullopt);
    Log::line(QStringLiteral("📸 Overlay closed and new conversation started"));
}

void ScreenshotManager::closeOverlayForChat()
{
    takeDownOverlay();
    Log::line(QStringLiteral("📸 Overlay closed; the conversation goes on in the chat window"));
}

void ScreenshotManager::takeDownOverlay()
{
    m_overlayController.closeWindow();
    setIsShowingOverlay(false);
    setSelectedRect(QRectF());
    setScreenshotImage(std::nullopt);
    m_frozenFrame.reset();
}

void ScreenshotManager::handleQuickAction(QuickAction action)
{
    if (!m_screenshotImage)
        return;
    // The client publishes the answer itself; the task runs on after its
    // handle is dropped here.
    QCoro::Task<std::optional<AIResponse>> analysis = m_conversation.runQuickAction(action);
    Q_UNUSED(analysis)
}

int ScreenshotManager::alignedDown(qreal value)
{
    const int whole = int(value);
    return std::max(captureAlignment, whole & ~(captureAlignment - 1));
}

std::optional<ScreenDisplay> ScreenshotManager::displayForPoint(
    const QPointF &point, const QList<ScreenDisplay> &displays)
{
    if (displays.isEmpty())
        return std::nullopt;
    const auto holding
        = std::find_if(displays.cbegin(), displays.cend(), [&point](const ScreenDisplay &display) {
              const QRectF &bounds = display.bounds;
              return point.x() >= bounds.left() && point.x() < bounds.right() && point.y() >= bounds.top()
                  && point.y() < bounds.bottom();
          });
    return holding != displays.cend() ? *holding : displays.first();
}

std::optional<CaptureRegion> ScreenshotManager::captureRegion(
    const QRectF &rect, const ScreenDisplay &display)
{
    const QRectF &bounds = display.bounds;
    // Device pixels are logical ones times the display's ratio. The pixel
    // size over the size in logical pixels is not quite that at a fractional
    // ratio, where the logical size is rounded (1.5 × 533 = 800 pixels for
    // 533⅓): it would drift by up to a pixel across the screen.
    const qreal scaleX = display.devicePixelRatio;
    const qreal scaleY = display.devicePixelRatio;
    const QRectF scaled = CaptureRegion::devicePixelRect(rect.translated(-bounds.topLeft()), scaleX, scaleY);
    const QRectF clipped = scaled.intersected(QRectF(0, 0, display.pixelWidth, display.pixelHeight));
    if (clipped.isEmpty())
        return std::nullopt;
    return CaptureRegion { clipped, alignedDown(clipped.width()), alignedDown(clipped.height()), scaleX,
        scaleY, QSize(display.pixelWidth, display.pixelHeight) };
}

std::optional<QImage> ScreenshotManager::captureImage(
    const QRectF &rect, const ScreenDisplay &frameDisplay, const QImage &frame)
{
    if (frame.isNull())
        return std::nullopt;
    // The rectangle was drawn over this picture: the displays as they are
    // now (another monitor under its centre, a screen that has changed
    // since) have no say in which pixels it shows.
    const std::optional<CaptureRegion> region = captureRegion(rect, frameDisplay);
    if (!region)
        return std::nullopt;
    QImage image = frame.copy(region->sourceRect());
    // One ratio for both directions: they differ only by the rounding of a
    // fractional scale.
    image.setDevicePixelRatio(region->scaleX);
    return image;
}
