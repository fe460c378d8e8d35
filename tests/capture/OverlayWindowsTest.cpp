// The overlay windows and the selection view: one window per controller,
// keyboard and content, and what a drag or a key reports.

#include "CaptureTestSupport.h"
#include "capture/FirstResponderHostingView.h"
#include "capture/OverlayWindowController.h"
#include "capture/ScreenSelectionView.h"

#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

using namespace CaptureTestSupport;

namespace {

using Level = KeyableOverlayWindow::Level;

// Records the calls of a selection view's two callbacks.
struct SelectionOutcome
{
    QList<QRectF> completed;
    int cancelled = 0;
    int calls() const { return completed.size() + cancelled; }
};

// A selection view hosted as the capture shows it, in a window over `area`.
struct SelectionWindow
{
    explicit SelectionWindow(const QRect &area = QRect(0, 0, 800, 600))
    {
        KeyableOverlayWindow *window = controller.createWindow(area, Level::ScreenSaver);
        view = new ScreenSelectionView(
            [this](const QRectF &rect) { outcome.completed.append(rect); }, [this] { ++outcome.cancelled; });
        window->setContentView(new FirstResponderHostingView(view));
        window->present();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    }

    OverlayWindowController controller;
    ScreenSelectionView *view = nullptr;
    SelectionOutcome outcome;
};

// Stands in for what a window shows: a parent that sees the keys its child
// lets through.
class KeyRecorder : public QWidget
{
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent *event) override { keys.append(event->key()); }
};

} // namespace

TEST(OverlayWindowsTest, ControllerOwnsOneWindowAtATime)
{
    OverlayWindowController controller;
    controller.closeWindow();
    EXPECT_EQ(controller.window(), nullptr) << "closing without a window is harmless";

    QPointer<KeyableOverlayWindow> first = controller.createWindow(QRect(0, 0, 800, 600), Level::Floating);
    QPointer<QWidget> firstContent = new QWidget;
    first->setContentView(firstContent);
    first->present();
    QPointer<KeyableOverlayWindow> second
        = controller.createWindow(QRect(0, 0, 800, 600), Level::ScreenSaver);
    second->present();

    EXPECT_EQ(controller.window(), second);
    EXPECT_EQ(visibleOverlayWindows(), QList<KeyableOverlayWindow *> { second });
    deleteClosedWindows();
    EXPECT_TRUE(first.isNull()) << "the first window is let go";
    EXPECT_TRUE(firstContent.isNull()) << "with its content";

    controller.closeWindow();
    EXPECT_EQ(controller.window(), nullptr);
    EXPECT_TRUE(visibleOverlayWindows().isEmpty());
    deleteClosedWindows();
    EXPECT_TRUE(second.isNull());
}

TEST(OverlayWindowsTest, WindowsAreFramelessOnTopAndCoverTheirRectangle)
{
    OverlayWindowController selection;
    OverlayWindowController result;
    KeyableOverlayWindow *top = selection.createWindow(QRect(0, 0, 800, 600), Level::ScreenSaver);
    KeyableOverlayWindow *floating = result.createWindow(QRect(0, 0, 800, 600), Level::Floating);

    for (KeyableOverlayWindow *window : { top, floating }) {
        EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_TRUE(window->testAttribute(Qt::WA_TranslucentBackground));
        EXPECT_TRUE(window->hasMouseTracking());
        EXPECT_EQ(window->geometry(), QRect(0, 0, 800, 600));
    }
    EXPECT_TRUE(top->windowFlags() & Qt::X11BypassWindowManagerHint) << "above panels too";
    EXPECT_EQ(floating->windowType(), Qt::Tool) << "out of the task bar";
}

TEST(OverlayWindowsTest, WindowPaintsTheScreenPictureBehindItsContent)
{
    OverlayWindowController controller;
    KeyableOverlayWindow *window = controller.createWindow(QRect(0, 0, 400, 300), Level::Floating);
    QImage frame(800, 600, QImage::Format_RGB32);
    frame.fill(Qt::darkGreen);
    frame.setDevicePixelRatio(2);
    window->setBackgroundFrame(frame, QPointF(0, 0));
    auto *content = new QWidget; // draws nothing of its own
    window->setContentView(content);
    window->resize(400, 300);

    EXPECT_EQ(content->geometry(), window->rect()) << "the content fills the window";
    const QImage shown = window->grab().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::darkGreen));
}

TEST(OverlayWindowsTest, HostedSelectionViewTakesTheKeyboard)
{
    SelectionWindow selection;
    EXPECT_TRUE(selection.view->hasFocus());
    EXPECT_EQ(QWidget::keyboardGrabber(), selection.view);

    selection.controller.closeWindow();
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr) << "the grab ends with the window";
    QPointer<ScreenSelectionView> view = selection.view;
    deleteClosedWindows();
    EXPECT_TRUE(view.isNull());
}

TEST(OverlayWindowsTest, DragReportsTheRectangleBetweenItsFirstAndLastMovesOrCancels)
{
    struct Case
    {
        const char *name;
        QPoint press;
        QList<QPoint> moves;
        std::optional<QRectF> reported; // absent: cancelled
    };
    const Case cases[] = {
        { "down and right", { 98, 198 }, { { 100, 200 }, { 250, 300 }, { 400, 350 } },
            QRectF(100, 200, 300, 150) },
        { "up and left", { 402, 352 }, { { 400, 350 }, { 100, 200 } }, QRectF(100, 200, 300, 150) },
        { "up and right", { 100, 352 }, { { 100, 350 }, { 400, 200 } }, QRectF(100, 200, 300, 150) },
        { "starts at the first move, not the press", { 50, 50 }, { { 100, 200 }, { 400, 350 } },
            QRectF(100, 200, 300, 150) },
        { "11 by 11 is enough", { 99, 99 }, { { 100, 100 }, { 111, 111 } }, QRectF(100, 100, 11, 11) },
        { "10 wide is not", { 99, 99 }, { { 100, 100 }, { 110, 150 } }, std::nullopt },
        { "200 by 10 is not", { 99, 99 }, { { 100, 100 }, { 300, 110 } }, std::nullopt },
        { "purely horizontal", { 99, 100 }, { { 100, 100 }, { 300, 100 } }, std::nullopt },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SelectionWindow selection;
        drag(selection.view, c.press, c.moves);
        ASSERT_EQ(selection.outcome.calls(), 1);
        if (c.reported)
            EXPECT_EQ(selection.outcome.completed, QList<QRectF> { *c.reported });
        else
            EXPECT_EQ(selection.outcome.cancelled, 1);
    }
}

TEST(OverlayWindowsTest, ReleaseUsesTheLastMoveAndAClickReportsNothing)
{
    SelectionWindow selection;
    QTest::mouseClick(selection.view, Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_EQ(selection.outcome.calls(), 0) << "a click is no drag";

    QTest::mousePress(selection.view, Qt::LeftButton, {}, QPoint(99, 99));
    QTest::mouseMove(selection.view, QPoint(100, 100));
    QTest::mouseMove(selection.view, QPoint(200, 150));
    QTest::mouseRelease(selection.view, Qt::LeftButton, {}, QPoint(500, 500));
    EXPECT_EQ(selection.outcome.completed, QList<QRectF> { QRectF(100, 100, 100, 50) });
}

TEST(OverlayWindowsTest, ReportsGlobalCoordinatesWhereverTheWindowLies)
{
    SelectionWindow selection(QRect(200, 100, 640, 480));
    drag(selection.view, { 9, 19 }, { { 10, 20 }, { 210, 120 } });
    EXPECT_EQ(selection.outcome.completed, QList<QRectF> { QRectF(210, 120, 200, 100) });
}

TEST(OverlayWindowsTest, EscapeCancelsAtOnceEvenDuringADragAndOtherKeysPassThrough)
{
    KeyRecorder parent;
    SelectionOutcome outcome;
    auto *view = new ScreenSelectionView(
        [&](const QRectF &rect) { outcome.completed.append(rect); }, [&] { ++outcome.cancelled; }, &parent);
    parent.resize(800, 600);
    view->resize(800, 600);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));

    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(outcome.cancelled, 1);

    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(99, 99));
    QTest::mouseMove(view, QPoint(100, 100));
    QTest::mouseMove(view, QPoint(300, 300));
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(outcome.cancelled, 2) << "Escape during the drag";
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_EQ(outcome.calls(), 2) << "the drag that Escape ended reports nothing more";

    QTest::keyClick(view, Qt::Key_A);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(outcome.calls(), 2);
    EXPECT_EQ(parent.keys, (QList<int> { Qt::Key_A, Qt::Key_Return }))
        << "Escape is not passed on, others are";
}

TEST(OverlayWindowsTest, HintsShowWhileWaitingAndTheRectangleWhileDragging)
{
    QWidget parent;
    auto *view = new ScreenSelectionView([](const QRectF &) {}, [] {}, &parent);
    parent.resize(800, 600);
    view->resize(800, 600);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));

    const QPoint corner(5, 5);
    const auto shown = [view] { return view->grab().toImage(); };
    const int dimmed = qGray(shown().pixel(corner));
    // How many pixels around the centre, where the hints lie, are not plain dim.
    const auto hintPixels = [dimmed](const QImage &image) {
        int count = 0;
        for (int y = 270; y < 330; ++y) {
            for (int x = 300; x < 500; ++x)
                count += std::abs(qGray(image.pixel(x, y)) - dimmed) > 20;
        }
        return count;
    };

    const QImage waiting = shown();
    EXPECT_GT(hintPixels(waiting), 1000);

    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(99, 99));
    QTest::mouseMove(view, QPoint(100, 100));
    QTest::mouseMove(view, QPoint(200, 200));
    const QImage dragging = shown();
    EXPECT_EQ(hintPixels(dragging), 0) << "no hints while dragging";
    const QColor edge = dragging.pixelColor(150, 100);
    EXPECT_GT(edge.blue(), edge.red() + 40) << "the blue outline";
    EXPECT_GT(dragging.pixelColor(150, 150).blue(), waiting.pixelColor(150, 150).blue()) << "the blue fill";

    QTest::mouseMove(view, QPoint(300, 100)); // height 0: no rectangle
    EXPECT_EQ(shown().pixel(150, 100), shown().pixel(corner));

    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(300, 100));
    EXPECT_EQ(hintPixels(shown()), hintPixels(waiting)) << "the hints return";
}
