#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

QString describeNumber(qreal value)
{
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    const bool wholeNumber = std::all_of(
        text.cbegin(), text.cend(), [](QChar c) { return c.isDigit() || c == QLatin1Char('-'); });
    if (wholeNumber)
        text += QStringLiteral(".0");
    return text;
}

} // namespace

namespace WindowPlacement {

QRectF contentRect(const QSizeF &windowSize, const QSizeF &screenSize)
{
    return QRectF((screenSize.width() - windowSize.width()) * 0.5,
        (screenSize.height() - windowSize.height()) * 0.5, windowSize.width(), windowSize.height());
}

QRectF contentRectOnPrimaryScreen(const QSizeF &windowSize)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return contentRect(windowSize, screen ? QSizeF(screen->geometry().size()) : fallbackScreenSize);
}

QString describe(const QRectF &rect)
{
    return QStringLiteral("(%1, %2, %3, %4)")
        .arg(describeNumber(rect.x()), describeNumber(rect.y()), describeNumber(rect.width()),
            describeNumber(rect.height()));
}

QString describe(const QSizeF &size)
{
    return QStringLiteral("(%1, %2)").arg(describeNumber(size.width()), describeNumber(size.height()));
}

void centre(QWidget *window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = window->size();
    window->move(
        area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
}

void bringToFront(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace WindowPlacement
