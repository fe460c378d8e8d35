#include "CleanSettingRow.h"

#include "onboarding/OnboardingText.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CleanSettingRow::CleanSettingRow(
    const QString &title, const QString &subtitle, QWidget *trailing, QWidget *parent)
    : Surface(Palette::withOpacity(Palette::quaternaryLabel(), 0.3), 12, parent)
    , m_trailing(trailing)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(20, 20, 20, 20);
    row->setSpacing(16);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(new PlainLabel(title, Fonts::custom(Fonts::hafferMedium, 16), Palette::primaryLabel()));
    texts->addWidget(
        new PlainLabel(subtitle, Fonts::custom(Fonts::hafferRegular, 14), Palette::secondaryLabel()));
    row->addLayout(texts);
    row->addStretch();
    row->addWidget(trailing, 0, Qt::AlignVCenter);
}
