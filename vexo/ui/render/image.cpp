#include "vexo/ui/render/image.h"

#include <QPainter>
#include <cstdint>
#include <cstdio>

#include "core/files/file_system.h"
#include "core/text/path.h"
#include "vexo/ui/render/region_builder.h"

namespace {

// Reads a whole file (descriptor closed on exec). Empty on failure.
bool ReadFileBytes(const std::string& path, QByteArray* out) {
  std::FILE* f = std::fopen(path.c_str(), "rbe");
  if (f == nullptr) return false;
  QByteArray data;
  char chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.append(chunk, static_cast<qsizetype>(n));
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  if (!ok) return false;
  *out = std::move(data);
  return true;
}

// Draws with nearest-neighbour or smooth scaling, leaving the painter's hints as they were.
void DrawScaled(QPainter* painter, const QRect& rect, const QImage& image, const QRect& source,
                bool smooth) {
  if (painter == nullptr || image.isNull() || rect.width() <= 0 || rect.height() <= 0 ||
      source.width() <= 0 || source.height() <= 0)
    return;
  const bool was_smooth = painter->testRenderHint(QPainter::SmoothPixmapTransform);
  painter->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
  painter->drawImage(QRectF(rect), image, QRectF(source));
  painter->setRenderHint(QPainter::SmoothPixmapTransform, was_smooth);
}

}  // namespace

VEXO_Image::VEXO_Image() = default;
VEXO_Image::~VEXO_Image() = default;

int VEXO_Image::Load(const char* name) {
  if (name == nullptr) return 0;
  return LoadPath(ds::FileSystem::Instance()->CombineWorkPath(std::string(name)).c_str());
}

int VEXO_Image::LoadPath(const char* path) {
  Destroy();
  if (path == nullptr || *path == '\0') return 0;
  const std::string native = ds::NativePath(path);
  QByteArray data;
  if (!ReadFileBytes(native, &data)) return 0;
  if (!Load(data.constData(), static_cast<std::size_t>(data.size()))) return 0;
  path_ = path;
  return 1;
}

int VEXO_Image::Load(const void* data, std::size_t size) {
  Destroy();
  if (data == nullptr || size == 0) return 0;
  QImage decoded;
  if (size > static_cast<std::size_t>(INT32_MAX)) return 0;
  const QByteArray bytes = QByteArray::fromRawData(static_cast<const char*>(data), static_cast<qsizetype>(size));
  if (!decoded.loadFromData(bytes)) return 0;
  return Adopt(std::move(decoded));
}

int VEXO_Image::Attach(const QImage& image) {
  Destroy();
  return Adopt(image);
}

int VEXO_Image::Adopt(QImage decoded) {
  if (decoded.isNull()) return 0;
  has_alpha_ = decoded.hasAlphaChannel();
  // The one premultiplication: images are held premultiplied and drawn source-over.
  image_ = decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (image_.isNull()) {
    has_alpha_ = false;
    return 0;
  }
  return 1;
}

void VEXO_Image::Destroy() {
  image_ = QImage();
  keyed_ = QImage();
  keyed_colour_ = 0xFFFFFFFFu;
  has_alpha_ = false;
  path_.clear();
}

void VEXO_Image::Draw(QPainter* painter, const QRect& rect) const {
  DrawScaled(painter, rect, image_, image_.rect(), false);
}

void VEXO_Image::Draw(QPainter* painter, const QRect& rect, const QRect& source) const {
  DrawScaled(painter, rect, image_, source, false);
}

void VEXO_Image::Draw(QPainter* painter, int x, int y) const {
  DrawScaled(painter, QRect(x, y, image_.width(), image_.height()), image_, image_.rect(), false);
}

void VEXO_Image::DrawSmooth(QPainter* painter, const QRect& rect) const {
  DrawScaled(painter, rect, image_, image_.rect(), true);
}

void VEXO_Image::DrawSmooth(QPainter* painter, const QRect& rect, const QRect& source) const {
  DrawScaled(painter, rect, image_, source, true);
}

QRegion VEXO_Image::CreateRgn(std::uint32_t colour, std::uint32_t tolerance) const {
  if (image_.isNull()) return QRegion();
  return vexo_detail::RegionFromRuns(image_.width(), image_.height(), [&](int x, int y) {
    const QRgb p = reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x];
    if (qAlpha(p) == 0) return false;
    const QRgb s = qUnpremultiply(p);
    return !vexo_detail::InColourRange(qRed(s), qGreen(s), qBlue(s), colour, tolerance);
  });
}

int VEXO_Image::Rotate90() {
  if (image_.isNull()) return 0;
  const int w = image_.width();
  const int h = image_.height();
  QImage turned(h, w, image_.format());
  if (turned.isNull()) return 0;
  for (int y = 0; y < h; ++y) {
    const QRgb* src = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
    for (int x = 0; x < w; ++x) reinterpret_cast<QRgb*>(turned.scanLine(x))[y] = src[x];
  }
  image_ = std::move(turned);
  keyed_ = QImage();
  keyed_colour_ = 0xFFFFFFFFu;
  return 1;
}

const QImage& VEXO_Image::KeyedCopy(std::uint32_t key) const {
  if (!keyed_.isNull() && keyed_colour_ == key) return keyed_;
  keyed_ = image_.copy();
  const int r = static_cast<int>(key & 0xFFu);
  const int g = static_cast<int>((key >> 8) & 0xFFu);
  const int b = static_cast<int>((key >> 16) & 0xFFu);
  for (int y = 0; y < keyed_.height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(keyed_.scanLine(y));
    for (int x = 0; x < keyed_.width(); ++x) {
      if (qAlpha(row[x]) == 0) continue;
      const QRgb s = qUnpremultiply(row[x]);
      if (qRed(s) == r && qGreen(s) == g && qBlue(s) == b) row[x] = 0;
    }
  }
  keyed_colour_ = key;
  return keyed_;
}
