#include "MenuBarWindow.h"

#include "app/MenuBarView.h"
#include "app/PopupPlacement.h"
#include "ui/Palette.h"
#include "ui/WindowPlacement.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

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
