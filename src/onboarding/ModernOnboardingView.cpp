#include "ModernOnboardingView.h"

#include "onboarding/CompleteStepView.h"
#include "onboarding/FeedbackStepView.h"
#include "onboarding/OnboardingHeader.h"
#include "onboarding/OnboardingManager.h"
#include "onboarding/PermissionsStepView.h"
#include "onboarding/SettingsStepView.h"
#include "onboarding/WelcomeStepView.h"
#include "platform/AppEvents.h"
#include "platform/Compositing.h"
#include "ui/Palette.h"
#include "ui/SoftShadow.h"
#include "ui/Surface.h"
#include "ui/TransitionEffect.h"
#include "ui/VerticalScrollArea.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace {

constexpr qreal cornerRadius = 12;
const Motion stepTransition = Motion::easeInOut(0.3);

// Fades the page; it takes no clicks until it is fully in.
void setPageLook(QWidget *page, qreal opacity)
{
    auto *effect = qobject_cast<TransitionEffect *>(page->graphicsEffect());
    if (!effect) {
        effect = new TransitionEffect(page);
        page->setGraphicsEffect(effect);
    }
    effect->setLook(opacity, 1);
    page->setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

} // namespace

const QList<ModernOnboardingView::OnboardingStep> &ModernOnboardingView::allCases()
{
    static const QList<OnboardingStep> steps = { OnboardingStep::welcome, OnboardingStep::permissions,
        OnboardingStep::settings, OnboardingStep::complete, OnboardingStep::feedback };
    return steps;
}

QSize ModernOnboardingView::windowSize()
{
    return cardSize.grownBy(QMargins(shadowMargin, shadowMargin, shadowMargin, shadowMargin));
}

ModernOnboardingView::ModernOnboardingView(QWidget *parent)
    : QWidget(parent)
    , m_onboardingManager(new OnboardingManager(this))
    , m_card(new Surface(Palette::regularMaterial(), cornerRadius))
    , m_header(new OnboardingHeader(int(allCases().size())))
    , m_steps(new QStackedLayout)
{
    m_card->setParent(this);

    auto *card = new QVBoxLayout(m_card);
    card->setContentsMargins(0, 0, 0, 0);
    card->setSpacing(0);
    card->addWidget(m_header);
    // Both pages show while one fades into the other. On a screen lower than
    // the card they scroll under the header, which stays.
    m_steps->setStackingMode(QStackedLayout::StackAll);
    auto *pages = new QWidget;
    pages->setLayout(m_steps);
    auto *scroller = new VerticalScrollArea;
    scroller->setObjectName(QStringLiteral("onboardingPages"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus);
    scroller->setAutoFillBackground(false);
    scroller->viewport()->setAutoFillBackground(false);
    pages->setAutoFillBackground(false);
    scroller->setWidget(pages);
    card->addWidget(scroller, 1);
    setMinimumSize(minimumSizeHint());
    m_card->setGeometry(cardRect());

    // The red dot leaves without storing anything: the next start shows
    // onboarding again.
    connect(m_header, &OnboardingHeader::closeClicked, this,
        [] { AppEvents::instance().postOnboardingCompleted(); });
    connect(&m_transition, &AnimatedValue::valueChanged, this, [this] {
        if (!m_restartingTransition)
            fadeStep(m_transition.value());
    });
    connect(&m_transition, &AnimatedValue::arrived, this, [this] {
        if (!m_restartingTransition)
            finishTransition();
    });
    showCurrentStep(false);
}

ModernOnboardingView::~ModernOnboardingView() = default;

QSize ModernOnboardingView::minimumSizeHint() const
{
    return QSize(windowSize().width(),
        2 * shadowMargin + m_header->minimumSizeHint().height() + VerticalScrollArea::minimumHeight);
}

QRect ModernOnboardingView::cardRect() const
{
    const QSize card(cardSize.width(), qMin(cardSize.height(), height() - 2 * shadowMargin));
    return QRect(QPoint((width() - card.width()) / 2, (height() - card.height()) / 2), card);
}

void ModernOnboardingView::resizeEvent(QResizeEvent *event)
{
    m_card->setGeometry(cardRect());
    if (isVisible())
        shapeWindow();
    QWidget::resizeEvent(event);
}

QWidget *ModernOnboardingView::makeStepView(OnboardingStep step)
{
    const auto next = [this] { nextStep(); };
    switch (step) {
    case OnboardingStep::welcome:
        return new WelcomeStepView(next);
    case OnboardingStep::permissions:
        return new PermissionsStepView(next);
    case OnboardingStep::settings:
        return new SettingsStepView(*m_onboardingManager, next);
    case OnboardingStep::complete:
        return new CompleteStepView(
            m_onboardingManager->userName(), m_onboardingManager->keyboardShortcut(), next);
    case OnboardingStep::feedback:
        return new FeedbackStepView(
            [manager = m_onboardingManager] { manager->completeOnboardingWithNotification(); });
    }
    return nullptr;
}

void ModernOnboardingView::nextStep()
{
    const qsizetype index = allCases().indexOf(m_currentStep);
    if (index < 0 || index >= allCases().size() - 1)
        return;
    m_currentStep = allCases().at(index + 1);
    showCurrentStep(true);
}

void ModernOnboardingView::showCurrentStep(bool animated)
{
    finishTransition();
    m_leavingStepView = m_stepView;
    // The keyboard focus leaves with the page rather than moving on to the
    // next page's first field: each page decides where its focus goes.
    if (m_leavingStepView && m_leavingStepView->isAncestorOf(QApplication::focusWidget()))
        setFocus(Qt::OtherFocusReason);
    m_stepView = makeStepView(m_currentStep);
    m_steps->addWidget(m_stepView);
    m_steps->setCurrentWidget(m_stepView);

    const int index = int(allCases().indexOf(m_currentStep));
    if (!animated) {
        m_header->setCurrentStep(index);
        finishTransition();
        return;
    }
    m_header->setCurrentStep(index, &stepTransition);
    m_restartingTransition = true;
    m_transition.setValue(0);
    m_restartingTransition = false;
    fadeStep(0);
    m_transition.animateTo(1, stepTransition);
}

void ModernOnboardingView::fadeStep(qreal progress)
{
    if (m_stepView)
        setPageLook(m_stepView, progress);
    if (m_leavingStepView)
        setPageLook(m_leavingStepView, 1 - progress);
}

void ModernOnboardingView::finishTransition()
{
    if (m_leavingStepView) {
        m_steps->removeWidget(m_leavingStepView);
        m_leavingStepView->hide();
        m_leavingStepView->deleteLater();
        m_leavingStepView = nullptr;
    }
    if (m_stepView) {
        m_stepView->setGraphicsEffect(nullptr);
        m_stepView->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    }
}

QPainterPath ModernOnboardingView::cardShape() const
{
    QPainterPath card;
    card.addRoundedRect(QRectF(cardRect()), cornerRadius, cornerRadius);
    return card;
}

void ModernOnboardingView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    shapeWindow();
}

void ModernOnboardingView::shapeWindow()
{
    QWidget *window = this->window();
    if (Compositing::isActive()) {
        window->clearMask();
        return;
    }
    const QPolygon card = cardShape().toFillPolygon().toPolygon().translated(mapTo(window, QPoint()));
    window->setMask(QRegion(card));
}

void ModernOnboardingView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Only around the card: the card's material is not quite opaque.
    QPainterPath outside;
    outside.addRect(QRectF(rect()));
    painter.setClipPath(outside.subtracted(cardShape()));
    SoftShadow::paintRoundedRect(
        painter, QRectF(cardRect()), cornerRadius, Palette::withOpacity(Qt::black, 0.1), 20, QPointF(0, 8));
}
