#pragma once

#include "CaptureRegion.h"
#include "OverlayWindowController.h"
#include "ai/QuickAction.h"
#include "platform/ScreenDisplay.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QTimer>

#include <optional>

class AIManager;
class CurrentConversation;

// The one capture manager of the application. It runs the road from the start
// of a selection to the analysis overlay and back: the selection window over
// the main screen, the capture of the dragged rectangle, the result window
// with the overlay, and on close the save of the conversation.
//
// The overlay shows the current conversation (CurrentConversation), which a
// capture starts. When another conversation takes its place while the
// overlay shows (one reopened from the tray panel), the overlay goes: the
// conversation it showed has been saved by then.
//
// It publishes whether the analysis overlay is showing, the image of the last
// capture (sized in logical pixels through its device pixel ratio) and the
// last accepted selection, in global logical coordinates.
//
// The screen is grabbed once, when the selection window is about to show;
// the selection and result windows paint that picture behind them and the
// capture takes its pixels from it, so no window of ours is ever in a capture.
//
// Every write of a published property stores the value and then emits its
// change signal, also when the value is equal to the old one.
class ScreenshotManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(
        bool isShowingOverlay READ isShowingOverlay WRITE setIsShowingOverlay NOTIFY isShowingOverlayChanged)
    Q_PROPERTY(std::optional<QImage> screenshotImage READ screenshotImage WRITE setScreenshotImage NOTIFY
            screenshotImageChanged)
    Q_PROPERTY(QRectF selectedRect READ selectedRect WRITE setSelectedRect NOTIFY selectedRectChanged)

public:
    static ScreenshotManager &shared();

    // True from the moment the result window shows until the overlay closes
    // or a new selection starts.
    bool isShowingOverlay() const { return m_isShowingOverlay; }
    void setIsShowingOverlay(bool showing);

    // Absent while no capture has succeeded since the last start or close.
    const std::optional<QImage> &screenshotImage() const { return m_screenshotImage; }
    void setScreenshotImage(const std::optional<QImage> &image);

    QRectF selectedRect() const { return m_selectedRect; }
    void setSelectedRect(const QRectF &rect);

    // Whether a selection is starting or its window shows: it takes the
    // keyboard before any other window.
    bool isSelecting() const { return m_selectionDelay.isActive() || m_selectionController.window(); }

    // Clears the previous capture, closes the capture windows and, 0.1 s
    // later, shows the selection window over the main screen. Safe at any
    // time. An overlay that is showing is closed first as its own close
    // would, so that its answers are saved with its own screenshot.
    void startScreenshotSelection();

    // The steps of the road, in the order they run. The windows and the
    // overlay call them; the rest of the application needs only the start.

    // Grabs the main screen and shows the selection window over it. When
    // the screen cannot be read it says so and shows nothing: a selection
    // over no picture would end in an overlay without an image, which
    // cannot ask about anything.
    void showSelectionOverlay();
    // The selection view's two outcomes. A rectangle (global, logical
    // pixels) not wider and higher than 10 is dropped; an accepted one
    // first closes the chat window, if open, as its own close would.
    void handleSelectionComplete(const QRectF &rect);
    void handleSelectionCancel();
    // Takes the rectangle out of the grabbed screen and shows the overlay,
    // without an image when that fails.
    void captureScreenshot(const QRectF &rect);
    void showOverlayWithoutImage();
    void showOverlay();
    // The overlay's close: saves the conversation when it has answers, closes
    // the result window, clears the capture and starts a new conversation.
    void closeOverlay();
    // The overlay's hand-over to the chat window: closes the result window
    // and clears the capture as closeOverlay() does, but saves nothing and
    // keeps the conversation going, since it goes on in the chat window,
    // which saves it when it closes.
    void closeOverlayForChat();
    // Runs a quick action of the overlay on the captured image, if any.
    void handleQuickAction(QuickAction action);

    // The arithmetic of a capture.

    // A non-negative length truncated to whole pixels and aligned down to a
    // multiple of 16, but never below 16.
    static int alignedDown(qreal value);
    // The first display whose bounds hold the point (left and top edges
    // inside, right and bottom edges outside), else the first display. The
    // capture itself needs no look-up: a selection is confined to the screen
    // it is made on, and measured against it.
    static std::optional<ScreenDisplay> displayForPoint(
        const QPointF &point, const QList<ScreenDisplay> &displays);
    // Where the rectangle lies in the display's pixels; absent when it does
    // not overlap the display.
    static std::optional<CaptureRegion> captureRegion(const QRectF &rect, const ScreenDisplay &display);
    // The capture of the rectangle from `frame`, the picture of `frameDisplay`
    // that the selection was made on, measured against that display wherever
    // the rectangle's centre lies now. Its device pixel ratio makes its size
    // the region's size in logical pixels. Absent when the frame is null or
    // the rectangle misses the display.
    static std::optional<QImage> captureImage(
        const QRectF &rect, const ScreenDisplay &frameDisplay, const QImage &frame);

Q_SIGNALS:
    void isShowingOverlayChanged();
    void screenshotImageChanged();
    void selectedRectChanged();

private:
    ScreenshotManager();

    // Closes the result window and clears the capture.
    void takeDownOverlay();

    // The picture of the screen taken when the selection window showed.
    struct FrozenFrame
    {
        ScreenDisplay display;
        QImage image;
    };

    bool m_isShowingOverlay = false;
    // Whose answers decide whether closing the overlay saves, and who runs
    // the quick actions.
    AIManager &m_aiManager;
    // The conversation a capture starts and the overlay continues.
    CurrentConversation &m_conversation;
    // While the overlay starts its own conversation.
    bool m_startingConversation = false;
    std::optional<QImage> m_screenshotImage;
    QRectF m_selectedRect;
    OverlayWindowController m_selectionController;
    OverlayWindowController m_overlayController;

    // Gives the windows that closed time to leave the screen before the grab.
    // A second start within it restarts it, so that the grab never sees the
    // selection window of the first.
    QTimer m_selectionDelay;
    std::optional<FrozenFrame> m_frozenFrame;
};
