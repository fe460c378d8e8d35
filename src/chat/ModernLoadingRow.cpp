#include "ModernLoadingRow.h"

#include "ModernMessageRow.h"
#include "ui/ElidedLabel.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PulsingDots.h"
#include "ui/SymbolImage.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

ModernLoadingRow::ModernLoadingRow(const QColor &textSecondary, const QColor &accentBeige, QWidget *parent)
    : QWidget(parent)
    , m_accentBeige(accentBeige)
{
    auto *header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(
        new SymbolImage(QStringLiteral("sparkles"), QColor::fromRgbF(0.8f, 0.6f, 0.4f), 14, 14));
    header->addWidget(
        new ElidedLabel(QStringLiteral("AI"), Fonts::custom(Fonts::hafferTrialMedium, 13), textSecondary));
    header->addWidget(new ElidedLabel(
        QStringLiteral("thinking..."), Fonts::custom(Fonts::hafferTrialRegular, 11), textSecondary));
    header->addStretch(1);

    m_dots = new PulsingDots({ Palette::withOpacity(textSecondary, 0.4), 0.4, 400 });
    auto *dotsRow = new QHBoxLayout;
    dotsRow->setContentsMargins(22 - PulsingDots::overflow, 0, 0, 0);
    dotsRow->addWidget(m_dots);
    dotsRow->addStretch(1);

    // The dots are drawn with room around them; the spacing and padding
    // around them are that much less, so that they sit where they belong.
    auto *column = new QVBoxLayout;
    column->setContentsMargins(32, 16, 32, 16 - PulsingDots::overflow);
    column->setSpacing(12 - PulsingDots::overflow);
    column->addLayout(header);
    column->addLayout(dotsRow);

    auto *row = new QVBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addLayout(column);
    row->addWidget(ModernMessageRow::createDivider());
}
