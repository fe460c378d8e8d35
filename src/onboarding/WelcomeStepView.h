#pragma once

#include "onboarding/OnboardingPage.h"

#include <functional>

class CleanButton;

// The first step: the camera badge, the greeting and "Get Started".
class WelcomeStepView : public OnboardingPage
{
    Q_OBJECT

public:
    explicit WelcomeStepView(std::function<void()> onContinue, QWidget *parent = nullptr);

    CleanButton *getStartedButton() const { return m_getStartedButton; }

private:
    CleanButton *m_getStartedButton;
};
