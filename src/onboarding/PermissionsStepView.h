#pragma once

#include "onboarding/OnboardingPage.h"

#include <functional>

class CleanButton;
class IconBadge;
class QLabel;
class SymbolImage;
class ColourDot;

// The second step: whether the program may capture the screen. It checks
// when it comes on screen; while access is missing its button asks for it
// and checks again a second later. Once access is granted the step turns
// green and its button continues.
class PermissionsStepView : public OnboardingPage
{
    Q_OBJECT

public:
    explicit PermissionsStepView(std::function<void()> onContinue, QWidget *parent = nullptr);

    bool hasScreenAccess() const { return m_hasScreenAccess; }
    bool isChecking() const { return m_isChecking; }
    // "Grant Permission", "Checking..." or "Continue", as the state says.
    CleanButton *button() const { return m_button; }

    // How long after a request access is checked again.
    static constexpr int recheckDelayMs = 1000;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void checkPermissions();
    void requestPermissions();
    void buttonClicked();
    // Shows the state: granted or not, checking or not.
    void refresh();

    std::function<void()> m_onContinue;
    bool m_hasScreenAccess = false;
    bool m_isChecking = false;

    IconBadge *m_badge;
    ColourDot *m_statusDot;
    QLabel *m_statusText;
    SymbolImage *m_statusSymbol;
    CleanButton *m_button;
};
