#pragma once

#include "onboarding/OnboardingPage.h"

#include <QUrl>

#include <functional>

class CleanButton;

// The last step: the beta notes, "Send Feedback", which opens a feedback
// mail in the user's mail program and stays on the step, and "Continue to
// App", which finishes onboarding.
class FeedbackStepView : public OnboardingPage
{
    Q_OBJECT

public:
    explicit FeedbackStepView(std::function<void()> onFinish, QWidget *parent = nullptr);

    // The feedback mail with its subject, encoded as a URL.
    static QUrl feedbackMailUrl();

    CleanButton *sendFeedbackButton() const { return m_sendFeedbackButton; }
    CleanButton *continueButton() const { return m_continueButton; }

private:
    QWidget *betaNotes();

    CleanButton *m_sendFeedbackButton;
    CleanButton *m_continueButton;
};
