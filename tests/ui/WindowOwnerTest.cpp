#include "ui/WindowOwner.h"

#include "ui/BackgroundWindowMover.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include <gtest/gtest.h>

// The offscreen platform's screen is 800 × 800; its available area is the same.
TEST(WindowOwnerTest, EveryWindowIsPlacedTheSameWayAndReplacesTheOneBefore)
{
    ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 800, 800));
    WindowOwner owner;
    WindowOwner::Style borderless;
    borderless.size = QSizeF(500, 580);
    borderless.flags = Qt::Window | Qt::FramelessWindowHint;
    borderless.title = QStringLiteral("Borderless");
    borderless.translucent = true;
    borderless.movableByBackground = true;

    QPointer<QWidget> first = owner.createWindow(borderless);
    EXPECT_FALSE(first->isVisible()) << "shown only when brought to the front";
    EXPECT_EQ(first->geometry(), QRect(150, 110, 500, 580));
    EXPECT_TRUE(first->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(first->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Borderless"));
    EXPECT_NE(first->findChild<BackgroundWindowMover *>(), nullptr);
    auto *content = new QLabel(QStringLiteral("content"));
    owner.setContentView(content);
    owner.bringToFront();
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(content->geometry(), first->rect()) << "the content fills the window";

    // A window that is its own content, larger than the screen, and with a
    // frame from the window manager: made as small as the screen with the
    // frame (estimated before the window shows) around it, and the first
    // window goes.
    WindowOwner::Style framed;
    framed.size = QSizeF(1200, 800);
    framed.background = QColor(Qt::darkGreen);
    QPointer<QWidget> second = owner.adoptWindow(new QLabel(QStringLiteral("whole window")), framed);
    EXPECT_EQ(owner.window(), second);
    EXPECT_EQ(second->geometry(), QRect(QPoint(5, 35), QSize(790, 760)));
    EXPECT_FALSE(second->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(second->palette().color(QPalette::Window), QColor(Qt::darkGreen));
    EXPECT_EQ(second->findChild<BackgroundWindowMover *>(), nullptr);
    EXPECT_FALSE(first->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull()) << "deleted once the event loop is back";

    owner.closeWindow();
    EXPECT_EQ(owner.window(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(second.isNull());
}
