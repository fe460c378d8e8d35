#include "MarkdownRendering.h"

#include "ui/Palette.h"
#include "ui/markup/MarkdownText.h"

#include <QLayout>
#include <QPainter>

QImage renderMarkdown(const QString &content, int width, qreal devicePixelRatio)
{
    MarkdownText view(content);
    view.resize(width, view.heightForWidth(width));
    view.layout()->activate();

    QImage image(view.size() * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Palette::controlBackground());
    QPainter painter(&image);
    view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}
