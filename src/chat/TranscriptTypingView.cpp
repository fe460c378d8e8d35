#include "TranscriptTypingView.h"

#include "BubbleFrame.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"
#include "ui/PulsingDots.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

TranscriptTypingView::TranscriptTypingView(QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(24, 8, 24, 8);
    column->setSpacing(8);

    auto *header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(new PlainLabel(QStringLiteral("Assistant"),
        Fonts::custom(QString::fromLatin1(Fonts::hafferMedium), 14), Palette::primaryLabel()));
    header->addWidget(new PlainLabel(QStringLiteral("thinking..."),
        Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 12), Palette::tertiaryLabel()));
    header->addStretch(1);
    column->addLayout(header);

    m_dots = new PulsingDots({ Palette::withOpacity(Palette::secondaryLabel(), 0.6), 0.4, 400 });
    BubbleFrame::Look look;
    look.fill = Palette::withOpacity(Palette::gray(), 0.08);
    look.cornerRadius = 12;
    look.padding = QMargins(16, 12, 16, 12) - PulsingDots::overflow;
    column->addWidget(new BubbleFrame(m_dots, look), 0, Qt::AlignLeft);
}
