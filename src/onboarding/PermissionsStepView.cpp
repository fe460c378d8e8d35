#include "PermissionsStepView.h"

#include "onboarding/CleanButton.h"
#include "onboarding/ColourDot.h"
#include "onboarding/IconBadge.h"
#include "onboarding/OnboardingText.h"
#include "platform/ScreenCapturePermission.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"
#include "ui/Surface.h"
#include "ui/SymbolImage.h"
#include "ui/markup/TextBlock.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

PermissionsStepView::PermissionsStepView(std::function<void()> onContinue, QWidget *parent)
    : OnboardingPage(parent)
    , m_onContinue(std::move(onContinue))
    , m_badge(new IconBadge(Palette::orange(), QStringLiteral("shield.fill")))
    , m_statusDot(new ColourDot(Palette::orange(), 12))
    , m_statusText(
          new PlainLabel(QString(), Fonts::custom(Fonts::hafferRegular, 13), Palette::secondaryLabel()))
    , m_statusSymbol(
          new SymbolImage(QStringLiteral("exclamationmark.circle.fill"), Palette::orange(), 20, 20))
    , m_button(new CleanButton(QString()))
{
    column()->addStretch();
    addBadge(m_badge);
    addFixedSpace(40);

    auto *titles = new QVBoxLayout;
    titles->setSpacing(16);
    titles->addWidget(OnboardingText::centred(QStringLiteral("Screen Recording Permission"),
        Fonts::custom(Fonts::hafferSemiBold, 28), Palette::primaryLabel()));
    titles->addWidget(OnboardingText::centred(
        QStringLiteral("Pexilo needs permission to capture\nscreenshots for AI analysis"),
        Fonts::custom(Fonts::hafferRegular, 17), Palette::secondaryLabel(), 4));
    column()->addLayout(titles);
    addFixedSpace(48);

    auto *status = new Surface(Palette::withOpacity(Palette::quaternaryLabel(), 0.3), 12);
    auto *statusRow = new QHBoxLayout(status);
    statusRow->setContentsMargins(20, 20, 20, 20);
    statusRow->setSpacing(16);
    statusRow->addWidget(m_statusDot);
    auto *statusTexts = new QVBoxLayout;
    statusTexts->setSpacing(2);
    statusTexts->addWidget(new PlainLabel(
        QStringLiteral("Screen Recording"), Fonts::custom(Fonts::hafferMedium, 15), Palette::primaryLabel()));
    statusTexts->addWidget(m_statusText);
    statusRow->addLayout(statusTexts);
    statusRow->addStretch();
    statusRow->addWidget(m_statusSymbol);
    column()->addWidget(status);

    column()->addStretch();
    column()->addWidget(m_button);
    connect(m_button, &QAbstractButton::clicked, this, &PermissionsStepView::buttonClicked);
    refresh();
}

void PermissionsStepView::showEvent(QShowEvent *event)
{
    // Each time the step comes on screen, as a new window's step does.
    if (!event->spontaneous())
        checkPermissions();
    OnboardingPage::showEvent(event);
}

void PermissionsStepView::checkPermissions()
{
    m_hasScreenAccess = ScreenCapturePermission::preflight();
    refresh();
}

void PermissionsStepView::buttonClicked()
{
    if (m_hasScreenAccess)
        m_onContinue();
    else
        requestPermissions();
}

void PermissionsStepView::requestPermissions()
{
    m_isChecking = true;
    refresh();
    // Asked on the next turn of the event loop, so that the step shows that
    // it is checking before any prompt of the session's comes up.
    QTimer::singleShot(0, this, [this] {
        if (!ScreenCapturePermission::preflight())
            ScreenCapturePermission::request();
        QTimer::singleShot(recheckDelayMs, this, [this] {
            checkPermissions();
            m_isChecking = false;
            refresh();
        });
    });
}

void PermissionsStepView::refresh()
{
    const QColor colour = m_hasScreenAccess ? Palette::green() : Palette::orange();
    m_badge->setLook(
        colour, m_hasScreenAccess ? QStringLiteral("checkmark.shield.fill") : QStringLiteral("shield.fill"));
    m_statusDot->setColour(colour);
    m_statusText->setText(
        m_hasScreenAccess ? QStringLiteral("Permission granted") : QStringLiteral("Permission required"));
    m_statusSymbol->setSymbol(m_hasScreenAccess ? QStringLiteral("checkmark.circle.fill")
                                                : QStringLiteral("exclamationmark.circle.fill"),
        colour);

    QString title = QStringLiteral("Continue");
    if (!m_hasScreenAccess)
        title = m_isChecking ? QStringLiteral("Checking...") : QStringLiteral("Grant Permission");
    m_button->setText(title);
    m_button->setAccessibleName(title);
    m_button->setShowsProgress(!m_hasScreenAccess && m_isChecking);
    // While checking the button keeps its full look but takes no clicks.
    m_button->setEnabled(m_hasScreenAccess || !m_isChecking);
}
