#include "LoadingBubble.h"

#include "BubbleFrame.h"
#include "MessageAvatar.h"
#include "ui/Palette.h"
#include "ui/PulsingDots.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

LoadingBubble::LoadingBubble(const QColor &primaryColor, QWidget *parent)
    : QWidget(parent)
    , m_primaryColor(primaryColor)
{
    setObjectName(QStringLiteral("loading"));

    m_dots = new PulsingDots({ Palette::withOpacity(Palette::gray(), 0.5), 0.5, 500 });
    BubbleFrame::Look look;
    look.fill = Palette::withOpacity(Palette::gray(), 0.08);
    look.cornerRadius = 20;
    look.padding = QMargins(18, 12, 18, 12) - PulsingDots::overflow;
    auto *bubble = new BubbleFrame(m_dots, look);

    auto *top = new QHBoxLayout;
    top->setSpacing(10);
    top->addWidget(
        new MessageAvatar(Palette::withOpacity(primaryColor, 0.8), false, Qt::white), 0, Qt::AlignTop);
    top->addWidget(bubble, 0, Qt::AlignTop);

    auto *column = new QVBoxLayout;
    column->setSpacing(6);
    column->addLayout(top);

    auto *line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    line->addLayout(column);
    line->addStretch(1);
}
