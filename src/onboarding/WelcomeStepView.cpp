#include "WelcomeStepView.h"

#include "onboarding/CleanButton.h"
#include "onboarding/IconBadge.h"
#include "onboarding/OnboardingText.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/markup/TextBlock.h"

#include <QLabel>
#include <QVBoxLayout>

WelcomeStepView::WelcomeStepView(std::function<void()> onContinue, QWidget *parent)
    : OnboardingPage(parent)
    , m_getStartedButton(new CleanButton(QStringLiteral("Get Started")))
{
    column()->addStretch();
    addBadge(new IconBadge(Palette::blue(), QStringLiteral("camera.viewfinder")));
    addFixedSpace(40);

    auto *titles = new QVBoxLayout;
    titles->setSpacing(16);
    titles->addWidget(OnboardingText::centred(QStringLiteral("Welcome to Pexilo"),
        Fonts::custom(Fonts::hafferSemiBold, 32), Palette::primaryLabel()));
    titles->addWidget(
        OnboardingText::centred(QStringLiteral("AI-powered screenshot analysis\nmade simple and fast"),
            Fonts::custom(Fonts::hafferRegular, 17), Palette::secondaryLabel(), 4));
    column()->addLayout(titles);

    column()->addStretch();
    column()->addWidget(m_getStartedButton);
    connect(m_getStartedButton, &QAbstractButton::clicked, this, std::move(onContinue));
}
