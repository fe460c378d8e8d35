#pragma once

#include <QWidget>

class OnboardingManager;
class QPushButton;

// The content of the onboarding window: a rounded card that greets the user
// and finishes onboarding with one button. The card keeps its own
// onboarding manager, so every window starts from what is stored.
class ModernOnboardingView : public QWidget
{
    Q_OBJECT

public:
    explicit ModernOnboardingView(QWidget *parent = nullptr);

    QPushButton *getStartedButton() const { return m_getStartedButton; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    OnboardingManager *m_onboardingManager;
    QPushButton *m_getStartedButton;
};
