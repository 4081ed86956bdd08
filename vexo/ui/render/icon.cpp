#include "vexo/ui/render/icon.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <cstdio>

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

}  // namespace

VEXO_Icon::VEXO_Icon(const QIcon& icon) : icon_(icon) {}

VEXO_Icon* VEXO_Icon::FromFile(const char* path) {
  if (path == nullptr || qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
    return nullptr;
  QByteArray data = ReadBytes(path);
  if (data.isEmpty()) return nullptr;
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  // An icon file holds several sizes: prefer the 16 x 16 one, else the first.
  QImage first;
  QImage small;
  do {
    QImage image = reader.read();
    if (image.isNull()) break;
    if (first.isNull()) first = image;
    if (image.width() == 16 && image.height() == 16) {
      small = image;
      break;
    }
  } while (reader.jumpToNextImage());
  if (first.isNull()) return nullptr;
  if (small.isNull())
    small = first.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return new VEXO_Icon(QIcon(QPixmap::fromImage(small)));
}

QPixmap VEXO_Icon::Small() const { return icon_.pixmap(16, 16); }
