#include "vexo/ui/render/font.h"

#include <QFontMetrics>
#include <cstring>

QStringList VEXO_Font::FamiliesFor(const char* face) {
  const QString name = QString::fromUtf8(face != nullptr ? face : "");
  if (name == QStringLiteral("新宋体"))
    return {name, QStringLiteral("NSimSun"), QStringLiteral("SimSun"),
            QStringLiteral("WenQuanYi Micro Hei")};
  if (name == QStringLiteral("宋体"))
    return {name, QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
            QStringLiteral("WenQuanYi Micro Hei")};
  if (name == QStringLiteral("MS Sans Serif")) return {QStringLiteral("DejaVu Sans")};
  if (name.isEmpty()) return {QStringLiteral("WenQuanYi Micro Hei")};
  return {name, QStringLiteral("WenQuanYi Micro Hei")};
}

VEXO_Font::VEXO_Font(int height, int width, int escapement, int weight, const char* face)
    : height_(height), escapement_(escapement), weight_(weight) {
  font_.setFamilies(FamiliesFor(face));
  font_.setWeight(weight >= 600 ? QFont::Bold : QFont::Normal);
  font_.setStyleStrategy(QFont::PreferAntialias);
  if (height < 0) {
    font_.setPixelSize(-height);
  } else if (height > 0) {
    // The largest pixel size whose ascent plus descent fits the cell height.
    int size = height;
    for (; size > 1; --size) {
      font_.setPixelSize(size);
      const QFontMetrics metrics(font_);
      if (metrics.ascent() + metrics.descent() <= height) break;
    }
    font_.setPixelSize(size);
  }
  if (width > 0) {
    const int natural = QFontMetrics(font_).averageCharWidth();
    if (natural > 0) {
      int stretch = width * 100 / natural;
      if (stretch < 1) stretch = 1;
      if (stretch > 4000) stretch = 4000;
      font_.setStretch(stretch);
    }
  }
}
