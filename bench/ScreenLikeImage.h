#pragma once

#include <QImage>

// Screens to benchmark image encoding on, drawn here so that every run sees
// the same pixels without files from elsewhere. Text is drawn with the
// system's fonts (DejaVu on a bare machine).

// A synthetic screenshot: window chrome with gradients, a sidebar, columns of
// text and a photo-like picture.
QImage screenLikeImage(int width = 3840, int height = 2160);

// A desktop: a photograph-like landscape as wallpaper with a panel, a dock,
// icons and three overlapping windows (a web page, a terminal, a file
// manager) with their shadows.
QImage desktopScreenImage(int width = 3840, int height = 2160);

// A document viewer showing a page of text: toolbar, page thumbnails, and a
// white page with headings, paragraphs, a list and a table.
QImage documentScreenImage(int width = 3840, int height = 2160);
