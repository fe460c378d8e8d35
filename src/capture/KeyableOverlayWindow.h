#pragma once

#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QWidget>

// A frameless top-level window that covers a screen and still takes the
// keyboard. Behind its content view it paints the picture of the screen taken
// when the capture began, so that the content (transparent apart from what it
// draws itself) appears over the screen as it was, with or without a
// compositing manager. Without such a picture the window is transparent where
// the windowing system allows it.
class KeyableOverlayWindow : public QWidget
{
    Q_OBJECT

public:
    // How high the window stays: Floating above ordinary windows, ScreenSaver
    // above everything, panels included.
    enum class Level { Floating = 3, ScreenSaver = 1000 };

    KeyableOverlayWindow(const QRect &contentRect, Level level);

    Level level() const { return m_level; }

    // The picture of the screen whose top-left corner lies at `origin` in
    // global coordinates; a null image paints nothing.
    void setBackgroundFrame(const QImage &frame, const QPointF &origin);
    const QImage &backgroundFrame() const { return m_frame; }

    // The widget that fills the window. The window takes ownership; a new
    // content view replaces (and deletes) the previous one.
    void setContentView(QWidget *view);

    // Shows the window in front and gives it the keyboard focus.
    void present();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    const Level m_level;
    QImage m_frame;
    QPointF m_frameOrigin;
    QPointer<QWidget> m_contentView;
};
