#include "ui/BackgroundWindowMover.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// A frameless window with a text on its background and a button.
class MovableWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window.setWindowFlag(Qt::FramelessWindowHint);
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(label);
        layout->addWidget(button);
        new BackgroundWindowMover(&window);
        window.setGeometry(100, 100, 300, 200);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // Presses the left button at `from` in the widget, moves by `by` and
    // releases. The pointer's screen positions are fixed at the press, as
    // from a real mouse, whereas the window moves under it.
    void drag(QWidget *widget, QPoint from, QPoint by)
    {
        const QPointF start = widget->mapToGlobal(QPointF(from));
        send(widget, QEvent::MouseButtonPress, start, Qt::LeftButton);
        send(widget, QEvent::MouseMove, start + by / 2, Qt::LeftButton);
        send(widget, QEvent::MouseMove, start + by, Qt::LeftButton);
        send(widget, QEvent::MouseButtonRelease, start + by, Qt::NoButton);
    }

    static void send(QWidget *widget, QEvent::Type type, QPointF global, Qt::MouseButtons buttons)
    {
        const QPointF local = widget->mapFromGlobal(global);
        QMouseEvent event(type, local, local, global, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }

    QWidget window;
    QLabel *label = new QLabel(QStringLiteral("Background text"));
    QPushButton *button = new QPushButton(QStringLiteral("Button"));
};

} // namespace

TEST_F(MovableWindow, DraggingTheBackgroundMovesTheWindow)
{
    drag(label, label->rect().center(), QPoint(40, 30));
    EXPECT_EQ(window.pos(), QPoint(140, 130));

    drag(&window, QPoint(2, 2), QPoint(-20, 10));
    EXPECT_EQ(window.pos(), QPoint(120, 140));
}

TEST_F(MovableWindow, ControlsKeepTheirPresses)
{
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(window.pos(), QPoint(100, 100));
    EXPECT_EQ(clicks, 1);
}
