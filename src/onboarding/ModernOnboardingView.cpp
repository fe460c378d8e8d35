#include "ModernOnboardingView.h"

#include "onboarding/OnboardingManager.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr qreal cornerRadius = 12;

QLabel *plainLabel(const QString &text, const QFont &font, const QColor &colour)
{
    auto *label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QString primaryButtonStyle()
{
    return QStringLiteral("QPushButton { color: white; background: %1; border: none; border-radius: 12px;"
                          " padding: 16px; }"
                          "QPushButton:pressed { background: %2; }")
        .arg(Palette::blue().name(), Palette::blue().darker(115).name());
}

} // namespace

ModernOnboardingView::ModernOnboardingView(QWidget *parent)
    : QWidget(parent)
    , m_onboardingManager(new OnboardingManager(this))
    , m_getStartedButton(new QPushButton(QStringLiteral("Get Started")))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 32, 40, 32);
    layout->setSpacing(16);
    layout->addStretch();
    layout->addWidget(plainLabel(QStringLiteral("Welcome to Pexilo"),
        Fonts::custom(Fonts::hafferSemiBold, 32), Palette::primaryLabel()));
    layout->addWidget(plainLabel(QStringLiteral("AI-powered screenshot analysis\nmade simple and fast"),
        Fonts::custom(Fonts::hafferRegular, 17), Palette::secondaryLabel()));
    layout->addStretch();

    m_getStartedButton->setFont(Fonts::custom(Fonts::hafferMedium, 16));
    m_getStartedButton->setStyleSheet(primaryButtonStyle());
    m_getStartedButton->setCursor(Qt::PointingHandCursor);
    layout->addWidget(m_getStartedButton);

    connect(m_getStartedButton, &QPushButton::clicked, m_onboardingManager,
        &OnboardingManager::completeOnboardingWithNotification);
}

void ModernOnboardingView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(card, Palette::windowBackground());
}
