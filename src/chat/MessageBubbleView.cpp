#include "MessageBubbleView.h"

#include "BubbleFrame.h"
#include "MessageAvatar.h"
#include "MessageTime.h"
#include "ui/ElidedLabel.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/SymbolImage.h"
#include "ui/TransitionEffect.h"
#include "ui/markup/TextBlock.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {

// The smooth animation of 0.15 s: a spring that does not swing past.
Motion hoverMotion()
{
    return Motion::spring(0.15, 1);
}

QSpacerItem *freeSpace()
{
    return new QSpacerItem(
        MessageBubbleView::minimumFreeWidth, 0, QSizePolicy::MinimumExpanding, QSizePolicy::Minimum);
}

} // namespace

MessageBubbleView::MessageBubbleView(const ChatMessage &message, QWidget *parent)
    : QWidget(parent)
    , m_message(message)
    , m_copyButtonPresence(0)
{
    const bool isUser = message.isUser();

    m_text = new TextBlock(message.content());
    m_text->setFont(Fonts::custom(Fonts::hafferRegular, 15));
    m_text->setTextColor(isUser ? QColor(Qt::white) : Palette::primaryLabel());
    m_text->setTextSelectable(!isUser);
    BubbleFrame::Look look;
    look.fill = isUser ? Palette::blue() : Palette::regularMaterial();
    look.gradient = isUser;
    look.cornerRadius = 18;
    look.padding = QMargins(16, 10, 16, 10);
    m_bubble = new BubbleFrame(m_text, look);

    m_copyButton = new PlainButton;
    m_copyButton->setAccessibleName(QStringLiteral("Copy"));
    m_copyButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *copyLabel = new QHBoxLayout(m_copyButton);
    copyLabel->setContentsMargins(0, 0, 0, 0);
    copyLabel->addWidget(new SymbolImage(QStringLiteral("doc.on.doc"), Palette::secondaryLabel(), 12, 12));
    connect(m_copyButton, &QAbstractButton::clicked, this,
        [this] { QGuiApplication::clipboard()->setText(m_message.content()); });
    m_copyButton->hide();
    connect(&m_copyButtonPresence, &AnimatedValue::valueChanged, this,
        &MessageBubbleView::showCopyButtonPresence);

    auto *bubbleRow = new QHBoxLayout;
    bubbleRow->setSpacing(8);
    if (isUser)
        bubbleRow->addWidget(m_copyButton, 0, Qt::AlignVCenter);
    bubbleRow->addWidget(m_bubble);
    if (!isUser)
        bubbleRow->addWidget(m_copyButton, 0, Qt::AlignVCenter);

    auto *time = new ElidedLabel(formatMessageTime(message.timestamp()),
        Fonts::custom(Fonts::hafferRegular, 11), Palette::tertiaryLabel());
    auto *timeRow = new QHBoxLayout;
    timeRow->setContentsMargins(isUser ? 0 : 4, 0, isUser ? 4 : 0, 0);
    timeRow->addWidget(time);

    const Qt::Alignment side = isUser ? Qt::AlignRight : Qt::AlignLeft;
    auto *column = new QVBoxLayout;
    column->setSpacing(4);
    column->addLayout(bubbleRow);
    column->setAlignment(bubbleRow, side);
    column->addLayout(timeRow);
    column->setAlignment(timeRow, side);

    auto *line = new QHBoxLayout(this);
    line->setContentsMargins(16, 4, 16, 4);
    line->setSpacing(12);
    if (isUser) {
        line->addItem(freeSpace());
        line->addLayout(column);
    } else {
        line->addWidget(new MessageAvatar(Palette::blue(), true, Qt::white), 0, Qt::AlignBottom);
        line->addLayout(column);
        line->addItem(freeSpace());
    }
}

void MessageBubbleView::enterEvent(QEnterEvent *event)
{
    setHovering(true);
    QWidget::enterEvent(event);
}

void MessageBubbleView::leaveEvent(QEvent *event)
{
    setHovering(false);
    QWidget::leaveEvent(event);
}

void MessageBubbleView::setHovering(bool hovering)
{
    m_isHovering = hovering;
    m_copyButtonPresence.animateTo(hovering ? 1 : 0, hoverMotion());
    showCopyButtonPresence();
}

void MessageBubbleView::showCopyButtonPresence()
{
    // The button fades and grows in from nothing, and shrinks and fades out;
    // gone, it leaves no room beside the bubble.
    const qreal presence = qBound<qreal>(0, m_copyButtonPresence.value(), 1);
    m_copyButton->setVisible(presence > 0 || m_isHovering);
    // The effect draws the button through a picture of it; only while it moves.
    if (presence >= 1) {
        m_copyButton->setGraphicsEffect(nullptr);
        return;
    }
    auto *look = qobject_cast<TransitionEffect *>(m_copyButton->graphicsEffect());
    if (!look) {
        look = new TransitionEffect(m_copyButton);
        m_copyButton->setGraphicsEffect(look);
    }
    look->setLook(presence, presence);
}
