#include "BetaFeatureRow.h"

#include "onboarding/OnboardingText.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"
#include "ui/SymbolImage.h"

#include <QHBoxLayout>
#include <QLabel>

BetaFeatureRow::BetaFeatureRow(const QString &text, QWidget *parent)
    : QWidget(parent)
    , m_text(text)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    row->addWidget(new SymbolImage(QStringLiteral("info.circle.fill"), Palette::orange(), 14, 14));
    QLabel *label = new PlainLabel(text, Fonts::custom(Fonts::hafferRegular, 15), Palette::primaryLabel());
    label->setWordWrap(true);
    row->addWidget(label, 1);
}
