#include "TranscriptMessageView.h"

#include "ChatTexts.h"
#include "PlainLabel.h"
#include "Surface.h"
#include "SymbolButton.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/TransitionEffect.h"
#include "ui/markup/TextBlock.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

const Motion hoverMotion = Motion::spring(0.15, 1);

} // namespace

TranscriptMessageView::TranscriptMessageView(const ChatMessage &message, QWidget *parent)
    : QWidget(parent)
    , m_message(message)
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto *column = new QVBoxLayout;
    column->setContentsMargins(24, 8, 24, 8);
    column->setSpacing(8);
    outer->addLayout(column);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(8);
    auto *sender = new PlainLabel(message.isUser() ? QStringLiteral("You") : QStringLiteral("Assistant"),
        Fonts::custom(QString::fromLatin1(Fonts::hafferMedium), 14), Palette::primaryLabel());
    sender->setObjectName(QStringLiteral("sender"));
    auto *time = new PlainLabel(ChatTexts::formatTime(message.timestamp()),
        Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 12), Palette::tertiaryLabel());
    time->setObjectName(QStringLiteral("time"));
    header->addWidget(sender);
    header->addWidget(time);
    header->addStretch(1);
    SymbolButton::Look copyLook;
    copyLook.symbol = QStringLiteral("doc.on.doc");
    copyLook.colour = Palette::secondaryLabel();
    copyLook.symbolSize = 12;
    copyLook.frameSide = 16;
    m_copyButton = new SymbolButton(copyLook);
    m_copyButton->setObjectName(QStringLiteral("copyButton"));
    m_copyButton->setAccessibleName(QStringLiteral("Copy"));
    m_copyButton->setVisible(false);
    m_copyTransition = new TransitionEffect(m_copyButton);
    m_copyTransition->setLook(0, 0);
    m_copyButton->setGraphicsEffect(m_copyTransition);
    connect(m_copyButton, &QAbstractButton::clicked, this, &TranscriptMessageView::copyMessage);
    header->addWidget(m_copyButton);
    column->addLayout(header);

    // The assistant's lines stand on a faint plate; the user's on none.
    auto *plate = new Surface(
        message.isUser() ? QColor(Qt::transparent) : Palette::withOpacity(Palette::gray(), 0.08), 12);
    plate->setObjectName(QStringLiteral("plate"));
    auto *plateLayout = new QVBoxLayout(plate);
    plateLayout->setContentsMargins(16, 12, 16, 12);
    m_text = new TextBlock(message.content());
    m_text->setObjectName(QStringLiteral("text"));
    m_text->setFont(Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 15));
    m_text->setTextColor(Palette::primaryLabel());
    m_text->setLineSpacing(3);
    m_text->setTextSelectable(true);
    plateLayout->addWidget(m_text);
    column->addWidget(plate);

    if (!message.isUser()) {
        auto *separatorRow = new QVBoxLayout;
        separatorRow->setContentsMargins(24, 8, 24, 0);
        auto *separator = new Surface(Palette::withOpacity(Palette::gray(), 0.15));
        separator->setObjectName(QStringLiteral("separator"));
        separator->setFixedHeight(1);
        separatorRow->addWidget(separator);
        outer->addLayout(separatorRow);
    }

    connect(&m_copyPresence, &AnimatedValue::valueChanged, this, [this] {
        const qreal presence = m_copyPresence.value();
        m_copyTransition->setLook(presence, presence);
        m_copyButton->setVisible(m_isHovering || presence > 0);
    });
}

void TranscriptMessageView::copyMessage() const
{
    QGuiApplication::clipboard()->setText(m_message.content());
}

void TranscriptMessageView::enterEvent(QEnterEvent *event)
{
    setHovering(true);
    QWidget::enterEvent(event);
}

void TranscriptMessageView::leaveEvent(QEvent *event)
{
    setHovering(false);
    QWidget::leaveEvent(event);
}

void TranscriptMessageView::setHovering(bool hovering)
{
    m_isHovering = hovering;
    if (hovering)
        m_copyButton->setVisible(true);
    m_copyPresence.animateTo(hovering ? 1 : 0, hoverMotion);
}
