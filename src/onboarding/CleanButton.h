#pragma once

#include "onboarding/CleanButtonStyle.h"
#include "ui/AnimatedValue.h"

#include <QAbstractButton>

class ActivitySpinner;
class QPainter;

// The button of every onboarding step: its title centred on a rounded
// rectangle as wide as it is given, 16 pixels above and below the text. It
// shrinks a little while held down and dims when its style says it is not
// enabled. It may show a white progress spinner before its title.
class CleanButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit CleanButton(const QString &title, CleanButtonStyle style = {}, QWidget *parent = nullptr);

    CleanButtonStyle buttonStyle() const { return m_style; }
    void setButtonStyle(CleanButtonStyle style);

    void setShowsProgress(bool shows);
    bool showsProgress() const { return m_showsProgress; }

    // How large it is drawn: 1 at rest, less while held down.
    qreal pressScale() const { return m_pressScale.value(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void paintButton(QPainter &painter) const;
    // The spinner, when shown, and the title side by side in the middle.
    QRectF labelRect() const;
    int spinnerSide() const;
    void placeSpinner();
    // The look follows whether the button is held down.
    void followDownState();

    CleanButtonStyle m_style;
    bool m_showsProgress = false;
    ActivitySpinner *m_spinner;
    AnimatedValue m_pressScale { 1 };
    bool m_keyboardFocus = false;
};
