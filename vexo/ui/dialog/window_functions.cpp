#include "vexo/ui/dialog/window_functions.h"

#include <QGuiApplication>
#include <QImage>
#include <QInputMethod>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include "vexo/ui/dialog/message_pos.h"
#include "vexo/ui/render/region_builder.h"

bool VEXO_PointIsInRect(const QWidget* window, const QRect* rects, int* index, int count) {
  if (window == nullptr || rects == nullptr || count <= 0) return false;
  const QPoint p = window->mapFromGlobal(VEXO_GetMessagePos());
  for (int i = 0; i < count; ++i) {
    const QRect& r = rects[i];
    // Edges included: the right edge is x + width, as in the window system's rectangles.
    if (p.x() >= r.x() && p.x() <= r.x() + r.width() && p.y() >= r.y() &&
        p.y() <= r.y() + r.height()) {
      if (index != nullptr) *index = i;
      return true;
    }
  }
  return false;
}

void VEXO_DisableIME(int& context, QWidget* window) {
  if (window == nullptr) return;
  context = window->testAttribute(Qt::WA_InputMethodEnabled) ? 1 : 0;
  if (context == 0) return;
  window->setAttribute(Qt::WA_InputMethodEnabled, false);
  if (window->hasFocus() && QGuiApplication::inputMethod() != nullptr)
    QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

void VEXO_EnableIME(int& context, QWidget* window) {
  if (window == nullptr || context == 0) return;
  window->setAttribute(Qt::WA_InputMethodEnabled, true);
  if (window->hasFocus() && QGuiApplication::inputMethod() != nullptr)
    QGuiApplication::inputMethod()->update(Qt::ImEnabled);
  context = 0;
}

QRegion VEXO_Bmp2Rgn(const QImage* bitmap, std::uint32_t colour, std::uint32_t tolerance) {
  if (bitmap == nullptr || bitmap->isNull()) return QRegion();
  // Each channel is tested against its own byte of the colour (red against the low byte).
  return vexo_detail::RegionOutsideColour(*bitmap, colour, tolerance);
}

QRegion Test_Bmp2Rgn(QPainter*, const QImage* bitmap, std::uint32_t colour) {
  if (bitmap == nullptr || bitmap->isNull()) return QRegion();
  const QColor key(static_cast<int>(colour & 0xFFu), static_cast<int>((colour >> 8) & 0xFFu),
                   static_cast<int>((colour >> 16) & 0xFFu));
  QRegion region;
  for (int y = 0; y < bitmap->height(); ++y) {
    int x = 0;
    while (x < bitmap->width()) {
      while (x < bitmap->width() && bitmap->pixelColor(x, y).rgb() == key.rgb()) ++x;
      const int start = x;
      while (x < bitmap->width() && bitmap->pixelColor(x, y).rgb() != key.rgb()) ++x;
      if (x > start) region = region.united(QRect(start, y, x - start, 1));
    }
  }
  return region;
}

namespace {

QImage ImageOf(QPaintDevice* device) {
  if (device == nullptr) return QImage();
  switch (device->devType()) {
    case QInternal::Image:
      return *static_cast<QImage*>(device);
    case QInternal::Pixmap:
      return static_cast<QPixmap*>(device)->toImage();
    case QInternal::Widget:
      return static_cast<QWidget*>(device)->grab().toImage();
    default:
      return QImage();
  }
}

}  // namespace

bool VEXO_StretchImage(QPainter* dest, int x, int y, int w, int h, const QImage* bitmap, int sx,
                       int sy, int sw, int sh, std::uint32_t colour) {
  if (dest == nullptr || bitmap == nullptr || bitmap->isNull() || w <= 0 || h <= 0 || sw <= 0 ||
      sh <= 0)
    return true;
  // Source pixels of exactly the transparent colour get alpha 0; the rest are opaque, as a
  // mask blit would treat them.
  QImage part = bitmap->copy(sx, sy, sw, sh).convertToFormat(QImage::Format_ARGB32);
  const QRgb key = qRgb(static_cast<int>(colour & 0xFFu), static_cast<int>((colour >> 8) & 0xFFu),
                        static_cast<int>((colour >> 16) & 0xFFu));
  for (int row = 0; row < part.height(); ++row) {
    QRgb* p = reinterpret_cast<QRgb*>(part.scanLine(row));
    for (int col = 0; col < part.width(); ++col)
      p[col] = (p[col] & 0x00FFFFFFu) == (key & 0x00FFFFFFu) ? 0u : (p[col] | 0xFF000000u);
  }
  const bool was_smooth = dest->testRenderHint(QPainter::SmoothPixmapTransform);
  dest->setRenderHint(QPainter::SmoothPixmapTransform, false);
  dest->drawImage(QRect(x, y, w, h), part);
  dest->setRenderHint(QPainter::SmoothPixmapTransform, was_smooth);
  return true;
}

bool VEXO_StretchBlt(QPainter* dest, int x, int y, int w, int h, QPaintDevice* source, int sx,
                     int sy, int sw, int sh, std::uint32_t colour) {
  const QImage image = ImageOf(source);
  return VEXO_StretchImage(dest, x, y, w, h, &image, sx, sy, sw, sh, colour);
}
