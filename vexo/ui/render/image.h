// One decoded bitmap of the skin. Pixels are held as 32-bit premultiplied ARGB whatever the
// source format (PNG, GIF, JPEG, BMP, ICO); HasAlpha() tells whether the source carried an alpha
// channel (GIF transparency counts). Images handed out by the resource manager belong to it.
#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>
#include <cstddef>
#include <cstdint>
#include <string>

#include "vexo/export.h"

class QPainter;

class VEXO_API VEXO_Image {
 public:
  VEXO_Image();
  virtual ~VEXO_Image();

  // Decodes the file at the work path joined with `name` and records its path. 1/0.
  int Load(const char* name);
  // Decodes the file at exactly `path`. 1/0.
  int LoadPath(const char* path);
  // Decodes an image held in memory. 1/0.
  int Load(const void* data, std::size_t size);
  // Takes a copy of an image made in code (converted to premultiplied ARGB). 1/0 (0 when null).
  int Attach(const QImage& image);
  void Destroy();

  bool IsNull() const { return image_.isNull(); }
  int GetWidth() const { return image_.width(); }
  int GetHeight() const { return image_.height(); }
  int GetBPP() const { return image_.isNull() ? 0 : image_.depth(); }
  int GetPitch() const { return image_.isNull() ? 0 : static_cast<int>(image_.bytesPerLine()); }
  bool HasAlpha() const { return has_alpha_; }
  // The file it was loaded from; empty for images decoded from memory.
  const char* GetPath() const { return path_.c_str(); }
  // The pixels (QImage::Format_ARGB32_Premultiplied).
  const QImage& GetQImage() const { return image_; }

  // Draws the whole image (or `source`) onto `rect` with the image's own transparency,
  // nearest-neighbour when scaled.
  void Draw(QPainter* painter, const QRect& rect) const;
  void Draw(QPainter* painter, const QRect& rect, const QRect& source) const;
  void Draw(QPainter* painter, int x, int y) const;
  // The same with smooth scaling.
  void DrawSmooth(QPainter* painter, const QRect& rect) const;
  void DrawSmooth(QPainter* painter, const QRect& rect, const QRect& source) const;

  // Region of the pixels that are not transparent: a pixel is transparent when each of its red,
  // green and blue values lies in [colour byte, colour byte + tolerance byte] (capped at 255),
  // or when it is fully transparent (alpha 0). Colour and tolerance are 0x00BBGGRR values.
  // Coordinates are relative to the image's top-left corner; empty for a null image.
  QRegion CreateRgn(std::uint32_t colour, std::uint32_t tolerance) const;

  // Exchanges width and height, moving pixel (x, y) to (y, x). 1, or 0 for an empty image.
  int Rotate90();

  // A copy whose pixels of exactly colour `key` (0x00BBGGRR) have alpha 0; cached until the
  // key or the image changes.
  const QImage& KeyedCopy(std::uint32_t key) const;

  VEXO_Image(const VEXO_Image&) = delete;
  VEXO_Image& operator=(const VEXO_Image&) = delete;

 private:
  int Adopt(QImage decoded);

  QImage image_;
  bool has_alpha_ = false;
  std::string path_;
  mutable QImage keyed_;
  mutable std::uint32_t keyed_colour_ = 0xFFFFFFFFu;
};
