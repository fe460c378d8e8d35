#pragma once

#include <QImage>
#include <QString>

// Draws the content as a MarkdownText laid out at the width (in logical
// pixels) and as tall as its rows, on a plain light ground, at the device
// pixel ratio.
QImage renderMarkdown(const QString &content, int width, qreal devicePixelRatio = 2.0);
