#include "FeedbackStepView.h"

#include "onboarding/BetaFeatureRow.h"
#include "onboarding/CleanButton.h"
#include "onboarding/IconBadge.h"
#include "onboarding/OnboardingText.h"
#include "platform/NetworkEndpoints.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/Surface.h"
#include "ui/markup/TextBlock.h"

#include <QDesktopServices>
#include <QUrlQuery>
#include <QVBoxLayout>

FeedbackStepView::FeedbackStepView(std::function<void()> onFinish, QWidget *parent)
    : OnboardingPage(parent)
    , m_sendFeedbackButton(new CleanButton(QStringLiteral("Send Feedback")))
    , m_continueButton(
          new CleanButton(QStringLiteral("Continue to App"), CleanButtonStyle { .isPrimary = false }))
{
    column()->addStretch();
    addBadge(new IconBadge(Palette::orange(), QStringLiteral("star.fill")));
    addFixedSpace(40);

    auto *notes = new QVBoxLayout;
    notes->setSpacing(20);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(12);
    titles->addWidget(OnboardingText::centred(QStringLiteral("Welcome to the Beta!"),
        Fonts::custom(Fonts::hafferSemiBold, 28), Palette::primaryLabel()));
    titles->addWidget(
        OnboardingText::centred(QStringLiteral("Pexilo is in beta and we're actively improving it"),
            Fonts::custom(Fonts::hafferRegular, 17), Palette::secondaryLabel()));
    notes->addLayout(titles);
    notes->addWidget(betaNotes());
    column()->addLayout(notes);
    addFixedSpace(32);

    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(12);
    buttons->addWidget(m_sendFeedbackButton);
    buttons->addWidget(m_continueButton);
    column()->addLayout(buttons);
    column()->addStretch();

    connect(m_sendFeedbackButton, &QAbstractButton::clicked, this, [] {
        // Whether a mail program took it is not ours to know; the step stays.
        const QUrl url = feedbackMailUrl();
        if (url.isValid())
            QDesktopServices::openUrl(url);
    });
    connect(m_continueButton, &QAbstractButton::clicked, this, std::move(onFinish));
}

QWidget *FeedbackStepView::betaNotes()
{
    auto *box = new Surface(Palette::withOpacity(Palette::orange(), 0.1), 12);
    auto *rows = new QVBoxLayout(box);
    rows->setContentsMargins(20, 20, 20, 20);
    rows->setSpacing(8);
    for (const char *text : { "Some features may be rough around the edges",
             "Your feedback helps us improve the app", "New features are added regularly" })
        rows->addWidget(new BetaFeatureRow(QString::fromUtf8(text)));
    return box;
}

QUrl FeedbackStepView::feedbackMailUrl()
{
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(QString::fromLatin1(NetworkEndpoints::feedbackMail));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QStringLiteral("Pexilo Beta Feedback"));
    url.setQuery(query);
    return url;
}
