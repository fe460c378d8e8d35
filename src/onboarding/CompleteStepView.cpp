#include "CompleteStepView.h"

#include "onboarding/CleanButton.h"
#include "onboarding/IconBadge.h"
#include "onboarding/OnboardingText.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"
#include "ui/markup/TextBlock.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CompleteStepView::CompleteStepView(
    const QString &userName, const QString &keyboardShortcut, std::function<void()> onFinish, QWidget *parent)
    : OnboardingPage(parent)
    , m_startButton(new CleanButton(QStringLiteral("Start Using Pexilo")))
{
    column()->addStretch();
    addBadge(new IconBadge(Palette::green(), QStringLiteral("checkmark")));
    addFixedSpace(40);
    column()->addWidget(OnboardingText::centred(
        title(userName), Fonts::custom(Fonts::hafferSemiBold, 28), Palette::primaryLabel()));
    addFixedSpace(48);

    const QFont sentenceFont = Fonts::custom(Fonts::hafferRegular, 15);
    auto *sentence = new QHBoxLayout;
    sentence->setSpacing(12);
    sentence->addStretch();
    sentence->addWidget(new PlainLabel(QStringLiteral("Press"), sentenceFont, Palette::secondaryLabel()));
    sentence->addWidget(OnboardingText::chip(keyboardShortcut, Fonts::custom(Fonts::hafferMedium, 15),
        Palette::primaryLabel(), 12, 6, Palette::withOpacity(Palette::quaternaryLabel(), 0.5)));
    sentence->addWidget(new PlainLabel(
        QStringLiteral("to take your first screenshot"), sentenceFont, Palette::secondaryLabel()));
    sentence->addStretch();
    column()->addLayout(sentence);

    column()->addStretch();
    column()->addWidget(m_startButton);
    connect(m_startButton, &QAbstractButton::clicked, this, std::move(onFinish));
}

QString CompleteStepView::title(const QString &userName)
{
    const QString suffix
        = userName.isEmpty() ? QStringLiteral("!") : QStringLiteral(", ") + userName + QStringLiteral("!");
    return QStringLiteral("You're all set") + suffix;
}
