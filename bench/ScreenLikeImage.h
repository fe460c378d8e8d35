#pragma once

#include <QImage>

// A synthetic screenshot for benchmarks: window chrome with gradients, a
// sidebar, columns of text and a photo-like picture, as a screen shows them;
// the same pixels on every run.
QImage screenLikeImage(int width = 3840, int height = 2160);
