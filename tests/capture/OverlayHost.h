#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

// A frameless window over the whole main screen that paints a frozen picture
// of the screen and hosts an overlay on top of it, as the result window does.
class OverlayHost : public QWidget
{
public:
    explicit OverlayHost(const QImage &frozenFrame);

    // Takes the overlay; it fills the window.
    void setOverlay(QWidget *overlay);

    // Hides the window now and deletes it later, as the capture manager does
    // when the overlay asks to close.
    void dismiss();

    // A stand-in for the screen: a light desktop with a few windows on it.
    static QImage sampleDesktop(const QSize &size);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage m_frozenFrame;
    QPointer<QWidget> m_overlay;
};
