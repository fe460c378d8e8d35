#include "CleanButton.h"

#include "ui/ActivitySpinner.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

constexpr int verticalPadding = 16;
constexpr qreal cornerRadius = 12;
constexpr qreal pressedScale = 0.98;
constexpr qreal disabledOpacity = 0.6;
constexpr qreal spinnerScale = 0.8;
constexpr int spinnerSpacing = 8;

} // namespace

CleanButton::CleanButton(const QString &title, CleanButtonStyle style, QWidget *parent)
    : QAbstractButton(parent)
    , m_style(style)
    , m_spinner(new ActivitySpinner(this))
{
    setText(title);
    setAccessibleName(title);
    setFont(Fonts::custom(Fonts::hafferMedium, 16));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    m_spinner->setColour(Qt::white);
    m_spinner->setLook(spinnerScale, 1);
    m_spinner->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_spinner->hide();
    connect(&m_pressScale, &AnimatedValue::valueChanged, this, qOverload<>(&QWidget::update));
    // Pressing, releasing and dragging the pointer off and back on the
    // button all come with one of these.
    connect(this, &QAbstractButton::pressed, this, &CleanButton::followDownState);
    connect(this, &QAbstractButton::released, this, &CleanButton::followDownState);
}

void CleanButton::setButtonStyle(CleanButtonStyle style)
{
    m_style = style;
    update();
}

void CleanButton::setShowsProgress(bool shows)
{
    m_showsProgress = shows;
    m_spinner->setVisible(shows);
    placeSpinner();
    update();
}

int CleanButton::spinnerSide() const
{
    return fontMetrics().height();
}

QSize CleanButton::sizeHint() const
{
    int width = qCeil(QFontMetricsF(font()).horizontalAdvance(text()));
    if (m_showsProgress)
        width += spinnerSide() + spinnerSpacing;
    return QSize(width, fontMetrics().height() + 2 * verticalPadding);
}

QSize CleanButton::minimumSizeHint() const
{
    return QSize(0, sizeHint().height());
}

QRectF CleanButton::labelRect() const
{
    const QSizeF label = QSizeF(qMin(sizeHint().width(), width()), fontMetrics().height());
    return QRectF(QPointF((width() - label.width()) / 2, (height() - label.height()) / 2), label);
}

void CleanButton::placeSpinner()
{
    const QRectF label = labelRect();
    m_spinner->setGeometry(int(label.left()), int(label.top()), spinnerSide(), spinnerSide());
}

void CleanButton::resizeEvent(QResizeEvent *event)
{
    placeSpinner();
    QAbstractButton::resizeEvent(event);
}

void CleanButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        placeSpinner();
    }
    QAbstractButton::changeEvent(event);
}

void CleanButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_style.isEnabled) {
        paintButton(painter);
        return;
    }
    // Dimmed as a whole, so that the background does not show through the title.
    QPixmap layer(size() * devicePixelRatio());
    layer.setDevicePixelRatio(devicePixelRatio());
    layer.fill(Qt::transparent);
    QPainter layerPainter(&layer);
    paintButton(layerPainter);
    layerPainter.end();
    painter.setOpacity(disabledOpacity);
    painter.drawPixmap(0, 0, layer);
}

void CleanButton::paintButton(QPainter &painter) const
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(m_pressScale.value(), m_pressScale.value());
    painter.translate(-centre);

    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(
        shape, m_style.isPrimary ? Palette::blue() : Palette::withOpacity(Palette::quaternaryLabel(), 0.5));
    if (hasFocus() && m_keyboardFocus) {
        // Inside the edge, in a colour that stands out from the fill: white
        // on the blue of a primary button, blue on a secondary one.
        const qreal inset = 3.5;
        QPainterPath ring;
        ring.addRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), cornerRadius - inset,
            cornerRadius - inset);
        painter.setPen(QPen(m_style.isPrimary ? QColor(Qt::white) : Palette::blue(), 2));
        painter.drawPath(ring);
    }

    QRectF title = labelRect();
    if (m_showsProgress)
        title.setLeft(title.left() + spinnerSide() + spinnerSpacing);
    painter.setPen(m_style.isPrimary ? QColor(Qt::white) : Palette::primaryLabel());
    painter.setFont(font());
    // Cut with "…" only when the button is narrower than its title.
    const QString shown = title.width() < QFontMetricsF(font()).horizontalAdvance(text())
        ? fontMetrics().elidedText(text(), Qt::ElideRight, int(title.width()))
        : text();
    painter.drawText(
        title.adjusted(0, 0, 1, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

void CleanButton::followDownState()
{
    m_pressScale.animateTo(isDown() ? pressedScale : 1, Motion::easeInOut(0.1));
}

void CleanButton::keyPressEvent(QKeyEvent *event)
{
    // Return and Enter press the focused button as the space bar does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CleanButton::focusInEvent(QFocusEvent *event)
{
    // Any focus but the pointer's shows the ring: also the first one, which
    // a page gives its main button so that Return goes on.
    m_keyboardFocus = event->reason() != Qt::MouseFocusReason;
    QAbstractButton::focusInEvent(event);
}

void CleanButton::focusOutEvent(QFocusEvent *event)
{
    QAbstractButton::focusOutEvent(event);
    followDownState();
}
