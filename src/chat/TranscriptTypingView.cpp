#include "TranscriptTypingView.h"

#include "PlainLabel.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

constexpr int tickMs = 400;
constexpr int dotSide = 6;
constexpr int dotSpacing = 4;
constexpr int plateHorizontal = 16;
constexpr int plateVertical = 12;
const Motion dotMotion = Motion::easeInOut(0.3);

} // namespace

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

    // The plate and its dots are painted by this view, in the space this
    // empty child keeps for them.
    m_dotsArea = new QWidget;
    m_dotsArea->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dotsArea->setFixedSize(dotSide * 3 + dotSpacing * 2 + plateHorizontal * 2, dotSide + plateVertical * 2);
    column->addWidget(m_dotsArea, 0, Qt::AlignLeft);

    m_timer.setInterval(tickMs);
    connect(&m_timer, &QTimer::timeout, this, &TranscriptTypingView::tick);
    for (AnimatedValue &emphasis : m_emphasis)
        connect(&emphasis, &AnimatedValue::valueChanged, this, qOverload<>(&QWidget::update));
    m_emphasis[0].setValue(1);
}

void TranscriptTypingView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_timer.isActive())
        return;
    m_timer.start();
    tick(); // at once: the middle dot comes first
}

void TranscriptTypingView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
}

void TranscriptTypingView::tick()
{
    m_animationPhase = (m_animationPhase + 1) % 3;
    for (int i = 0; i < 3; ++i)
        m_emphasis[i].animateTo(i == m_animationPhase ? 1 : 0, dotMotion);
}

void TranscriptTypingView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plate = m_dotsArea->geometry();
    QPainterPath shape;
    shape.addRoundedRect(plate, 12, 12);
    painter.fillPath(shape, Palette::withOpacity(Palette::gray(), 0.08));

    const QColor dot = Palette::withOpacity(Palette::secondaryLabel(), 0.6);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        const qreal emphasis = m_emphasis[i].value();
        const qreal scale = 0.8 + 0.4 * emphasis;
        const qreal opacity = 0.4 + 0.6 * emphasis;
        const QPointF centre(
            plate.left() + plateHorizontal + i * (dotSide + dotSpacing) + dotSide / 2.0, plate.center().y());
        painter.setOpacity(opacity);
        painter.setBrush(dot);
        painter.drawEllipse(centre, dotSide * scale / 2, dotSide * scale / 2);
    }
}
