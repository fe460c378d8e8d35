#pragma once

#include "ui/AnimatedValue.h"

#include <QWidget>

class QAbstractButton;

// The top of the onboarding card, drawn like a window's title bar: red,
// yellow and green dots on the left, one progress dot per step on the right,
// blue up to the current step. The red dot is a button that closes onboarding
// without storing anything; the other two do nothing.
class OnboardingHeader : public QWidget
{
    Q_OBJECT

public:
    explicit OnboardingHeader(int stepCount, QWidget *parent = nullptr);

    // Makes the dots up to `step` (counted from 0) blue, fading the change in
    // over the motion, or at once without one.
    void setCurrentStep(int step, const Motion *motion = nullptr);
    // How far each progress dot is blue, from 0 to 1.
    qreal dotProgress(int dot) const;
    int stepCount() const { return m_stepCount; }

    QAbstractButton *closeButton() const { return m_closeButton; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void closeClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QRectF windowDot(int index) const;
    QRectF progressDot(int index) const;

    int m_stepCount;
    AnimatedValue m_progress;
    QAbstractButton *m_closeButton;
};
