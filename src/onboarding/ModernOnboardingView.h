#pragma once

#include "ui/AnimatedValue.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class OnboardingHeader;
class QPainterPath;
class OnboardingManager;
class QStackedLayout;
class TransitionEffect;

// The content of the onboarding window: a rounded card with a header like a
// window's title bar and, below it, one step of the flow at a time, from the
// welcome to the beta notes. Each step moves on to the next, fading one out
// and the next in; the last one completes onboarding. The window is larger
// than the card by its shadow, and the shadow is all that is drawn outside it.
// Where the window is lower than the card, the card is as high as it allows
// and its page scrolls.
//
// The view keeps its own onboarding manager, so every window starts from what
// is stored, and the answers given on one step are there on the next.
class ModernOnboardingView : public QWidget
{
    Q_OBJECT

public:
    enum class OnboardingStep {
        welcome,
        permissions,
        settings,
        complete,
        feedback,
    };
    // Every step in the order of the flow.
    static const QList<OnboardingStep> &allCases();

    static constexpr QSize cardSize { 520, 640 };
    // Room on every side of the card for its shadow.
    static constexpr int shadowMargin = 28;
    // The size of the window that holds the card and its shadow.
    static QSize windowSize();

    explicit ModernOnboardingView(QWidget *parent = nullptr);
    ~ModernOnboardingView() override;

    OnboardingStep currentStep() const { return m_currentStep; }
    // The page of the current step (it takes clicks once it has faded in).
    QWidget *currentStepView() const { return m_stepView; }
    OnboardingHeader *header() const { return m_header; }
    OnboardingManager &onboardingManager() const { return *m_onboardingManager; }
    QRect cardRect() const;

    QSize sizeHint() const override { return windowSize(); }
    // As wide as the card, and as low as its header and a little of its
    // page, which then scrolls: a screen may be lower than the card.
    QSize minimumSizeHint() const override;

    // Moves on to the next step; on the last step it does nothing. What each
    // step but the last does when the user continues.
    void nextStep();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Without a compositing manager the clear parts of the window would show
    // black: the window is then cut to the card's shape, without a shadow.
    void shapeWindow();
    QPainterPath cardShape() const;
    QWidget *makeStepView(OnboardingStep step);
    void showCurrentStep(bool animated);
    void fadeStep(qreal progress);
    void finishTransition();

    OnboardingManager *m_onboardingManager;
    OnboardingStep m_currentStep = OnboardingStep::welcome;
    QWidget *m_card;
    OnboardingHeader *m_header;
    QStackedLayout *m_steps;
    QPointer<QWidget> m_stepView;
    QPointer<QWidget> m_leavingStepView;
    AnimatedValue m_transition { 1 };
    bool m_restartingTransition = false;
};
