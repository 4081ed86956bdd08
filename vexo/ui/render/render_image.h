// Draws an image (or a part of it) stretched onto a rectangle, with an optional colour key or a
// constant opacity, and turns the image into a region. The image is borrowed, not owned.
//
// The drawing rule, for one source rectangle S onto one destination rectangle D:
// - opacity 255 and no colour key: the image's own transparency (per-pixel alpha);
// - opacity 255 and a colour key: pixels of exactly the key colour are left out;
// - opacity below 255: the image drawn with that constant opacity (colour key not applied).
// Scaling is nearest-neighbour except in DrawSmooth. Cells of zero or negative size draw
// nothing. Rectangles are QRect(x, y, width, height).
#pragma once

#include <QRect>
#include <QRegion>
#include <cstdint>

#include "vexo/export.h"

class QPainter;
class VEXO_Image;

class VEXO_API VEXO_RenderImage {
 public:
  VEXO_RenderImage();
  virtual ~VEXO_RenderImage();

  int Init(VEXO_Image* image);
  VEXO_Image* GetImage() const { return image_; }
  // 0x00BBGGRR, or 0xFFFFFFFF for none (the initial value).
  void SetTransparentColor(std::uint32_t colour) { transparent_ = colour; }
  std::uint32_t GetTransparentColor() const { return transparent_; }
  // Constant opacity 0..255, 255 initially.
  void SetAlpha(std::uint8_t alpha) { alpha_ = alpha; }
  std::uint8_t GetAlpha() const { return alpha_; }

  // Region of the first of `states` equal images side by side, stretched to rect's size over a
  // magenta background (callers pass magenta 0xFF00FF as `colour`). Relative to rect's corner.
  virtual QRegion CreateRgnBt(const QRect& rect, std::uint32_t colour, std::uint32_t tolerance,
                              int states);
  // Region of the whole image stretched to rect's size (over black). Relative to rect's corner.
  virtual QRegion CreateRgn(const QRect& rect, std::uint32_t colour, std::uint32_t tolerance);
  virtual void Draw(QPainter* painter, const QRect& rect, const QRect& source);
  virtual void Draw(QPainter* painter, const QRect& rect);
  virtual void DrawSmooth(QPainter* painter, const QRect& rect, const QRect& source);
  virtual void DrawSmooth(QPainter* painter, const QRect& rect);

 protected:
  // Applies the drawing rule to one cell. `smooth` asks for smooth scaling, which is used only
  // for opaque images drawn without a colour key.
  void DrawCell(QPainter* painter, const QRect& dest, const QRect& source, bool smooth) const;

  VEXO_Image* image_ = nullptr;
  std::uint32_t transparent_ = 0xFFFFFFFFu;
  std::uint8_t alpha_ = 255;
};
