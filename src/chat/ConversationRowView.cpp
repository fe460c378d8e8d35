#include "ConversationRowView.h"

#include "ChatTexts.h"
#include "ConversationThumbnails.h"
#include "SymbolButton.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/Symbols.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

constexpr int horizontalPadding = 16;
constexpr int verticalPadding = 8;
constexpr int thumbnailSide = 32;
constexpr int spacing = 12;
constexpr int textSpacing = 2;
constexpr int metaSpacing = 4;
constexpr qreal thumbnailRadius = 6;
constexpr qreal rowRadius = 8;
constexpr int deleteDiameter = 20;
constexpr int deleteFrame = 24; // room for its shadow
constexpr int deleteRight = 8;
constexpr int deleteTop = 4;
const Motion hoverMotion = Motion::easeInOut(0.2);

const QFont &titleFont()
{
    static const QFont font = Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 14);
    return font;
}

const QFont &metaFont()
{
    static const QFont font = Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 11);
    return font;
}

} // namespace

ConversationRowView::ConversationRowView(const Conversation &conversation, ConversationThumbnails &thumbnails,
    std::function<void()> onSelect, std::function<void()> onDelete, QWidget *parent)
    : QWidget(parent)
    , m_conversation(conversation)
    , m_thumbnails(thumbnails)
    , m_onSelect(std::move(onSelect))
    , m_onDelete(std::move(onDelete))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setAccessibleName(conversation.title());
}

int ConversationRowView::titleWidth(int rowWidth) const
{
    return qMax(1, rowWidth - 2 * horizontalPadding - thumbnailSide - spacing);
}

QStringList ConversationRowView::titleLines(int width) const
{
    if (const auto known = m_linesAt.constFind(width); known != m_linesAt.constEnd())
        return *known;
    if (m_linesAt.size() >= 4)
        m_linesAt.clear();
    return *m_linesAt.insert(width, ChatTexts::clampedLines(m_conversation.title(), titleFont(), width, 2));
}

QString ConversationRowView::metaText() const
{
    return m_conversation.shortDate() + QStringLiteral(" • ")
        + ChatTexts::exchangesText(m_conversation.messages().size());
}

bool ConversationRowView::showsScreenshotThumbnail() const
{
    const std::optional<QImage> image = m_thumbnails.thumbnail(m_conversation, devicePixelRatioF());
    return image && !image->isNull();
}

int ConversationRowView::heightForWidth(int width) const
{
    const QFontMetricsF title(titleFont());
    const QFontMetricsF meta(metaFont());
    const qreal text
        = titleLines(titleWidth(width)).size() * title.lineSpacing() + textSpacing + meta.height();
    return qCeil(qMax<qreal>(thumbnailSide, text)) + 2 * verticalPadding;
}

QSize ConversationRowView::sizeHint() const
{
    return QSize(300, heightForWidth(300));
}

void ConversationRowView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal hover = m_hover ? qBound(0.0, m_hover->value(), 1.0) : 0.0;
    if (hover > 0) {
        QPainterPath background;
        background.addRoundedRect(QRectF(rect()), rowRadius, rowRadius);
        painter.fillPath(background, Palette::withOpacity(Palette::gray(), 0.08 * hover));
    }

    const QFontMetricsF titleMetrics(titleFont());
    const QFontMetricsF metaMetrics(metaFont());
    const QStringList lines = titleLines(titleWidth(width()));
    const qreal textHeight = lines.size() * titleMetrics.lineSpacing() + textSpacing + metaMetrics.height();
    const qreal contentHeight = qMax<qreal>(thumbnailSide, textHeight);
    const qreal top = verticalPadding + (height() - 2 * verticalPadding - contentHeight) / 2;

    // The thumbnail, or its placeholder while there is none to show.
    const QRectF thumbnail(
        horizontalPadding, top + (contentHeight - thumbnailSide) / 2, thumbnailSide, thumbnailSide);
    QPainterPath thumbnailShape;
    thumbnailShape.addRoundedRect(thumbnail, thumbnailRadius, thumbnailRadius);
    const std::optional<QImage> image = m_thumbnails.thumbnail(m_conversation, devicePixelRatioF(), this);
    if (image && !image->isNull()) {
        painter.save();
        painter.setClipPath(thumbnailShape);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(thumbnail, *image);
        painter.restore();
        painter.setPen(QPen(Palette::quaternaryLabel(), 0.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(thumbnailShape);
    } else {
        painter.fillPath(thumbnailShape, Palette::withOpacity(Palette::quaternaryLabel(), 0.5));
        QRect symbol(0, 0, 12, 12);
        symbol.moveCenter(thumbnail.center().toPoint());
        Symbols::icon(QStringLiteral("photo"), Palette::tertiaryLabel(), 12).paint(&painter, symbol);
    }

    // The title and the meta line.
    const qreal textLeft = thumbnail.right() + spacing;
    qreal y = top + (contentHeight - textHeight) / 2;
    painter.setFont(titleFont());
    painter.setPen(Palette::primaryLabel());
    for (const QString &line : lines) {
        painter.drawText(QPointF(textLeft, y + titleMetrics.ascent()), line);
        y += titleMetrics.lineSpacing();
    }
    y += textSpacing;
    painter.setFont(metaFont());
    painter.setPen(Palette::tertiaryLabel());
    qreal x = textLeft;
    for (const QString &part : { m_conversation.shortDate(), QStringLiteral("•"),
             ChatTexts::exchangesText(m_conversation.messages().size()) }) {
        painter.drawText(QPointF(x, y + metaMetrics.ascent()), part);
        x += metaMetrics.horizontalAdvance(part) + metaSpacing;
    }
}

void ConversationRowView::enterEvent(QEnterEvent *event)
{
    setHovering(true);
    QWidget::enterEvent(event);
}

void ConversationRowView::leaveEvent(QEvent *event)
{
    setHovering(false);
    QWidget::leaveEvent(event);
}

void ConversationRowView::setHovering(bool hovering)
{
    m_isHovering = hovering;
    if (hovering && !m_hover) {
        m_hover = new AnimatedValue(0, this);
        connect(m_hover, &AnimatedValue::valueChanged, this, [this] {
            update();
            // The button fades and grows in, and shrinks and fades out.
            const qreal presence = m_hover->value();
            m_deleteButton->setOpacity(presence);
            m_deleteButton->setScale(presence);
            m_deleteButton->setVisible(m_isHovering || presence > 0);
        });
    }
    if (hovering && !m_deleteButton) {
        SymbolButton::Look look;
        look.symbol = QStringLiteral("trash.fill");
        look.colour = Qt::white;
        look.symbolSize = 11;
        look.frameSide = deleteFrame;
        look.circleDiameter = deleteDiameter;
        look.circleFill = Palette::red();
        look.circleOutline = Palette::withOpacity(Qt::white, 0.3);
        look.shadow = true;
        m_deleteButton = new SymbolButton(look, this);
        m_deleteButton->setObjectName(QStringLiteral("deleteButton"));
        m_deleteButton->setAccessibleName(QStringLiteral("Delete"));
        m_deleteButton->setOpacity(0);
        m_deleteButton->setScale(0);
        connect(m_deleteButton, &QAbstractButton::clicked, this, [this] {
            // The row may go with its conversation: nothing of it is used after.
            const std::function<void()> onDelete = m_onDelete;
            if (onDelete)
                onDelete();
        });
        placeDeleteButton();
    }
    if (!m_hover)
        return;
    if (hovering)
        m_deleteButton->setVisible(true);
    m_hover->animateTo(hovering ? 1 : 0, hoverMotion);
}

void ConversationRowView::placeDeleteButton()
{
    if (!m_deleteButton)
        return;
    const int margin = (deleteFrame - deleteDiameter) / 2;
    m_deleteButton->move(width() - deleteRight - deleteDiameter - margin, deleteTop - margin);
}

void ConversationRowView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeDeleteButton();
}

void ConversationRowView::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ConversationRowView::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click
        = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (!click)
        return;
    // Opening may rebuild the list this row is in.
    const std::function<void()> onSelect = m_onSelect;
    if (onSelect)
        onSelect();
}
