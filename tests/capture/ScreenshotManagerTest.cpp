// The road of a capture through the shared capture manager: the delayed
// selection window over a grabbed screen, the capture of the dragged
// rectangle, the overlay, and its close with the save of the conversation.

#include "capture/ScreenshotManager.h"

#include "CaptureTestSupport.h"
#include "ai/AIManager.h"
#include "app/AppWiring.h"
#include "capture/CustomOverlayView.h"
#include "capture/ScreenSelectionView.h"
#include "chat/ChatWindowManager.h"
#include "platform/UserDefaults.h"
#include "store/ConversationManager.h"
#include "store/CurrentConversation.h"
#include "support/FakeAIService.h"
#include "support/FakeScreenSource.h"
#include "support/LogCapture.h"
#include "support/ScopedEndpoints.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace CaptureTestSupport;

namespace {

using Level = KeyableOverlayWindow::Level;

const QString closedLine = QStringLiteral("📸 Overlay closed and new conversation started");

AIResponse answer(const QString &question)
{
    return AIResponse { QStringLiteral("An answer."), QDateTime::currentDateTime(), std::nullopt, question };
}

class ScreenshotManagerTest : public ::testing::Test
{
protected:
    // The save on close takes the capture through the store's hooks.
    void SetUp() override
    {
        AppWiring::install();
        // The shared managers start each case as in a new process, whatever
        // an earlier case in the same one left: no answers, no capture
        // window, the store as loaded from the emptied defaults.
        AIManager::shared().resetForNewScreenshot();
        if (manager.isShowingOverlay())
            manager.closeOverlay();
        CurrentConversation::shared().end();
        manager.handleSelectionCancel();
        deleteClosedWindows();
        ConversationManager::shared().loadConversations();
        log.clear();
    }

    // The shared manager, AI client and conversations live on into the next
    // case: leave them as a new process has them, with no window, no pending
    // start, no answers and nothing saved.
    void TearDown() override
    {
        if (auto *pending = manager.findChild<QTimer *>(QStringLiteral("selectionDelay")))
            pending->stop();
        AIManager::shared().resetForNewScreenshot();
        if (manager.isShowingOverlay())
            manager.closeOverlay();
        CurrentConversation::shared().end();
        manager.handleSelectionCancel();
        ConversationManager &store = ConversationManager::shared();
        while (!store.conversations().isEmpty())
            store.deleteConversation(store.conversations().first());
        deleteClosedWindows();
    }

    // A main display showing patternFrame, unless another frame is given.
    ScreenDisplay addMainDisplay(
        qreal ratio = 1, const QRectF &bounds = QRectF(0, 0, 800, 600), std::optional<QImage> frame = {})
    {
        const ScreenDisplay display = FakeScreenSource::display(QStringLiteral("main"), bounds, ratio);
        screens.addDisplay(display, frame.value_or(patternFrame(display)));
        return display;
    }

    ScreenSelectionView *waitForSelectionView()
    {
        if (!QTest::qWaitFor([] { return visibleWindow(Level::ScreenSaver) != nullptr; }, 2000))
            return nullptr;
        return visibleWindow(Level::ScreenSaver)->findChild<ScreenSelectionView *>();
    }

    // Starts a selection and drags over `area` (window coordinates).
    void select(const QRect &area)
    {
        manager.startScreenshotSelection();
        ScreenSelectionView *view = waitForSelectionView();
        ASSERT_NE(view, nullptr);
        drag(view, area.topLeft() - QPoint(1, 1),
            { area.topLeft(), area.topLeft() + QPoint(area.width(), area.height()) });
    }

    static CustomOverlayView *shownOverlay()
    {
        KeyableOverlayWindow *window = visibleWindow(Level::Floating);
        return window ? window->findChild<CustomOverlayView *>() : nullptr;
    }

    // The lines of the overlay; the AI client and the store log their own.
    QStringList overlayLines() const
    {
        return log.lines().filter(QRegularExpression(QStringLiteral("^📸")));
    }

    FakeScreenSource screens;
    ScreenshotManager &manager = ScreenshotManager::shared();
    LogCapture log;
};

} // namespace

TEST_F(ScreenshotManagerTest, StartClearsAtOnceAndShowsTheSelectionWindowATenthOfASecondLater)
{
    const ScreenDisplay main = addMainDisplay();
    manager.setScreenshotImage(QImage(16, 16, QImage::Format_RGB32));
    manager.setSelectedRect(QRectF(1, 2, 30, 40));
    AIManager::shared().setResponses({ answer(QStringLiteral("Earlier?")) });
    QSignalSpy showing(&manager, &ScreenshotManager::isShowingOverlayChanged);
    QSignalSpy image(&manager, &ScreenshotManager::screenshotImageChanged);
    QSignalSpy rect(&manager, &ScreenshotManager::selectedRectChanged);

    QElapsedTimer elapsed;
    elapsed.start();
    manager.startScreenshotSelection();
    EXPECT_EQ(
        (QList<qsizetype> { showing.size(), image.size(), rect.size() }), (QList<qsizetype> { 1, 1, 1 }));
    EXPECT_FALSE(manager.isShowingOverlay());
    EXPECT_FALSE(manager.screenshotImage().has_value());
    EXPECT_EQ(manager.selectedRect(), QRectF());
    EXPECT_TRUE(visibleOverlayWindows().isEmpty());
    EXPECT_EQ(screens.grabCount(), 0);

    ScreenSelectionView *view = waitForSelectionView();
    ASSERT_NE(view, nullptr);
    EXPECT_GE(elapsed.elapsed(), 100);
    KeyableOverlayWindow *window = visibleWindow(Level::ScreenSaver);
    EXPECT_EQ(window->geometry(), main.bounds.toRect());
    EXPECT_EQ(screens.grabCount(), 1) << "the screen is grabbed once, when the selection shows";
    EXPECT_EQ(window->backgroundFrame(), patternFrame(main)) << "and painted behind the selection";
    EXPECT_TRUE(QTest::qWaitFor([view] { return view->hasFocus(); }));
    EXPECT_EQ(visibleOverlayWindows().size(), 1);
    EXPECT_EQ(AIManager::shared().responses().size(), 1)
        << "a start with no overlay leaves the answers alone";
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(ScreenshotManagerTest, AcceptedDragCapturesTheSelectedPixelsAndShowsTheOverlay)
{
    struct Case
    {
        const char *name;
        qreal ratio;
        QRectF bounds;
        QRect dragged; // window coordinates
        QRectF selected; // global
    };
    const Case cases[] = {
        { "scale 1", 1, QRectF(0, 0, 800, 600), QRect(100, 200, 205, 167), QRectF(100, 200, 205, 167) },
        { "scale 2", 2, QRectF(0, 0, 800, 600), QRect(100, 200, 205, 167), QRectF(100, 200, 205, 167) },
        { "a screen away from the origin", 1, QRectF(100, 50, 640, 480), QRect(10, 20, 200, 100),
            QRectF(110, 70, 200, 100) },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeScreenSource source;
        const ScreenDisplay main = FakeScreenSource::display(QStringLiteral("main"), c.bounds, c.ratio);
        source.addDisplay(main, patternFrame(main));

        select(c.dragged);
        EXPECT_EQ(visibleWindow(Level::ScreenSaver), nullptr) << "the selection window closes";
        EXPECT_EQ(manager.selectedRect(), c.selected);
        ASSERT_TRUE(manager.screenshotImage().has_value());
        const QImage image = *manager.screenshotImage();
        const QSize pixels(ScreenshotManager::alignedDown(c.selected.width() * c.ratio),
            ScreenshotManager::alignedDown(c.selected.height() * c.ratio));
        EXPECT_EQ(image.size(), pixels);
        EXPECT_EQ(image.devicePixelRatio(), c.ratio);
        EXPECT_EQ(image.deviceIndependentSize(), QSizeF(pixels) / c.ratio);
        const QPoint origin = ((c.selected.topLeft() - c.bounds.topLeft()) * c.ratio).toPoint();
        for (const QPoint p : { QPoint(0, 0), QPoint(pixels.width() - 1, pixels.height() - 1) })
            EXPECT_EQ(image.pixel(p), patternPixel(origin.x() + p.x(), origin.y() + p.y()));

        EXPECT_TRUE(manager.isShowingOverlay());
        ASSERT_NE(shownOverlay(), nullptr) << "the overlay fills the result window";
        EXPECT_EQ(visibleWindow(Level::Floating)->geometry(), c.bounds.toRect());
        // The overlay draws the image where it was selected on the screen,
        // and the collapsed box 16 below it.
        const QRectF onScreen = c.selected.translated(-c.bounds.topLeft());
        CustomOverlayView *overlay = shownOverlay();
        EXPECT_EQ(overlay->selectedRect(), onScreen);
        EXPECT_EQ(overlay->screenshotFrame().center(), onScreen.center());
        EXPECT_EQ(overlay->screenshotFrame().size(), image.deviceIndependentSize());
        EXPECT_EQ(overlay->textBoxFrame().top(), onScreen.bottom() + 16);
        EXPECT_EQ(visibleOverlayWindows().size(), 1);
        EXPECT_EQ(source.grabCount(), 1) << "the capture comes from the picture taken at the start";

        manager.closeOverlay();
        deleteClosedWindows();
    }
    EXPECT_EQ(overlayLines(), QStringList(3, closedLine)) << "one line for each close";
}

TEST_F(ScreenshotManagerTest, TooSmallOrCancelledSelectionShowsNothingMore)
{
    addMainDisplay();

    select(QRect(100, 100, 10, 50));
    EXPECT_TRUE(visibleOverlayWindows().isEmpty());
    EXPECT_FALSE(manager.screenshotImage().has_value());
    EXPECT_EQ(manager.selectedRect(), QRectF());

    manager.startScreenshotSelection();
    ScreenSelectionView *view = waitForSelectionView();
    ASSERT_NE(view, nullptr);
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_TRUE(visibleOverlayWindows().isEmpty());
    EXPECT_FALSE(manager.isShowingOverlay());
    EXPECT_FALSE(manager.screenshotImage().has_value());

    select(QRect(100, 100, 11, 11));
    ASSERT_TRUE(manager.screenshotImage().has_value());
    EXPECT_EQ(manager.screenshotImage()->size(), QSize(16, 16)) << "just over the limit: captured";
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(ScreenshotManagerTest, AScreenThatCannotBeReadStartsNoSelectionAndSaysSo)
{
    // The grab of the screen fails, as on a session that cannot be read: a
    // selection over no picture would end in an overlay with no image to ask
    // about.
    addMainDisplay(1, QRectF(0, 0, 800, 600), QImage());
    manager.startScreenshotSelection();
    EXPECT_TRUE(QTest::qWaitFor([this] { return screens.grabCount() == 1; }, 2000));
    QTest::qWait(50);
    EXPECT_TRUE(visibleOverlayWindows().isEmpty());
    EXPECT_FALSE(manager.isShowingOverlay());
    EXPECT_EQ(log.lines(), QStringList { QStringLiteral("❌ Could not read the screen main: no capture") });

    // The next start tries again.
    FakeScreenSource readable;
    const ScreenDisplay main = FakeScreenSource::display(QStringLiteral("main"), QRectF(0, 0, 800, 600));
    readable.addDisplay(main, patternFrame(main));
    select(QRect(100, 100, 200, 100));
    EXPECT_TRUE(manager.isShowingOverlay());
    EXPECT_TRUE(manager.screenshotImage().has_value());
}

TEST_F(ScreenshotManagerTest, ADragOntoAnotherMonitorStopsAtTheEdgeOfTheCapturedScreen)
{
    // The selection covers the main display; another lies to its right. The
    // pointer goes on past the window's edges with the button down.
    const ScreenDisplay main = addMainDisplay();
    screens.addDisplay(FakeScreenSource::display(QStringLiteral("side"), QRectF(800, 0, 640, 480), 2),
        QImage(1280, 960, QImage::Format_RGB32));
    struct Case
    {
        const char *name;
        QPoint start;
        QPoint end; // window coordinates, outside the window
        QRectF selected;
    };
    const Case cases[] = {
        // Its centre would lie on the other monitor.
        { "onto the monitor to the right", { 500, 100 }, { 1200, 400 }, QRectF(500, 100, 300, 300) },
        { "up and to the left, off every screen", { 300, 200 }, { -150, -90 }, QRectF(0, 0, 300, 200) },
        { "down below the bottom edge", { 100, 450 }, { 300, 900 }, QRectF(100, 450, 200, 150) },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        manager.startScreenshotSelection();
        ScreenSelectionView *view = waitForSelectionView();
        ASSERT_NE(view, nullptr);
        drag(view, c.start - QPoint(1, 1), { c.start, (c.start + c.end) / 2, c.end });

        EXPECT_EQ(manager.selectedRect(), c.selected);
        ASSERT_TRUE(manager.screenshotImage().has_value()) << "the overlay has an image to ask about";
        const QImage image = *manager.screenshotImage();
        EXPECT_EQ(image.size(),
            QSize(ScreenshotManager::alignedDown(c.selected.width()),
                ScreenshotManager::alignedDown(c.selected.height())));
        const QPoint origin = c.selected.topLeft().toPoint();
        EXPECT_EQ(image.pixel(0, 0), patternPixel(origin.x(), origin.y()));
        EXPECT_TRUE(main.bounds.contains(c.selected));
        manager.closeOverlay();
        deleteClosedWindows();
    }
}

TEST_F(ScreenshotManagerTest, AScreenThatChangedSinceTheGrabIsCapturedAsTheUserSawIt)
{
    addMainDisplay();
    manager.startScreenshotSelection();
    ScreenSelectionView *view = waitForSelectionView();
    ASSERT_NE(view, nullptr);

    FakeScreenSource changed; // the screen is now larger than the picture taken
    const ScreenDisplay larger = FakeScreenSource::display(QStringLiteral("main"), QRectF(0, 0, 1024, 768));
    changed.addDisplay(larger, FakeScreenSource::filledFrame(larger, Qt::black));
    drag(view, { 99, 99 }, { { 100, 100 }, { 300, 200 } });

    EXPECT_TRUE(manager.isShowingOverlay());
    ASSERT_TRUE(manager.screenshotImage().has_value()) << "cut from the picture the selection was made on";
    EXPECT_EQ(manager.screenshotImage()->pixel(0, 0), patternPixel(100, 100));
    EXPECT_EQ(visibleWindow(Level::Floating)->geometry(), QRect(0, 0, 1024, 768));
}

TEST_F(ScreenshotManagerTest, AnotherWindowTakingTheKeyboardClosesTheOverlayAndSavesItsAnswers)
{
    addMainDisplay();
    select(QRect(100, 100, 200, 100));
    ASSERT_TRUE(QTest::qWaitForWindowActive(visibleWindow(Level::Floating)));
    AIManager::shared().setResponses({ answer(QStringLiteral("What is this?")) });

    QWidget settings; // opened from the tray while the overlay shows
    settings.show();
    settings.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !manager.isShowingOverlay(); }));
    EXPECT_EQ(visibleWindow(Level::Floating), nullptr);
    ASSERT_EQ(ConversationManager::shared().conversations().size(), 1);
    EXPECT_TRUE(ConversationManager::shared().conversations().first().screenshotData().has_value());
    EXPECT_EQ(overlayLines(), QStringList { closedLine });
}

TEST_F(ScreenshotManagerTest, WithoutAScreenNothingShows)
{
    manager.startScreenshotSelection();
    QTest::qWait(200);
    EXPECT_TRUE(visibleOverlayWindows().isEmpty());
    EXPECT_EQ(screens.grabCount(), 0);

    // The screen goes away between the selection and the result window.
    addMainDisplay();
    manager.startScreenshotSelection();
    ScreenSelectionView *view = waitForSelectionView();
    ASSERT_NE(view, nullptr);
    {
        FakeScreenSource none;
        drag(view, { 99, 99 }, { { 100, 100 }, { 300, 200 } });
        EXPECT_TRUE(visibleOverlayWindows().isEmpty());
        EXPECT_FALSE(manager.isShowingOverlay());
        EXPECT_EQ(manager.selectedRect(), QRectF(100, 100, 200, 100));
    }
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(ScreenshotManagerTest, QuickStartsShowOneSelectionWindowFromOneGrab)
{
    addMainDisplay();
    manager.startScreenshotSelection();
    QTest::qWait(50);
    manager.startScreenshotSelection();
    ASSERT_NE(waitForSelectionView(), nullptr);
    QTest::qWait(150);
    EXPECT_EQ(visibleOverlayWindows().size(), 1);
    EXPECT_EQ(screens.grabCount(), 1) << "no grab while a selection window of ours is on screen";

    // A start while selecting closes that window first and grabs afresh.
    QPointer<KeyableOverlayWindow> first = visibleWindow(Level::ScreenSaver);
    manager.startScreenshotSelection();
    EXPECT_TRUE(visibleOverlayWindows().isEmpty());
    ASSERT_NE(waitForSelectionView(), nullptr);
    deleteClosedWindows();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(screens.grabCount(), 2);
}

TEST_F(ScreenshotManagerTest, ClosingTheOverlaySavesItsAnswersWithTheCaptureThenStartsAfresh)
{
    addMainDisplay();
    select(QRect(100, 100, 200, 100));
    const QImage captured = *manager.screenshotImage();
    AIManager::shared().setResponses({ answer(QStringLiteral("What is this?")) });
    QSignalSpy image(&manager, &ScreenshotManager::screenshotImageChanged);

    manager.closeOverlay();

    const QList<Conversation> &saved = ConversationManager::shared().conversations();
    ASSERT_EQ(saved.size(), 1);
    EXPECT_EQ(saved.first().title(), QStringLiteral("What is this?"));
    ASSERT_TRUE(saved.first().screenshotData().has_value()) << "saved before the image was cleared";
    EXPECT_EQ(QImage::fromData(*saved.first().screenshotData()).convertToFormat(QImage::Format_RGB32),
        captured.convertToFormat(QImage::Format_RGB32));
    EXPECT_TRUE(AIManager::shared().responses().isEmpty()) << "a new conversation";
    EXPECT_FALSE(manager.isShowingOverlay());
    EXPECT_FALSE(manager.screenshotImage().has_value());
    EXPECT_EQ(manager.selectedRect(), QRectF());
    EXPECT_EQ(image.size(), 1);
    EXPECT_TRUE(visibleOverlayWindows().isEmpty());
    EXPECT_EQ(overlayLines(), QStringList { closedLine });

    // Without answers nothing is saved, but the rest happens all the same.
    select(QRect(100, 100, 200, 100));
    log.clear();
    manager.closeOverlay();
    EXPECT_EQ(ConversationManager::shared().conversations().size(), 1);
    EXPECT_EQ(overlayLines(), QStringList { closedLine });
    EXPECT_TRUE(visibleOverlayWindows().isEmpty());
}

TEST_F(ScreenshotManagerTest, StartWhileTheOverlayShowsClosesItAsItsOwnCloseWould)
{
    addMainDisplay();
    select(QRect(100, 100, 200, 100));
    const QImage first = *manager.screenshotImage();
    AIManager::shared().setResponses({ answer(QStringLiteral("About the first?")) });

    manager.startScreenshotSelection();
    ASSERT_EQ(ConversationManager::shared().conversations().size(), 1);
    const Conversation saved = ConversationManager::shared().conversations().first();
    EXPECT_EQ(saved.title(), QStringLiteral("About the first?"));
    EXPECT_EQ(QImage::fromData(*saved.screenshotData()).convertToFormat(QImage::Format_RGB32),
        first.convertToFormat(QImage::Format_RGB32))
        << "saved with its own screenshot";
    EXPECT_TRUE(AIManager::shared().responses().isEmpty());
    EXPECT_EQ(overlayLines(), QStringList { closedLine });
    EXPECT_TRUE(visibleOverlayWindows().isEmpty());

    // The next screenshot starts with no answers of the first.
    ScreenSelectionView *view = waitForSelectionView();
    ASSERT_NE(view, nullptr);
    drag(view, { 399, 299 }, { { 400, 300 }, { 600, 400 } });
    ASSERT_TRUE(manager.isShowingOverlay());
    manager.closeOverlay();
    EXPECT_EQ(ConversationManager::shared().conversations().size(), 1) << "nothing of the first saved again";

    // An overlay without answers is closed the same way, saving nothing.
    select(QRect(100, 100, 200, 100));
    log.clear();
    manager.startScreenshotSelection();
    EXPECT_EQ(overlayLines(), QStringList { closedLine });
    EXPECT_EQ(ConversationManager::shared().conversations().size(), 1);
}

TEST_F(ScreenshotManagerTest, ACaptureWhileTheChatIsOpenSavesTheChatFirstAndStartsAfresh)
{
    addMainDisplay();
    // A conversation going on in the chat window, as after the overlay's Chat.
    QImage chatImage(64, 32, QImage::Format_RGB32);
    chatImage.fill(Qt::magenta);
    AIManager &ai = AIManager::shared();
    CurrentConversation::shared().start(chatImage);
    ai.setResponses({ answer(QStringLiteral("About the chat's image?")) });
    ai.setLastResponse(ai.responses().first());
    ChatWindowManager &chat = ChatWindowManager::shared();
    chat.openChatWindowWithHistory(chatImage, ai.responses());
    ASSERT_TRUE(chat.isOpen());

    // A selection given up leaves the chat as it was.
    manager.startScreenshotSelection();
    ScreenSelectionView *view = waitForSelectionView();
    ASSERT_NE(view, nullptr);
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_TRUE(chat.isOpen());
    EXPECT_EQ(ai.responses().size(), 1);

    select(QRect(100, 100, 200, 100));
    CustomOverlayView *overlay = shownOverlay();
    ASSERT_NE(overlay, nullptr);
    EXPECT_TRUE(overlay->findChild<QWidget *>(QStringLiteral("questionRow"))->isVisible())
        << "the new capture is asked about afresh, not shown the chat's answer";
    EXPECT_TRUE(ai.responses().isEmpty());
    EXPECT_FALSE(ai.lastResponse().has_value());
    EXPECT_FALSE(chat.isOpen());
    const QList<Conversation> &saved = ConversationManager::shared().conversations();
    ASSERT_EQ(saved.size(), 1);
    EXPECT_EQ(saved.first().title(), QStringLiteral("About the chat's image?"));
    ASSERT_TRUE(saved.first().screenshotData().has_value());
    EXPECT_EQ(
        QImage::fromData(*saved.first().screenshotData()).convertToFormat(QImage::Format_RGB32), chatImage)
        << "saved with the chat's own screenshot";

    // The new capture's answers are saved apart, with its own screenshot.
    ai.setResponses({ answer(QStringLiteral("About the new capture?")) });
    manager.closeOverlay();
    ASSERT_EQ(saved.size(), 2);
    EXPECT_EQ(saved.first().title(), QStringLiteral("About the new capture?"));
    EXPECT_EQ(saved.first().messages().size(), 2);
    // The chat window goes a moment after its close.
    EXPECT_TRUE(QTest::qWaitFor([&chat] { return !chat.currentScreenshot().has_value(); }, 2000));
}

// A saved conversation reopened while the overlay shows (from the tray
// panel) takes the overlay's place: the overlay's answers are saved with
// its own capture first, and the overlay goes.
TEST_F(ScreenshotManagerTest, AConversationReopenedWhileTheOverlayShowsTakesItsPlace)
{
    addMainDisplay();
    select(QRect(100, 100, 200, 100));
    const QImage captured = *manager.screenshotImage();
    AIManager::shared().setResponses({ answer(QStringLiteral("About the capture?")) });
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const Conversation saved(QStringLiteral("Saved"), now, std::nullopt,
        { SavedMessage(QStringLiteral("Saved question"), true, now), SavedMessage(QStringLiteral("Saved answer"), false, now) });

    ConversationManager::shared().loadConversation(saved);

    EXPECT_FALSE(manager.isShowingOverlay());
    EXPECT_FALSE(manager.screenshotImage().has_value());
    EXPECT_TRUE(visibleOverlayWindows().isEmpty());
    EXPECT_EQ(overlayLines(), QStringList(QStringLiteral("📸 Overlay closed; another conversation took its place")));
    const QList<Conversation> &conversations = ConversationManager::shared().conversations();
    ASSERT_EQ(conversations.size(), 1);
    EXPECT_EQ(conversations.first().title(), QStringLiteral("About the capture?"));
    EXPECT_EQ(QImage::fromData(*conversations.first().screenshotData()).convertToFormat(QImage::Format_RGB32),
        captured.convertToFormat(QImage::Format_RGB32));
    ASSERT_EQ(AIManager::shared().responses().size(), 1);
    EXPECT_EQ(AIManager::shared().responses().first().question, QStringLiteral("Saved question"));
}

TEST_F(ScreenshotManagerTest, QuickActionAsksTheAIClientAboutTheCapturedImage)
{
    FakeAIService service;
    ScopedEndpoints endpoints(service.baseUrl());
    UserDefaults::standard().setString(QStringLiteral("apiKey"), QStringLiteral("sk-test-key"));
    addMainDisplay();

    manager.showOverlayWithoutImage();
    manager.handleQuickAction(QuickAction::summarize);
    QTest::qWait(50);
    EXPECT_TRUE(service.requests().isEmpty()) << "nothing to ask about without an image";
    EXPECT_TRUE(AIManager::shared().responses().isEmpty());

    select(QRect(100, 100, 200, 100));
    const QImage captured = *manager.screenshotImage();
    manager.handleQuickAction(QuickAction::summarize);
    ASSERT_TRUE(QTest::qWaitFor([] { return !AIManager::shared().responses().isEmpty(); }, 5000));

    const AIResponse response = AIManager::shared().responses().first();
    EXPECT_EQ(response.action, QuickAction::summarize);
    EXPECT_EQ(response.question, QStringLiteral("Summarize this image"));
    const QList<RecordedRequest> requests = service.requests("POST", "/v1/chat/completions");
    ASSERT_EQ(requests.size(), 1);
    const QString url = QJsonDocument::fromJson(requests.first().body)[QStringLiteral(
        "messages")][0][QStringLiteral("content")][1][QStringLiteral("image_url")][QStringLiteral("url")]
                            .toString();
    const QByteArray png = QByteArray::fromBase64(url.section(QLatin1Char(','), 1).toLatin1());
    EXPECT_EQ(QImage::fromData(png).convertToFormat(QImage::Format_RGB32),
        captured.convertToFormat(QImage::Format_RGB32));
}
