// What a picture of a graph pane holds besides its background.
#pragma once

#include <QImage>

// Pixels of the picture unlike its lower-left one (the graph's background).
inline int PixelsOffBackground(const QImage& image) {
  const QRgb background = image.pixel(2, image.height() - 3);
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) != background ? 1 : 0;
  return count;
}
