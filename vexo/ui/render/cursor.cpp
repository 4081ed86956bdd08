#include "vexo/ui/render/cursor.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <cstdio>

namespace {

unsigned Le16(const std::string& b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

}  // namespace

bool VEXO_Cursor::ReadHotspot(const std::string& bytes, int* x, int* y) {
  // Directory: reserved 0, type 2 (cursor), count; then 16-byte entries whose planes and bit
  // count fields hold the hotspot.
  if (bytes.size() < 6 + 16) return false;
  if (Le16(bytes, 0) != 0 || Le16(bytes, 2) != 2 || Le16(bytes, 4) == 0) return false;
  if (x != nullptr) *x = static_cast<int>(Le16(bytes, 6 + 4));
  if (y != nullptr) *y = static_cast<int>(Le16(bytes, 6 + 6));
  return true;
}

VEXO_Cursor* VEXO_Cursor::FromFile(const char* path) {
  if (path == nullptr || qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
    return nullptr;
  std::FILE* f = std::fopen(path, "rbe");
  if (f == nullptr) return nullptr;
  std::string bytes;
  char chunk[16384];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
  std::fclose(f);
  int hx = 0;
  int hy = 0;
  if (!ReadHotspot(bytes, &hx, &hy)) return nullptr;
  // The icon decoder reads cursor files too (same layout, type 2).
  QImage image;
  if (!image.loadFromData(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())),
                          "ICO"))
    return nullptr;
  return new VEXO_Cursor(QCursor(QPixmap::fromImage(image), hx, hy));
}
