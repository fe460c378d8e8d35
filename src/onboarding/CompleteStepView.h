#pragma once

#include "onboarding/OnboardingPage.h"

#include <functional>

class CleanButton;
class TextBlock;

// The completion step: the green check, "You're all set" with the user's
// name, and the capture shortcut; "Start Using Pexilo" moves on. It shows
// the values it is given when it is made.
class CompleteStepView : public OnboardingPage
{
    Q_OBJECT

public:
    CompleteStepView(const QString &userName, const QString &keyboardShortcut, std::function<void()> onFinish,
        QWidget *parent = nullptr);

    // "You're all set!", or "You're all set, " + the name as given + "!".
    static QString title(const QString &userName);

    CleanButton *startButton() const { return m_startButton; }

private:
    CleanButton *m_startButton;
};
