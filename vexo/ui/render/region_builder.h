// Builds a region from the runs of "solid" pixels of each row: one rectangle one pixel high per
// maximal run, merged into the region in batches of 2000 rectangles. Internal to the toolkit.
#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>
#include <vector>

namespace vexo_detail {

// `solid(x, y)` tells whether pixel (x, y) belongs to the region.
template <class Solid>
QRegion RegionFromRuns(int width, int height, const Solid& solid) {
  constexpr std::size_t kBatch = 2000;
  QRegion result;
  std::vector<QRect> rects;
  rects.reserve(100);
  auto flush = [&] {
    if (rects.empty()) return;
    QRegion batch;
    batch.setRects(rects.data(), static_cast<int>(rects.size()));
    result = result.united(batch);
    rects.clear();
  };
  for (int y = 0; y < height; ++y) {
    int x = 0;
    while (x < width) {
      while (x < width && !solid(x, y)) ++x;
      if (x >= width) break;
      const int start = x;
      while (x < width && solid(x, y)) ++x;
      rects.emplace_back(start, y, x - start, 1);
      if (rects.size() >= kBatch) flush();
    }
  }
  flush();
  return result;
}

// Whether r, g, b all lie in [low byte, low byte + tolerance byte] (upper bound capped at 255),
// bytes of 0x00BBGGRR values.
inline bool InColourRange(int r, int g, int b, unsigned colour, unsigned tolerance) {
  auto inside = [](int v, unsigned low, unsigned tol) {
    const int lo = static_cast<int>(low & 0xFFu);
    int hi = lo + static_cast<int>(tol & 0xFFu);
    if (hi > 255) hi = 255;
    return v >= lo && v <= hi;
  };
  return inside(r, colour, tolerance) && inside(g, colour >> 8, tolerance >> 8) &&
         inside(b, colour >> 16, tolerance >> 16);
}

// Region of the pixels of `image` whose colour is outside the range (alpha ignored).
inline QRegion RegionOutsideColour(const QImage& image, unsigned colour, unsigned tolerance) {
  if (image.isNull()) return QRegion();
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  return RegionFromRuns(argb.width(), argb.height(), [&](int x, int y) {
    const QRgb p = reinterpret_cast<const QRgb*>(argb.constScanLine(y))[x];
    return !InColourRange(qRed(p), qGreen(p), qBlue(p), colour, tolerance);
  });
}

}  // namespace vexo_detail
