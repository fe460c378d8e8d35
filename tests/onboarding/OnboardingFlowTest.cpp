// The onboarding card as a new user goes through it: the header, one step
// after the other, the answers reaching the flow's own manager, and the two
// ways out (the red dot and "Continue to App").

#include "OnboardingTestSupport.h"
#include "onboarding/CleanButton.h"
#include "onboarding/CompleteStepView.h"
#include "onboarding/FeedbackStepView.h"
#include "onboarding/ModernOnboardingView.h"
#include "onboarding/OnboardingHeader.h"
#include "onboarding/OnboardingManager.h"
#include "onboarding/PermissionsStepView.h"
#include "onboarding/SettingsStepView.h"
#include "onboarding/WelcomeStepView.h"
#include "platform/AppEvents.h"
#include "platform/UserDefaults.h"
#include "support/FakeScreenCapturePermission.h"
#include "support/OpenedLinks.h"
#include "ui/ElidedLabel.h"
#include "ui/ToggleSwitch.h"
#include "ui/TransitionEffect.h"
#include "ui/markup/TextBlock.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace OnboardingTestSupport;
using Step = ModernOnboardingView::OnboardingStep;

namespace {

template<class View> View *page(const ModernOnboardingView &view)
{
    return qobject_cast<View *>(view.currentStepView());
}

// The texts a page shows, plain as they are drawn.
QStringList shownTexts(const QWidget *page)
{
    QStringList texts;
    for (const TextBlock *block : page->findChildren<TextBlock *>())
        texts.append(block->plainText());
    for (const ElidedLabel *label : page->findChildren<ElidedLabel *>())
        texts.append(label->text());
    return texts;
}

// How many progress dots are fully blue, and that the others are not blue at all.
int blueDots(const OnboardingHeader &header)
{
    int blue = 0;
    for (int dot = 0; dot < header.stepCount(); ++dot) {
        if (header.dotProgress(dot) == 1)
            ++blue;
        else
            EXPECT_EQ(header.dotProgress(dot), 0) << "dot " << dot;
    }
    return blue;
}

class OnboardingFlowTest : public FirstStart
{
protected:
    void SetUp() override
    {
        FirstStart::SetUp();
        view.resize(ModernOnboardingView::windowSize());
        view.show();
    }

    // Clicks the page's button that continues, as the user would.
    void continueFrom(Step step)
    {
        ASSERT_EQ(view.currentStep(), step);
        QAbstractButton *button = nullptr;
        switch (step) {
        case Step::welcome:
            button = page<WelcomeStepView>(view)->getStartedButton();
            break;
        case Step::permissions:
            button = page<PermissionsStepView>(view)->button();
            break;
        case Step::settings:
            button = page<SettingsStepView>(view)->completeSetupButton();
            break;
        case Step::complete:
            button = page<CompleteStepView>(view)->startButton();
            break;
        case Step::feedback:
            button = page<FeedbackStepView>(view)->continueButton();
            break;
        }
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void advanceTo(Step step)
    {
        while (view.currentStep() != step && view.currentStep() != Step::feedback)
            continueFrom(view.currentStep());
        ASSERT_EQ(view.currentStep(), step);
    }

    FakeScreenCapturePermission permission { true };
    ModernOnboardingView view;
};

} // namespace

TEST_F(OnboardingFlowTest, ANewUserGoesThroughEveryStepAndCompletes)
{
    QSignalSpy completed(&AppEvents::instance(), &AppEvents::onboardingCompleted);
    const struct
    {
        Step step;
        const char *pageClass;
    } flow[] = {
        { Step::welcome, "WelcomeStepView" },
        { Step::permissions, "PermissionsStepView" },
        { Step::settings, "SettingsStepView" },
        { Step::complete, "CompleteStepView" },
        { Step::feedback, "FeedbackStepView" },
    };
    ASSERT_EQ(ModernOnboardingView::allCases().size(), 5);
    for (int index = 0; index < 5; ++index) {
        SCOPED_TRACE(flow[index].pageClass);
        EXPECT_EQ(view.currentStep(), flow[index].step);
        EXPECT_EQ(ModernOnboardingView::allCases().at(index), flow[index].step);
        EXPECT_STREQ(view.currentStepView()->metaObject()->className(), flow[index].pageClass);
        EXPECT_EQ(blueDots(*view.header()), index + 1);

        if (flow[index].step == Step::settings) {
            SettingsStepView *settings = page<SettingsStepView>(view);
            QTest::keyClicks(settings->nameField(), QStringLiteral("Ada"));
            QTest::mouseClick(settings->launchAtLoginSwitch(), Qt::LeftButton);
            EXPECT_EQ(view.onboardingManager().userName(), QStringLiteral("Ada")) << "typing edits at once";
            EXPECT_TRUE(view.onboardingManager().autoLaunchAtLogin());
            EXPECT_TRUE(noOnboardingKeyStored()) << "nothing is stored before completion";
        }
        if (flow[index].step == Step::complete) {
            EXPECT_TRUE(shownTexts(view.currentStepView()).contains(QStringLiteral("You're all set, Ada!")));
        }
        if (flow[index].step != Step::feedback)
            continueFrom(flow[index].step);
    }

    view.nextStep();
    EXPECT_EQ(view.currentStep(), Step::feedback) << "the last step goes nowhere";
    EXPECT_EQ(completed.count(), 0);

    continueFrom(Step::feedback);
    EXPECT_EQ(completed.count(), 1);
    UserDefaults &defaults = UserDefaults::standard();
    EXPECT_TRUE(defaults.boolForKey(QStringLiteral("hasCompletedOnboarding")));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("userName")), QStringLiteral("Ada"));
    EXPECT_TRUE(defaults.boolForKey(QStringLiteral("autoLaunchAtLogin")));
    for (const char *untouched : { "preferredAIModel", "showKeyboardShortcuts", "keyboardShortcut" })
        EXPECT_FALSE(defaults.contains(QLatin1String(untouched))) << untouched << " was not changed in the flow";
    EXPECT_TRUE(AutostartEntry::isInstalled());
}

TEST_F(OnboardingFlowTest, TheRedDotLeavesFromAnyStepWithoutStoringAnything)
{
    for (const Step step : ModernOnboardingView::allCases()) {
        ModernOnboardingView flow;
        flow.resize(ModernOnboardingView::windowSize());
        flow.show();
        while (flow.currentStep() != step)
            flow.nextStep();
        flow.onboardingManager().setUserName(QStringLiteral("Not stored"));
        QSignalSpy completed(&AppEvents::instance(), &AppEvents::onboardingCompleted);

        QTest::mouseClick(flow.header()->closeButton(), Qt::LeftButton);

        EXPECT_EQ(completed.count(), 1) << int(step);
        EXPECT_TRUE(noOnboardingKeyStored()) << int(step);
        EXPECT_FALSE(flow.onboardingManager().hasCompletedOnboarding());
    }
    EXPECT_FALSE(OnboardingManager().hasCompletedOnboarding()) << "the next start shows onboarding again";
}

TEST_F(OnboardingFlowTest, TheCompletionTitleTakesTheNameAsTyped)
{
    const struct
    {
        const char *name;
        const char *title;
    } cases[] = {
        { "", "You're all set!" },
        { "   ", "You're all set,    !" },
        { "Ada", "You're all set, Ada!" },
        { "<b>Ada</b> & co", "You're all set, <b>Ada</b> & co!" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(CompleteStepView::title(QString::fromUtf8(c.name)), QString::fromUtf8(c.title)) << c.name;

    // Shown as plain text, whatever the name holds.
    advanceTo(Step::settings);
    QTest::keyClicks(page<SettingsStepView>(view)->nameField(), QStringLiteral("<i>Grace</i>"));
    continueFrom(Step::settings);
    EXPECT_TRUE(shownTexts(view.currentStepView()).contains(QStringLiteral("You're all set, <i>Grace</i>!")));
}

TEST_F(OnboardingFlowTest, ThePersonalisationStepShowsWhatIsStoredAndTheShortcutVerbatim)
{
    UserDefaults::standard().setBool(QStringLiteral("autoLaunchAtLogin"), true);
    UserDefaults::standard().setString(QStringLiteral("userName"), QStringLiteral("Grace"));
    UserDefaults::standard().setString(QStringLiteral("keyboardShortcut"), QStringLiteral("⌘⇧2"));
    ModernOnboardingView flow;
    while (flow.currentStep() != Step::settings)
        flow.nextStep();
    SettingsStepView *settings = page<SettingsStepView>(flow);

    EXPECT_TRUE(settings->launchAtLoginSwitch()->isChecked());
    EXPECT_EQ(settings->launchAtLoginSwitch()->knobPosition(), 1);
    EXPECT_EQ(settings->nameField()->text(), QStringLiteral("Grace"));
    EXPECT_EQ(settings->nameField()->placeholderText(), QStringLiteral("Enter your name"));
    EXPECT_TRUE(shownTexts(settings).contains(QStringLiteral("⌘⇧2")));

    QTest::mouseClick(settings->launchAtLoginSwitch(), Qt::LeftButton);
    EXPECT_FALSE(flow.onboardingManager().autoLaunchAtLogin()) << "the switch changes the answer at once";

    flow.nextStep();
    EXPECT_TRUE(shownTexts(flow.currentStepView()).contains(QStringLiteral("⌘⇧2")));
}

TEST_F(OnboardingFlowTest, TheNameFieldTakesTheFocusHalfASecondAfterItsStepShows)
{
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    advanceTo(Step::permissions);
    QElapsedTimer sinceShown;
    sinceShown.start();
    continueFrom(Step::permissions);
    QLineEdit *field = page<SettingsStepView>(view)->nameField();

    EXPECT_FALSE(field->hasFocus());
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }, 5000));
    EXPECT_GE(sinceShown.elapsed(), 450);
    // Typing now goes straight into the field.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Lin"));
    EXPECT_EQ(view.onboardingManager().userName(), QStringLiteral("Lin"));
}

TEST_F(OnboardingFlowTest, SendFeedbackOpensTheEncodedMailAndStaysOnTheStep)
{
    OpenedLinks links;
    QSignalSpy completed(&AppEvents::instance(), &AppEvents::onboardingCompleted);
    advanceTo(Step::feedback);

    QTest::mouseClick(page<FeedbackStepView>(view)->sendFeedbackButton(), Qt::LeftButton);
    QTest::mouseClick(page<FeedbackStepView>(view)->sendFeedbackButton(), Qt::LeftButton);

    const QUrl expected(
        QStringLiteral("mailto:feedback@pexilo.example.com?subject=Pexilo%20Beta%20Feedback"));
    EXPECT_EQ(links.urls, QList<QUrl>({ expected, expected }));
    EXPECT_EQ(links.urls.value(0).toString(QUrl::FullyEncoded), expected.toString(QUrl::FullyEncoded));
    EXPECT_EQ(view.currentStep(), Step::feedback);
    EXPECT_EQ(completed.count(), 0);
    EXPECT_TRUE(noOnboardingKeyStored());
}

TEST_F(OnboardingFlowTest, AStepFadesIntoTheNextAndTakesNoClicksUntilItIsIn)
{
    AnimatedValue::setFinishAtOnce(false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QPointer<QWidget> welcome = view.currentStepView();
    QElapsedTimer sinceClick;
    sinceClick.start();
    continueFrom(Step::welcome);
    QWidget *permissions = view.currentStepView();

    // Both pages show while one fades into the other; the dots change with them.
    ASSERT_FALSE(welcome.isNull());
    EXPECT_TRUE(welcome->isVisible());
    EXPECT_NE(qobject_cast<TransitionEffect *>(permissions->graphicsEffect()), nullptr);
    EXPECT_LT(view.header()->dotProgress(1), 1);
    // A click on the new page's button lands on nothing yet.
    const QPoint button = page<PermissionsStepView>(view)->button()->mapTo(&view, QPoint(20, 20));
    QTest::mouseClick(view.windowHandle(), Qt::LeftButton, {}, button);
    EXPECT_EQ(view.currentStep(), Step::permissions);

    ASSERT_TRUE(QTest::qWaitFor([&] { return welcome.isNull(); }, 5000));
    EXPECT_GE(sinceClick.elapsed(), 300);
    EXPECT_EQ(permissions->graphicsEffect(), nullptr);
    EXPECT_EQ(blueDots(*view.header()), 2);
    QTest::mouseClick(view.windowHandle(), Qt::LeftButton, {}, button);
    EXPECT_EQ(view.currentStep(), Step::settings) << "once in, the page takes clicks";
}

TEST(OnboardingWindowTest, TheWindowHoldsTheWholeCardAndItsShadow)
{
    ModernOnboardingView view;
    view.setAttribute(Qt::WA_TranslucentBackground);
    view.resize(ModernOnboardingView::windowSize());
    view.show();
    EXPECT_EQ(view.cardRect().size(), QSize(520, 640));
    // The shadow reaches 20 pixels around the card, 8 further down.
    const QRect shadow = view.cardRect().adjusted(-20, -20 + 8, 20, 20 + 8);
    EXPECT_TRUE(view.rect().contains(shadow)) << "window " << view.width() << "x" << view.height();
    EXPECT_EQ(view.rect().center(), view.cardRect().center());

    const QImage picture = view.grab().toImage();
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << "clear outside the shadow";
    EXPECT_GT(qAlpha(picture.pixel(view.width() / 2, view.cardRect().bottom() + 10)), 0)
        << "the shadow below";
    EXPECT_GT(qAlpha(picture.pixel(view.cardRect().center())), 200) << "the card";
    EXPECT_LT(qAlpha(picture.pixel(view.cardRect().topLeft())), 30) << "the card's corner is round";
}
