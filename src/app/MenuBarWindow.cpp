#include "MenuBarWindow.h"

#include "app/MenuBarView.h"
#include "app/PopupPlacement.h"
#include "ui/Palette.h"
#include "ui/WindowPlacement.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

MenuBarWindow::MenuBarWindow(MenuBarView *view, QWidget *parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
    , m_view(view)
{
    setWindowTitle(QStringLiteral("Pexilo"));
    auto *layout = new QVBoxLayout(this);
    // Room for the outline; the window follows the panel's size.
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(view);
}

void MenuBarWindow::popUp(const QRect &iconGeometry)
{
    const QPoint cursor = QCursor::pos();
    const QScreen *screen
        = QGuiApplication::screenAt(iconGeometry.isEmpty() ? cursor : iconGeometry.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    m_area = screen ? screen->availableGeometry()
                    : QRect(QPoint(), WindowPlacement::fallbackScreenSize.toSize());
    m_anchor = PopupPlacement::anchor(iconGeometry, cursor, m_area);

    // The panel reads what it shows as it comes on screen; it is laid out
    // and the window takes its size and its place before anything is drawn.
    // Each opening starts with no button focused, as a menu does; the first
    // key reaches the first or the last.
    if (QWidget *focused = focusWidget())
        focused->clearFocus();
    show();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    place();
    raise();
    activateWindow();
}

void MenuBarWindow::place()
{
    if (!m_area.isEmpty())
        move(PopupPlacement::popupGeometry(size(), m_anchor, m_area).topLeft());
}

void MenuBarWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // A panel that grows above its icon must keep hanging from it.
    if (isVisible())
        place();
}

void MenuBarWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Palette::windowBackground());
    painter.setPen(Palette::tertiaryLabel());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void MenuBarWindow::keyPressEvent(QKeyEvent *event)
{
    // Reached while no button has the focus yet.
    switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_Right:
        focusNextPrevChild(true);
        return;
    case Qt::Key_Up:
    case Qt::Key_Left:
        focusNextPrevChild(false);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

bool MenuBarWindow::focusNextPrevChild(bool next)
{
    QList<QAbstractButton *> buttons;
    for (QAbstractButton *button : findChildren<QAbstractButton *>()) {
        if (button->isVisibleTo(this) && button->isEnabled() && (button->focusPolicy() & Qt::TabFocus))
            buttons.append(button);
    }
    if (buttons.isEmpty())
        return false;
    std::stable_sort(buttons.begin(), buttons.end(), [this](const QWidget *a, const QWidget *b) {
        const QPoint at = a->mapTo(this, QPoint());
        const QPoint bt = b->mapTo(this, QPoint());
        return at.y() != bt.y() ? at.y() < bt.y() : at.x() < bt.x();
    });
    const qsizetype current = buttons.indexOf(qobject_cast<QAbstractButton *>(QApplication::focusWidget()));
    const qsizetype count = buttons.size();
    const qsizetype target = current < 0 ? (next ? 0 : count - 1) : (current + (next ? 1 : count - 1)) % count;
    buttons.at(target)->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}
