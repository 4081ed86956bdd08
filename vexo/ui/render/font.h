// A logical font as the program describes it (height in the CreateFont sense, width, rotation,
// weight, face), realised as a QFont. A negative height asks for that character (pixel) height;
// a positive one for the pixel size whose ascent plus descent equals it. The Chinese face maps to
// an installed CJK family through fontconfig; "MS Sans Serif" to DejaVu Sans.
#pragma once

#include <QFont>
#include <QStringList>

#include "vexo/export.h"

class VEXO_API VEXO_Font {
 public:
  // Needs a QGuiApplication. escapement: text angle in tenths of a degree, counter-clockwise.
  VEXO_Font(int height, int width, int escapement, int weight, const char* face);

  const QFont& GetQFont() const { return font_; }
  int GetHeight() const { return height_; }
  int GetEscapement() const { return escapement_; }
  int GetWeight() const { return weight_; }

  // The families tried for a face name, in order.
  static QStringList FamiliesFor(const char* face);

 private:
  QFont font_;
  int height_;
  int escapement_;
  int weight_;
};
