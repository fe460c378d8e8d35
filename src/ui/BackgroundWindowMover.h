#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

// Lets the user move a frameless window by dragging its background: a left
// press that no control inside the window takes starts the move. The window
// manager moves the window where it can; otherwise the window follows the
// pointer itself. Lives as a child of the window.
class BackgroundWindowMover : public QObject
{
    Q_OBJECT

public:
    explicit BackgroundWindowMover(QWidget *window);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    bool m_dragging = false;
    QPoint m_pressOffset;
};
