#include "vexo/ui/render/icon.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <algorithm>
#include <cstdio>
#include <string>

#include "core/pe/icon_resource.h"

namespace {

QByteArray ReadBytes(const char* path) {
  QByteArray data;
  std::FILE* f = std::fopen(path, "rbe");
  if (f == nullptr) return data;
  char chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.append(chunk, static_cast<qsizetype>(n));
  std::fclose(f);
  return data;
}

bool IsExecutable(const QByteArray& data) { return data.size() >= 2 && data[0] == 'M' && data[1] == 'Z'; }

}  // namespace

VEXO_Icon::VEXO_Icon(const QIcon& icon) : icon_(icon) {}

VEXO_Icon::VEXO_Icon(const std::vector<QImage>& sizes) {
  for (const QImage& image : sizes) {
    if (image.isNull()) continue;
    images_.push_back(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    icon_.addPixmap(QPixmap::fromImage(images_.back()));
  }
  std::stable_sort(images_.begin(), images_.end(),
                   [](const QImage& a, const QImage& b) { return a.width() < b.width(); });
}

VEXO_Icon* VEXO_Icon::FromFile(const char* path) { return FromFile(path, 0); }

VEXO_Icon* VEXO_Icon::FromFile(const char* path, long index) {
  if (path == nullptr) return nullptr;
  return FromData(ReadBytes(path), index);
}

VEXO_Icon* VEXO_Icon::FromData(const QByteArray& bytes) { return FromData(bytes, 0); }

VEXO_Icon* VEXO_Icon::FromData(const QByteArray& bytes, long index) {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
  QByteArray data = bytes;
  if (IsExecutable(data)) {
    // A program's icon lives in its resources: rebuilt there as an .ico file of its own.
    std::string ico;
    if (!ds::ExtractIconGroupAt(reinterpret_cast<const unsigned char*>(data.constData()),
                                static_cast<std::size_t>(data.size()), index, ico)) {
      return nullptr;
    }
    data = QByteArray(ico.data(), static_cast<qsizetype>(ico.size()));
  } else if (index != 0) {
    return nullptr;  // an icon or image file holds one icon: only index 0 names it
  }
  if (data.isEmpty()) return nullptr;
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  std::vector<QImage> images;
  // An icon file holds several sizes; a damaged entry ends the list, keeping the ones before it.
  constexpr int kMostImages = 64;
  do {
    QImage image = reader.read();
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) break;
    images.push_back(image);
  } while (static_cast<int>(images.size()) < kMostImages && reader.jumpToNextImage());
  if (images.empty()) return nullptr;
  return new VEXO_Icon(images);
}

QPixmap VEXO_Icon::Pixmap(int size) const {
  if (size <= 0) return QPixmap();
  if (images_.empty()) return icon_.pixmap(size, size);
  const QImage* chosen = &images_.back();  // the largest, when none is big enough
  for (const QImage& image : images_) {
    if (image.width() >= size) {
      chosen = &image;
      break;
    }
  }
  if (chosen->width() == size && chosen->height() == size) return QPixmap::fromImage(*chosen);
  return QPixmap::fromImage(
      chosen->scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

std::vector<int> VEXO_Icon::Sizes() const {
  std::vector<int> sizes;
  for (const QImage& image : images_) sizes.push_back(image.width());
  return sizes;
}
