#pragma once

#include <QRect>
#include <QWidget>

class MenuBarView;

// The frameless popup that holds the tray panel. It hangs from the tray icon
// and closes when the user clicks anywhere outside it or presses Escape, as
// a menu does; closing only hides it, and it shows the same panel again.
// Tab and the arrow keys move the focus from button to button (the first
// key pressed after it opens reaches the first or the last), Space and
// Return press the focused one.
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
    void keyPressEvent(QKeyEvent *event) override;
    // In reading order, top to bottom and left to right, round and round:
    // the rows of recent conversations are made anew each time they change.
    bool focusNextPrevChild(bool next) override;

private:
    void place();

    MenuBarView *m_view;
    QRect m_anchor;
    QRect m_area;
};
