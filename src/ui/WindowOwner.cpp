#include "WindowOwner.h"

#include "BackgroundWindowMover.h"
#include "WindowFitter.h"
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
    m_fitter = new WindowFitter(window, style.size.toSize());
    m_fitter->fit();
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
    if (!m_window)
        return;
    // Placed again before it first shows: the content may have come since,
    // and with it the size below which the window cannot go.
    if (!m_window->isVisible() && m_fitter)
        m_fitter->fit();
    WindowPlacement::bringToFront(m_window);
    if (m_fitter)
        m_fitter->watch();
}

void WindowOwner::closeWindow()
{
    if (m_window) {
        m_window->close();
        m_window->deleteLater();
    }
    m_window = nullptr;
}
