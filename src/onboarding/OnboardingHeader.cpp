#include "OnboardingHeader.h"

#include "ui/Palette.h"
#include "ui/PlainButton.h"

#include <QPainter>

namespace {

constexpr int horizontalPadding = 20;
constexpr int verticalPadding = 16;
constexpr int windowDotSide = 12;
constexpr int progressDotSide = 6;
constexpr int dotSpacing = 8;
constexpr int progressTrailingPadding = 8;

} // namespace

OnboardingHeader::OnboardingHeader(int stepCount, QWidget *parent)
    : QWidget(parent)
    , m_stepCount(stepCount)
    , m_closeButton(new PlainButton(Qt::transparent, windowDotSide / 2.0, this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_closeButton->setAccessibleName(QStringLiteral("Close"));
    connect(m_closeButton, &QAbstractButton::clicked, this, &OnboardingHeader::closeClicked);
    connect(&m_progress, &AnimatedValue::valueChanged, this, qOverload<>(&QWidget::update));
}

QSize OnboardingHeader::sizeHint() const
{
    const int dots = 3 * windowDotSide + 2 * dotSpacing + dotSpacing + m_stepCount * progressDotSide
        + (m_stepCount - 1) * dotSpacing + progressTrailingPadding;
    return QSize(2 * horizontalPadding + dots, 2 * verticalPadding + windowDotSide);
}

void OnboardingHeader::setCurrentStep(int step, const Motion *motion)
{
    if (motion)
        m_progress.animateTo(step, *motion);
    else
        m_progress.setValue(step);
}

qreal OnboardingHeader::dotProgress(int dot) const
{
    return qBound<qreal>(0, m_progress.value() - dot + 1, 1);
}

QRectF OnboardingHeader::windowDot(int index) const
{
    return QRectF(horizontalPadding + index * (windowDotSide + dotSpacing), (height() - windowDotSide) / 2.0,
        windowDotSide, windowDotSide);
}

QRectF OnboardingHeader::progressDot(int index) const
{
    const qreal right = width() - horizontalPadding - progressTrailingPadding;
    const qreal left = right - m_stepCount * progressDotSide - (m_stepCount - 1) * dotSpacing;
    return QRectF(left + index * (progressDotSide + dotSpacing), (height() - progressDotSide) / 2.0,
        progressDotSide, progressDotSide);
}

void OnboardingHeader::resizeEvent(QResizeEvent *event)
{
    m_closeButton->setGeometry(windowDot(0).toRect());
    QWidget::resizeEvent(event);
}

void OnboardingHeader::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QColor windowColours[] = { Palette::red(), Palette::yellow(), Palette::green() };
    for (int index = 0; index < 3; ++index) {
        painter.setBrush(windowColours[index]);
        painter.drawEllipse(windowDot(index));
    }
    for (int index = 0; index < m_stepCount; ++index) {
        painter.setBrush(Palette::mix(Palette::quaternaryLabel(), Palette::blue(), dotProgress(index)));
        painter.drawEllipse(progressDot(index));
    }
}
