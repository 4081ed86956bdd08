#include "tools/skin/image_output.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>

#include "tools/skin/gif_writer.h"
#include "tools/skin/palette.h"

namespace skin {

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

bool SaveSkinImage(const QImage& image, const std::string& path, std::string* error) {
  const QString file = QString::fromStdString(path);
  if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
    *error = "cannot create the folder of " + path;
    return false;
  }
  QImage straight = image.convertToFormat(QImage::Format_ARGB32);
  if (EndsWith(path, ".gif")) {
    // Key-coloured pixels and transparent ones both become the GIF's transparent entry.
    const QRgb key = palette::Key().rgb();
    for (int y = 0; y < straight.height(); ++y) {
      QRgb* row = reinterpret_cast<QRgb*>(straight.scanLine(y));
      for (int x = 0; x < straight.width(); ++x) {
        if (row[x] == key) row[x] = qRgba(0xFF, 0x00, 0xFF, 0);
      }
    }
    return WriteGif(straight, path, error);
  }
  QImageWriter writer(file, "png");
  writer.setQuality(0);  // PNG: strongest compression, still lossless
  if (!writer.write(straight)) {
    *error = "cannot write " + path + ": " + writer.errorString().toStdString();
    return false;
  }
  return true;
}

}  // namespace skin
