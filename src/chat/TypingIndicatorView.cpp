#include "TypingIndicatorView.h"

#include "BubbleFrame.h"
#include "MessageAvatar.h"
#include "MessageBubbleView.h"
#include "ui/ElidedLabel.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PulsingDots.h"

#include <QHBoxLayout>
#include <QSpacerItem>
#include <QVBoxLayout>

TypingIndicatorView::TypingIndicatorView(QWidget *parent)
    : QWidget(parent)
{
    m_dots = new PulsingDots({ Palette::tertiaryLabel(), 0.4, 400 });
    BubbleFrame::Look look;
    look.fill = Palette::regularMaterial();
    look.cornerRadius = 18;
    look.padding = QMargins(16, 10, 16, 10) - PulsingDots::overflow;
    auto *bubble = new BubbleFrame(m_dots, look);

    auto *caption = new ElidedLabel(QStringLiteral("AI is thinking..."),
        Fonts::custom(Fonts::hafferRegular, 11), Palette::tertiaryLabel());
    auto *captionRow = new QHBoxLayout;
    captionRow->setContentsMargins(4, 0, 0, 0);
    captionRow->addWidget(caption);

    auto *column = new QVBoxLayout;
    column->setSpacing(4);
    column->addWidget(bubble, 0, Qt::AlignLeft);
    column->addLayout(captionRow);
    column->setAlignment(captionRow, Qt::AlignLeft);

    auto *line = new QHBoxLayout(this);
    line->setContentsMargins(16, 4, 16, 4);
    line->setSpacing(12);
    line->addWidget(new MessageAvatar(Palette::blue(), true, Qt::white), 0, Qt::AlignBottom);
    line->addLayout(column);
    line->addItem(new QSpacerItem(
        MessageBubbleView::minimumFreeWidth, 0, QSizePolicy::MinimumExpanding, QSizePolicy::Minimum));
}
