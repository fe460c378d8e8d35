#include "WindowOwner.h"

#include "BackgroundWindowMover.h"
#include "WindowPlacement.h"

#include <QVBoxLayout>

WindowOwner::~WindowOwner()
{
    delete m_window.data();
}

QWidget *WindowOwner::createWindow(const Style &style)
{
    return adoptWindow(new QWidget, style);
}

QWidget *WindowOwner::adoptWindow(QWidget *window, const Style &style)
{
    closeWindow();
    m_window = window;
    window->setWindowFlags(style.flags);
    if (style.translucent)
        window->setAttribute(Qt::WA_TranslucentBackground);
    window->setWindowTitle(style.title);
    if (style.background) {
        QPalette palette = window->palette();
        palette.setColor(QPalette::Window, *style.background);
        window->setPalette(palette);
    }
    if (style.movableByBackground)
        new BackgroundWindowMover(window);
    window->setGeometry(WindowPlacement::contentRectOnPrimaryScreen(style.size).toRect());
    WindowPlacement::centre(window);
    return window;
}

void WindowOwner::setContentView(QWidget *view)
{
    auto *layout = new QVBoxLayout(m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view);
}

void WindowOwner::bringToFront()
{
    if (m_window)
        WindowPlacement::bringToFront(m_window);
}

void WindowOwner::closeWindow()
{
    if (m_window) {
        m_window->close();
        m_window->deleteLater();
    }
    m_window = nullptr;
}
