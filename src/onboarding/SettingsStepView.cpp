#include "SettingsStepView.h"

#include "onboarding/CleanButton.h"
#include "onboarding/CleanSettingRow.h"
#include "onboarding/OnboardingManager.h"
#include "onboarding/OnboardingText.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"
#include "ui/Surface.h"
#include "ui/ToggleSwitch.h"
#include "ui/markup/TextBlock.h"

#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

SettingsStepView::SettingsStepView(
    OnboardingManager &onboardingManager, std::function<void()> onContinue, QWidget *parent)
    : OnboardingPage(parent)
    , m_onboardingManager(onboardingManager)
    , m_nameField(new QLineEdit)
    , m_launchAtLoginSwitch(new ToggleSwitch(Palette::blue()))
    , m_completeSetupButton(new CleanButton(QStringLiteral("Complete Setup")))
{
    addFixedSpace(24);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(16);
    titles->addWidget(OnboardingText::centred(QStringLiteral("Personalize Pexilo"),
        Fonts::custom(Fonts::hafferSemiBold, 28), Palette::primaryLabel()));
    titles->addWidget(OnboardingText::centred(QStringLiteral("Customize your experience"),
        Fonts::custom(Fonts::hafferRegular, 17), Palette::secondaryLabel()));
    column()->addLayout(titles);
    addFixedSpace(40);

    m_launchAtLoginSwitch->setAccessibleName(QStringLiteral("Launch at Login"));
    m_launchAtLoginSwitch->setChecked(m_onboardingManager.autoLaunchAtLogin());
    connect(m_launchAtLoginSwitch, &QAbstractButton::toggled, &m_onboardingManager,
        &OnboardingManager::setAutoLaunchAtLogin);

    auto *answers = new QVBoxLayout;
    answers->setSpacing(24);
    answers->addWidget(nameBlock());
    answers->addWidget(new CleanSettingRow(QStringLiteral("Launch at Login"),
        QStringLiteral("Start Pexilo when you log in"), m_launchAtLoginSwitch));
    answers->addWidget(new CleanSettingRow(QStringLiteral("Keyboard Shortcut"),
        QStringLiteral("Quick screenshot capture"),
        OnboardingText::chip(m_onboardingManager.keyboardShortcut(), Fonts::custom(Fonts::hafferMedium, 14),
            Palette::primaryLabel(), 12, 8, Palette::withOpacity(Palette::quaternaryLabel(), 0.5))));
    column()->addLayout(answers);

    column()->addStretch();
    column()->addWidget(m_completeSetupButton);
    connect(m_completeSetupButton, &QAbstractButton::clicked, this, std::move(onContinue));
}

QWidget *SettingsStepView::nameBlock()
{
    auto *block = new QWidget;
    auto *layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(new PlainLabel(
        QStringLiteral("Your Name"), Fonts::custom(Fonts::hafferMedium, 16), Palette::primaryLabel()));

    m_nameField->setFrame(false);
    m_nameField->setFont(Fonts::custom(Fonts::hafferRegular, 16));
    m_nameField->setPlaceholderText(QStringLiteral("Enter your name"));
    m_nameField->setAccessibleName(QStringLiteral("Your Name"));
    QPalette palette = m_nameField->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Palette::primaryLabel());
    palette.setColor(QPalette::PlaceholderText, Palette::tertiaryLabel());
    m_nameField->setPalette(palette);
    m_nameField->setText(m_onboardingManager.userName());
    connect(m_nameField, &QLineEdit::textEdited, &m_onboardingManager, &OnboardingManager::setUserName);

    auto *field = new Surface(Palette::withOpacity(Palette::quaternaryLabel(), 0.5), 12);
    auto *fieldLayout = new QVBoxLayout(field);
    fieldLayout->setContentsMargins(16, 16, 16, 16);
    fieldLayout->addWidget(m_nameField);
    // The padding belongs to the field: a press there goes to the text.
    field->setFocusPolicy(Qt::ClickFocus);
    field->setFocusProxy(m_nameField);
    layout->addWidget(field);
    return block;
}

void SettingsStepView::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        QTimer::singleShot(
            focusDelayMs, m_nameField, [field = m_nameField] { field->setFocus(Qt::OtherFocusReason); });
    OnboardingPage::showEvent(event);
}
