#include "MessageBubble.h"

#include "BubbleFrame.h"
#include "MessageAvatar.h"
#include "MessageTime.h"
#include "ui/ElidedLabel.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/markup/MarkdownText.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

MessageBubble::MessageBubble(const ChatMessage &message, const QColor &primaryColor, QWidget *parent)
    : QWidget(parent)
    , m_message(message)
    , m_primaryColor(primaryColor)
{
    const bool isUser = message.isUser();

    // The rows of the markup set their own fonts and colours; this font is
    // what they leave unset.
    m_text = new MarkdownText(message.content());
    m_text->setFont(Fonts::system(14));
    m_text->setTextSelectable(true);

    BubbleFrame::Look look;
    look.cornerRadius = 18;
    look.padding = QMargins(16, 10, 16, 10);
    if (isUser) {
        look.fill = primaryColor;
    } else {
        look.fill = Palette::withOpacity(Palette::gray(), 0.06);
        look.stroke = Palette::withOpacity(Palette::gray(), 0.1);
        look.strokeWidth = 0.5;
    }
    m_bubble = new BubbleFrame(m_text, look);
    m_bubble->setMaximumWidth(isUser ? userMaximumWidth : assistantMaximumWidth);

    m_time = new ElidedLabel(formatMessageTime(message.timestamp()), Fonts::system(10),
        Palette::withOpacity(Palette::secondaryLabel(), 0.7));

    auto *line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);

    if (isUser) {
        auto *column = new QVBoxLayout;
        column->setSpacing(4);
        column->addWidget(m_bubble, 0, Qt::AlignRight);
        column->addWidget(m_time, 0, Qt::AlignRight);
        line->addStretch(1);
        line->addLayout(column);
        return;
    }

    m_copyButton = new PlainButton(Palette::withOpacity(Palette::gray(), 0.08), 4);
    m_copyButton->setAccessibleName(QStringLiteral("Copy"));
    m_copyButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *copyLabel = new QHBoxLayout(m_copyButton);
    copyLabel->setContentsMargins(6, 3, 6, 3);
    copyLabel->addWidget(
        new ElidedLabel(QStringLiteral("Copy"), Fonts::system(10, QFont::Medium), Palette::secondaryLabel()));
    // The raw text, marks and all: what was written, not what is drawn.
    connect(m_copyButton, &QAbstractButton::clicked, this,
        [this] { QGuiApplication::clipboard()->setText(m_message.content()); });

    auto *top = new QHBoxLayout;
    top->setSpacing(10);
    top->addWidget(
        new MessageAvatar(Palette::withOpacity(primaryColor, 0.1), false, primaryColor), 0, Qt::AlignTop);
    top->addWidget(m_bubble, 0, Qt::AlignLeft | Qt::AlignTop);

    auto *footer = new QHBoxLayout;
    footer->setContentsMargins(footerIndent, 0, 0, 0);
    footer->setSpacing(12);
    footer->addWidget(m_time);
    footer->addWidget(m_copyButton);

    auto *column = new QVBoxLayout;
    column->setSpacing(6);
    column->addLayout(top);
    column->addLayout(footer);
    column->setAlignment(footer, Qt::AlignLeft);

    line->addLayout(column);
    line->addStretch(1);
}
