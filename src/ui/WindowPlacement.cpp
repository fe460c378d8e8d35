#include "WindowPlacement.h"

#include <QApplication>
#include <QDialog>
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

namespace {

// Where a frame of `frame` long goes along one side of `area`: in the
// middle, or at the start when it is longer.
int place(int frame, int areaStart, int areaLength)
{
    return frame <= areaLength ? areaStart + (areaLength - frame) / 2 : areaStart;
}

} // namespace

QRect fit(const QSize &size, const QSize &minimum, const QMargins &frame, const QRect &area)
{
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    const QSize content(qMax(minimum.width(), qMin(size.width(), area.width() - frameWidth)),
        qMax(minimum.height(), qMin(size.height(), area.height() - frameHeight)));
    return QRect(QPoint(place(content.width() + frameWidth, area.x(), area.width()) + frame.left(),
                     place(content.height() + frameHeight, area.y(), area.height()) + frame.top()),
        content);
}

QRect availableArea()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(QPoint(), fallbackScreenSize.toSize());
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

void bringToFront(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace WindowPlacement

namespace WindowPlacement {

void returnKeyboardWhenClosed(QDialog *dialog)
{
    QWidget *parent = dialog->parentWidget();
    if (!parent)
        return;
    QObject::connect(dialog, &QDialog::finished, parent->window(), [window = parent->window(), dialog] {
        const QWidget *active = QApplication::activeWindow();
        if (window->isVisible() && (!active || active == dialog))
            bringToFront(window);
    });
}

} // namespace WindowPlacement
