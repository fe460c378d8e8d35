#pragma once

#include <QRect>
#include <QWidget>

class MenuBarView;

// The frameless popup that holds the tray panel. It hangs from the tray icon
// and closes when the user clicks anywhere outside it or presses Escape, as
// a menu does; closing only hides it, and it shows the same panel again.
class MenuBarWindow : public QWidget
{
    Q_OBJECT

public:
    // Takes the view.
    explicit MenuBarWindow(MenuBarView *view, QWidget *parent = nullptr);

    MenuBarView *view() const { return m_view; }

    // Shows the panel next to the icon; `iconGeometry` is empty when the tray
    // does not tell where the icon is.
    void popUp(const QRect &iconGeometry);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void place();

    MenuBarView *m_view;
    QRect m_anchor;
    QRect m_area;
};
