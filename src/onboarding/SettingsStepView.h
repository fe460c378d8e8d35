#pragma once

#include "onboarding/OnboardingPage.h"

#include <functional>

class CleanButton;
class OnboardingManager;
class QLineEdit;
class ToggleSwitch;

// The personalisation step: the user's name, the launch-at-login switch and
// the capture shortcut (shown, not edited), then "Complete Setup". Typing
// and switching change the onboarding manager's answers at once; nothing is
// stored until onboarding completes. The name field takes the keyboard focus
// half a second after the step comes on screen.
class SettingsStepView : public OnboardingPage
{
    Q_OBJECT

public:
    SettingsStepView(
        OnboardingManager &onboardingManager, std::function<void()> onContinue, QWidget *parent = nullptr);

    QLineEdit *nameField() const { return m_nameField; }
    ToggleSwitch *launchAtLoginSwitch() const { return m_launchAtLoginSwitch; }
    CleanButton *completeSetupButton() const { return m_completeSetupButton; }

    static constexpr int focusDelayMs = 500;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *nameBlock();

    OnboardingManager &m_onboardingManager;
    QLineEdit *m_nameField;
    ToggleSwitch *m_launchAtLoginSwitch;
    CleanButton *m_completeSetupButton;
};
