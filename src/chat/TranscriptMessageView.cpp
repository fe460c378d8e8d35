#include "TranscriptMessageView.h"

#include "MessageTime.h"
#include "SymbolButton.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"
#include "ui/TransitionEffect.h"
#include "ui/markup/TextBlock.h"
#include "ui/markup/VerbatimText.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace {

const Motion hoverMotion = Motion::spring(0.15, 1);
constexpr QMargins textPadding(16, 12, 16, 12);
constexpr int separatorGap = 8;
constexpr int separatorInset = 24;
constexpr int sideMargin = 24;
constexpr int verticalMargin = 8;
constexpr int headerGap = 8;

int textWidthFor(int rowWidth)
{
    return qMax(1, rowWidth - 2 * sideMargin - textPadding.left() - textPadding.right());
}

} // namespace

TranscriptMessageView::TranscriptMessageView(const ChatMessage &message, QWidget *parent)
    : QWidget(parent)
    , m_message(message)
{
    // The rows are placed by hand and the plate and the separator painted
    // here, so that a long transcript needs few widgets and lays out fast.
    m_header = new QWidget(this);
    auto *header = new QHBoxLayout(m_header);
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(8);
    auto *sender = new PlainLabel(message.isUser() ? QStringLiteral("You") : QStringLiteral("Assistant"),
        Fonts::custom(QString::fromLatin1(Fonts::hafferMedium), 14), Palette::primaryLabel());
    sender->setObjectName(QStringLiteral("sender"));
    auto *time = new PlainLabel(formatMessageTime(message.timestamp()),
        Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 12), Palette::tertiaryLabel());
    time->setObjectName(QStringLiteral("time"));
    header->addWidget(sender);
    header->addWidget(time);
    header->addStretch(1);

    // Shown as written, line breaks and all; a long text in blocks that are
    // made as they come into view.
    m_text = new VerbatimText(this);
    m_text->setFont(Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 15));
    m_text->setTextColor(Palette::primaryLabel());
    m_text->setLineSpacing(3);
    m_text->setTextSelectable(true);
    m_text->setText(message.content());

    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);

    connect(&m_copyPresence, &AnimatedValue::valueChanged, this, [this] {
        const qreal presence = m_copyPresence.value();
        m_copyTransition->setLook(presence, presence);
        m_copyButton->setVisible(m_isHovering || presence > 0);
    });
}

int TranscriptMessageView::heightForWidth(int width) const
{
    if (const auto known = m_heights.constFind(width); known != m_heights.constEnd())
        return *known;
    const int height = verticalMargin + m_header->sizeHint().height() + headerGap + textPadding.top()
        + m_text->heightForWidth(textWidthFor(width)) + textPadding.bottom() + verticalMargin
        + (m_message.isUser() ? 0 : separatorGap + 1);
    if (m_heights.size() > 8)
        m_heights.clear();
    m_heights.insert(width, height);
    return height;
}

QSize TranscriptMessageView::sizeHint() const
{
    return QSize(600, heightForWidth(600));
}

TextBlock *TranscriptMessageView::textBlock() const
{
    return m_text->blocks().value(0);
}

bool TranscriptMessageView::event(QEvent *event)
{
    // The text's height changed (a long text's blocks were measured): the
    // line takes its new height, and the transcript places it anew.
    if (event->type() == QEvent::LayoutRequest) {
        m_heights.clear();
        updateGeometry();
        placeChildren();
    }
    return QWidget::event(event);
}

void TranscriptMessageView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeChildren();
}

void TranscriptMessageView::placeChildren()
{
    const int headerHeight = m_header->sizeHint().height();
    m_header->setGeometry(sideMargin, verticalMargin, width() - 2 * sideMargin, headerHeight);
    const int textWidth = textWidthFor(width());
    const int top = verticalMargin + headerHeight + headerGap + textPadding.top();
    m_text->setGeometry(sideMargin + textPadding.left(), top, textWidth, m_text->heightForWidth(textWidth));
}

QColor TranscriptMessageView::plateColour() const
{
    return m_message.isUser() ? QColor(Qt::transparent) : Palette::withOpacity(Palette::gray(), 0.08);
}

QRect TranscriptMessageView::plateRect() const
{
    return m_text->geometry().marginsAdded(textPadding);
}

QRect TranscriptMessageView::separatorRect() const
{
    if (m_message.isUser())
        return QRect();
    return QRect(separatorInset, height() - 1, width() - 2 * separatorInset, 1);
}

void TranscriptMessageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (const QColor plate = plateColour(); plate.alpha() > 0) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(plateRect()), 12, 12);
        painter.fillPath(shape, plate);
    }
    if (const QRect separator = separatorRect(); !separator.isEmpty())
        painter.fillRect(separator, Palette::withOpacity(Palette::gray(), 0.15));
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
    if (hovering && !m_copyButton) {
        SymbolButton::Look look;
        look.symbol = QStringLiteral("doc.on.doc");
        look.colour = Palette::secondaryLabel();
        look.symbolSize = 12;
        look.frameSide = 16;
        m_copyButton = new SymbolButton(look);
        m_copyButton->setObjectName(QStringLiteral("copyButton"));
        m_copyButton->setAccessibleName(QStringLiteral("Copy"));
        m_copyTransition = new TransitionEffect(m_copyButton);
        m_copyTransition->setLook(0, 0);
        m_copyButton->setGraphicsEffect(m_copyTransition);
        connect(m_copyButton, &QAbstractButton::clicked, this, &TranscriptMessageView::copyMessage);
        static_cast<QHBoxLayout *>(m_header->layout())->addWidget(m_copyButton);
        m_copyButton->setVisible(false);
    }
    if (!m_copyButton)
        return;
    if (hovering)
        m_copyButton->setVisible(true);
    m_copyPresence.animateTo(hovering ? 1 : 0, hoverMotion);
}
