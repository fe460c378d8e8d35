#include "app/AppDelegate.h"

#include "AppTestSupport.h"
#include "ai/AIManager.h"
#include "app/AppWiring.h"
#include "capture/ScreenshotManager.h"
#include "chat/ChatWindowManager.h"
#include "onboarding/CleanButton.h"
#include "onboarding/FeedbackStepView.h"
#include "onboarding/ModernOnboardingView.h"
#include "onboarding/OnboardingHeader.h"
#include "onboarding/OnboardingManager.h"
#include "platform/AppEvents.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "settings/SettingsView.h"
#include "store/ConversationManager.h"
#include "support/FakeScreenCapturePermission.h"

#include <QApplication>
#include <QScreen>

#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString completedLine = QStringLiteral("🔧 Onboarding completed, closing window");

QList<QWidget *> visibleWindows()
{
    QList<QWidget *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            windows.append(widget);
    }
    return windows;
}

// Each onboarding window leaves a follower of the completion for the rest of
// the process, so when all cases run in one process a completion logs one
// line for each window shown so far.
bool onlyCompletionLines(const QStringList &lines)
{
    return !lines.isEmpty() && lines.count(completedLine) == lines.size();
}

// How many followers the cases before have left: a completion is announced
// and its lines counted, and the hot key registrations it causes are waited for.
int followersSoFar()
{
    LogCapture log;
    QElapsedTimer since;
    since.start();
    AppEvents::instance().postOnboardingCompleted();
    const int followers = int(log.lines().count(completedLine));
    if (followers > 0) {
        EXPECT_NE(msUntilLogged(log, registrationFailedOffscreen, since, followers), -1);
    }
    return followers;
}

// The windows' places below are those on the offscreen platform's screen.
class AppDelegateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 800, 800));
        // The completion's followers outlive their delegate by design; those
        // of an earlier case in the same process are not this case's.
        QObject::disconnect(&AppEvents::instance(), &AppEvents::onboardingCompleted, nullptr, nullptr);
    }
};

} // namespace

TEST_F(AppDelegateTest, FirstStartShowsOnboardingAtOnceAndRegistersTheHotKeyASecondLater)
{
    LogCapture log;
    AppDelegate delegate;
    QElapsedTimer sinceLaunch;
    sinceLaunch.start();
    delegate.applicationDidFinishLaunching();

    EXPECT_EQ(log.lines(),
        QStringList({ QStringLiteral("🔧 showOnboardingWindow called"),
            QStringLiteral("🔧 Creating window with frame: (112.0, 52.0, 576.0, 696.0)"),
            QStringLiteral("🔧 Window created, setting up content view"),
            QStringLiteral("🔧 Making window key and front"),
            QStringLiteral("🔧 Window should now be visible") }));
    QWidget *window = delegate.onboardingWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(visibleWindows(), QList<QWidget *> { window });
    EXPECT_EQ(window->geometry(), QRect(112, 52, 576, 696));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(window->testAttribute(Qt::WA_TranslucentBackground));
    auto *view = window->findChild<ModernOnboardingView *>();
    ASSERT_NE(view, nullptr);
    // The whole card, with the button at its bottom, lies inside the window.
    const QRect card(view->mapTo(window, view->cardRect().topLeft()), view->cardRect().size());
    EXPECT_EQ(card.size(), QSize(520, 640));
    EXPECT_TRUE(window->rect().contains(card.adjusted(-20, -12, 20, 28))) << "room for the card's shadow";
    EXPECT_EQ(card.center(), window->rect().center());

    const qint64 registeredAfter = msUntilLogged(log, registrationFailedOffscreen, sinceLaunch);
    EXPECT_GE(registeredAfter, 1000);
    EXPECT_LT(registeredAfter, 2500);
    EXPECT_EQ(delegate.onboardingWindow(), window) << "the window stays until onboarding completes";
}

TEST_F(AppDelegateTest, LaterStartShowsNoWindowAndRegistersTheHotKeyASecondLater)
{
    UserDefaults::standard().setBool(SettingsKeys::hasCompletedOnboarding.name, true);
    LogCapture log;
    AppDelegate delegate;
    QElapsedTimer sinceLaunch;
    sinceLaunch.start();
    delegate.applicationDidFinishLaunching();

    const qint64 registeredAfter = msUntilLogged(log, registrationFailedOffscreen, sinceLaunch);
    EXPECT_GE(registeredAfter, 1000);
    EXPECT_EQ(log.lines(), QStringList { registrationFailedOffscreen }) << "start-up itself logs nothing";
    EXPECT_EQ(delegate.onboardingWindow(), nullptr);
    EXPECT_TRUE(visibleWindows().isEmpty());
}

TEST_F(AppDelegateTest, FinishingOnboardingClosesTheWindowAndTheHotKeyComesBackHalfASecondLater)
{
    AppDelegate delegate;
    delegate.showOnboardingWindow();
    QPointer<QWidget> window = delegate.onboardingWindow();
    auto *view = window->findChild<ModernOnboardingView *>();
    ASSERT_NE(view, nullptr);
    while (view->currentStep() != ModernOnboardingView::OnboardingStep::feedback)
        view->nextStep();
    auto *lastStep = qobject_cast<FeedbackStepView *>(view->currentStepView());
    ASSERT_NE(lastStep, nullptr);

    LogCapture log;
    QElapsedTimer sinceCompletion;
    sinceCompletion.start();
    QTest::mouseClick(lastStep->continueButton(), Qt::LeftButton);

    EXPECT_TRUE(onlyCompletionLines(log.lines())) << log.lines().join(u'|').toStdString();
    EXPECT_TRUE(UserDefaults::standard().boolForKey(SettingsKeys::hasCompletedOnboarding.name));
    EXPECT_EQ(delegate.onboardingWindow(), nullptr);
    EXPECT_TRUE(visibleWindows().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); })) << "the closed window is let go";

    const qint64 registeredAfter = msUntilLogged(log, registrationFailedOffscreen, sinceCompletion);
    EXPECT_GE(registeredAfter, 500);
    EXPECT_LT(registeredAfter, 1500);

    // A second announcement finds no window and only logs and registers again.
    QTest::qWait(600);
    log.clear();
    AppEvents::instance().postOnboardingCompleted();
    const qsizetype followers = log.lines().count(completedLine);
    EXPECT_GE(followers, 1);
    EXPECT_NE(msUntilLogged(log, registrationFailedOffscreen, sinceCompletion, int(followers)), -1);
    QTest::qWait(600);
    EXPECT_EQ(log.lines().size(), 2 * followers) << log.lines().join(u'|').toStdString();
}

TEST_F(AppDelegateTest, TheRedDotClosesTheWindowWithoutStoringAnything)
{
    UserDefaults::standard().removeObject(SettingsKeys::hasCompletedOnboarding.name);
    AppDelegate delegate;
    delegate.showOnboardingWindow();
    auto *view = delegate.onboardingWindow()->findChild<ModernOnboardingView *>();
    ASSERT_NE(view, nullptr);
    view->nextStep();

    LogCapture log;
    QElapsedTimer sinceClose;
    sinceClose.start();
    QTest::mouseClick(view->header()->closeButton(), Qt::LeftButton);

    EXPECT_TRUE(onlyCompletionLines(log.lines())) << log.lines().join(u'|').toStdString();
    EXPECT_EQ(delegate.onboardingWindow(), nullptr);
    EXPECT_FALSE(UserDefaults::standard().contains(SettingsKeys::hasCompletedOnboarding.name));
    EXPECT_GE(msUntilLogged(log, registrationFailedOffscreen, sinceClose), 500);
}

TEST_F(AppDelegateTest, ALaterStartAsksForTheScreenOnlyWhenItIsNotGranted)
{
    UserDefaults::standard().setBool(SettingsKeys::hasCompletedOnboarding.name, true);
    LogCapture log;
    QElapsedTimer sinceFirstLaunch;
    sinceFirstLaunch.start();
    for (const bool granted : { true, false }) {
        FakeScreenCapturePermission permission(granted);
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        EXPECT_EQ(permission.preflightCount, 0) << "checked on the event loop, not during start-up";
        ASSERT_TRUE(QTest::qWaitFor([&] { return permission.preflightCount == 1; }, 10000));
        EXPECT_EQ(permission.requestCount, granted ? 0 : 1) << granted;
        EXPECT_EQ(delegate.onboardingWindow(), nullptr);
    }
    // Both launches register the hot key; let that happen before the next case.
    EXPECT_NE(msUntilLogged(log, registrationFailedOffscreen, sinceFirstLaunch, 2), -1);
}

TEST_F(AppDelegateTest, EveryOnboardingWindowAddsAFollowerOfTheCompletion)
{
    const int before = followersSoFar();
    AppDelegate delegate;
    delegate.showOnboardingWindow();
    QPointer<QWidget> first = delegate.onboardingWindow();

    LogCapture log;
    delegate.showOnboardingWindow();
    EXPECT_EQ(log.lines().value(1), QStringLiteral("🔧 Closing existing onboarding window"));
    EXPECT_TRUE(first.isNull() || !first->isVisible());
    EXPECT_NE(delegate.onboardingWindow(), nullptr);
    EXPECT_NE(delegate.onboardingWindow(), first.data());

    log.clear();
    QElapsedTimer sinceCompletion;
    sinceCompletion.start();
    AppEvents::instance().postOnboardingCompleted();
    EXPECT_EQ(log.lines(), QStringList(before + 2, completedLine));
    EXPECT_EQ(delegate.onboardingWindow(), nullptr);
    EXPECT_NE(msUntilLogged(log, registrationFailedOffscreen, sinceCompletion, before + 2), -1);
}

TEST_F(AppDelegateTest, CompletionAfterTheDelegateIsGoneStillRegistersTheHotKey)
{
    {
        AppDelegate delegate;
        EXPECT_EQ(AppDelegate::shared(), &delegate);
        delegate.showOnboardingWindow();
    }
    EXPECT_EQ(AppDelegate::shared(), nullptr);

    LogCapture log;
    QElapsedTimer sinceCompletion;
    sinceCompletion.start();
    AppEvents::instance().postOnboardingCompleted();
    EXPECT_TRUE(onlyCompletionLines(log.lines()));
    EXPECT_GE(msUntilLogged(log, registrationFailedOffscreen, sinceCompletion), 500);
}

TEST_F(AppDelegateTest, OpeningSettingsAgainReplacesTheWindowAndItsView)
{
    AppDelegate delegate;
    LogCapture log;
    delegate.showSettingsWindow();

    // The frame logged is where the window is made, before the window
    // manager (here the test platform) has told how large its frame is.
    ASSERT_EQ(log.lines().size(), 5);
    EXPECT_TRUE(log.lines().at(1).startsWith(QStringLiteral("🔧 Creating settings window with frame: (")));
    QStringList lines = log.lines();
    lines.removeAt(1);
    EXPECT_EQ(lines,
        QStringList({ QStringLiteral("🔧 showSettingsWindow called"),
            QStringLiteral("Settings window created, setting up content view"),
            QStringLiteral("🔧 Making settings window key and front"),
            QStringLiteral("🔧 Settings window should now be visible") }));
    QPointer<QWidget> first = delegate.settingsWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Pexilo Settings"));
    // On the 800 × 800 test screen: as high as asked, as wide as the screen
    // allows, the frame inside the screen.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return QRect(0, 0, 800, 800).contains(first->frameGeometry()); }, 5000))
        << first->frameGeometry().x() << "," << first->frameGeometry().y();
    EXPECT_EQ(first->height(), 650);
    EXPECT_GE(first->width(), first->minimumWidth());
    const Qt::WindowFlags flags = first->windowFlags();
    EXPECT_FALSE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(first->testAttribute(Qt::WA_TranslucentBackground));
    QPointer<SettingsView> firstView = first->findChild<SettingsView *>();
    ASSERT_NE(firstView, nullptr);

    // A window the user closed stays with the delegate until it is replaced.
    first->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(delegate.settingsWindow(), first.data());

    log.clear();
    delegate.showSettingsWindow();
    EXPECT_EQ(log.lines().value(1), QStringLiteral("🔧 Closing existing settings window"));
    QWidget *second = delegate.settingsWindow();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first.data());
    EXPECT_TRUE(second->isVisible());
    EXPECT_NE(second->findChild<SettingsView *>(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull() && firstView.isNull(); }));
    EXPECT_EQ(visibleWindows(), QList<QWidget *> { second });
}

// An exchange is saved as its window closes; quitting with one on screen,
// from the tray or by the session's end, must not lose it.
TEST_F(AppDelegateTest, QuittingSavesTheExchangesOnScreenAsClosingTheirWindowsWould)
{
    AppWiring::install();
    AIManager &ai = AIManager::shared();
    ScreenshotManager &capture = ScreenshotManager::shared();
    ChatWindowManager &chat = ChatWindowManager::shared();
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    const auto answer = [](const QString &question) {
        return AIResponse { QStringLiteral("An answer."), QDateTime::currentDateTime(), std::nullopt,
            question };
    };
    const auto storedTitles = [] {
        ConversationManager stored(UserDefaults::standard());
        stored.loadConversations();
        QStringList titles;
        for (const Conversation &conversation : stored.conversations())
            titles.append(
                conversation.title() + QLatin1Char('/') + QString::number(conversation.messages().size()));
        return titles;
    };
    AppDelegate delegate;

    // An answered capture still in its overlay.
    ai.resetForNewScreenshot();
    capture.setScreenshotImage(image);
    capture.setIsShowingOverlay(true);
    ai.setResponses({ answer(QStringLiteral("What is red?")) });
    delegate.applicationWillTerminate();
    EXPECT_EQ(storedTitles(), QStringList { QStringLiteral("What is red?/2") });
    EXPECT_FALSE(capture.isShowingOverlay());

    // A capture that went on in the chat window, with a follow-up.
    ai.setResponses({ answer(QStringLiteral("What is blue?")), answer(QStringLiteral("And green?")) });
    chat.openChatWindowWithHistory(image, ai.responses());
    delegate.applicationWillTerminate();
    EXPECT_EQ(
        storedTitles(), QStringList({ QStringLiteral("What is blue?/4"), QStringLiteral("What is red?/2") }));
    EXPECT_FALSE(chat.isOpen());

    // Nothing on screen: nothing more is stored.
    delegate.applicationWillTerminate();
    EXPECT_EQ(storedTitles().size(), 2);
    EXPECT_TRUE(QTest::qWaitFor([] { return visibleWindows().isEmpty(); }));
}
