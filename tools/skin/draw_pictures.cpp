// Pictures: the user faces and hair, the program logo, the default program icon and the advertisements.
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include "tools/skin/canvas.h"
#include "tools/skin/glyphs.h"
#include "tools/skin/painters.h"
#include "tools/skin/palette.h"

namespace skin {

void DrawLogo(QPainter* painter, const QRectF& box);

namespace {

using namespace palette;

// Face coordinates are laid out in an 88 x 100 box; this maps them onto `box`.
void MapFaceBox(QPainter* p, const QRectF& box) {
  p->translate(box.topLeft());
  p->scale(box.width() / 88.0, box.height() / 100.0);
}

QImage FacePicture(int width, int height, bool female, bool hair) {
  QImage image = NewCanvas(width, height);
  QPainter painter;
  BeginPaint(&painter, &image);
  QRectF box(0, 0, width, height);
  if (hair) {
    DrawHair(&painter, box, female);
  } else {
    DrawFace(&painter, box, female);
  }
  painter.end();
  return image;
}

// Hair is keyed like the face, but its soft edges are blended over the face it is drawn on, so the two
// keyed images drawn in turn give a clean picture.
QImage KeyedHair(int width, int height, bool female, const QColor& backdrop) {
  QImage face = FacePicture(width, height, female, false);
  QImage hair = FacePicture(width, height, female, true);
  QImage base(width, height, QImage::Format_ARGB32_Premultiplied);
  base.fill(backdrop);
  {
    QPainter painter(&base);
    painter.drawImage(0, 0, face);
    painter.drawImage(0, 0, hair);
  }
  QImage result = base.convertToFormat(QImage::Format_ARGB32);
  QImage hair_alpha = hair.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y) {
    const QRgb* alpha_row = reinterpret_cast<const QRgb*>(hair_alpha.constScanLine(y));
    QRgb* row = reinterpret_cast<QRgb*>(result.scanLine(y));
    for (int x = 0; x < width; ++x) {
      if (qAlpha(alpha_row[x]) == 0) row[x] = Key().rgb();
    }
  }
  return result;
}

void DefaultProgramIcon(QPainter* p, const QRectF& box) {
  const qreal s = box.width() / 32.0;
  p->save();
  p->translate(box.topLeft());
  p->scale(s, s);
  FillBox(p, QRectF(3, 5, 26, 23), 3, Panel(), Body(), BorderStrong());
  QPainterPath top;
  top.addRoundedRect(QRectF(3.5, 5.5, 25, 6), 2.5, 2.5);
  top.addRect(QRectF(3.5, 8.5, 25, 3));
  p->fillPath(top.simplified(), Accent());
  p->fillRect(QRectF(7, 15, 12, 2), BorderStrong());
  p->fillRect(QRectF(7, 19, 18, 2), Border());
  p->fillRect(QRectF(7, 23, 15, 2), Border());
  p->restore();
}

// A catalogue program's icon of our own: a rounded tile in the program's hue with one or two
// characters of its name.
void ProgramIcon(QPainter* p, const QRectF& box, int hue, const QString& caption) {
  const qreal s = box.width() / 32.0;
  p->save();
  p->translate(box.topLeft());
  p->scale(s, s);
  FillBox(p, QRectF(1, 1, 30, 30), 7, QColor::fromHsv(hue, 140, 240), QColor::fromHsv(hue, 210, 190),
          QColor::fromHsv(hue, 220, 150));
  p->restore();
  const int size = caption.size() > 2 ? 10 : caption.size() == 2 ? 13 : 19;
  DrawCaption(p, box, caption, QColor(255, 255, 255), static_cast<int>(size * s), true);
}

void Advert(const ImageSpec& spec, QPainter* p) {
  const qreal w = spec.width;
  const qreal h = spec.height;
  const int style = spec.IntOption("style", 0);
  QColor from = style == 1 ? WarningLight() : style == 2 ? SuccessLight() : AccentLight();
  QColor to = style == 1 ? WarningDark() : style == 2 ? SuccessDark() : AccentDark();
  QLinearGradient gradient(0, 0, w, h);
  gradient.setColorAt(0, from);
  gradient.setColorAt(1, to);
  p->fillRect(QRectF(0, 0, w, h), gradient);
  p->save();
  p->setPen(Qt::NoPen);
  p->setBrush(QColor(255, 255, 255, 28));
  p->drawEllipse(QPointF(w * 0.85, h * 0.2), h * 0.9, h * 0.9);
  p->drawEllipse(QPointF(w * 0.65, h * 1.1), h * 0.6, h * 0.6);
  p->restore();
  std::vector<std::string> lines = spec.CaptionLines();
  const int big = style == 0 ? 24 : style == 2 ? 17 : 16;
  const int small = style == 0 ? 14 : 12;
  const qreal left = style == 0 ? 24 : 14;
  const qreal icon = style == 0 ? 64 : 0;
  if (icon > 0) DrawLogo(p, QRectF(w - icon - 28, (h - icon) / 2, icon, icon));
  qreal block = big + 6 + small;
  qreal y = (h - block) / 2;
  if (!lines.empty()) {
    DrawCaption(p, QRectF(left, y, w - left - icon - 30, big + 4), QString::fromStdString(lines[0]), TextOnAccent(),
                big, true, Qt::AlignLeft | Qt::AlignVCenter);
  }
  if (lines.size() > 1) {
    DrawCaption(p, QRectF(left, y + big + 6, w - left - icon - 30, small + 4), QString::fromStdString(lines[1]),
                QColor(255, 255, 255, 225), small, false, Qt::AlignLeft | Qt::AlignVCenter);
  }
}

}  // namespace

void DrawFace(QPainter* p, const QRectF& box, bool female) {
  p->save();
  MapFaceBox(p, box);
  p->setRenderHint(QPainter::Antialiasing, true);
  // Shoulders and clothes.
  QPainterPath body;
  body.moveTo(4, 100);
  body.cubicTo(6, 84, 18, 78, 34, 76);
  body.lineTo(54, 76);
  body.cubicTo(70, 78, 82, 84, 84, 100);
  body.closeSubpath();
  p->setPen(Qt::NoPen);
  p->setBrush(female ? ClothFemale() : ClothMale());
  p->drawPath(body);
  // Neck and collar.
  p->setBrush(SkinShade());
  p->drawRect(QRectF(36, 62, 16, 16));
  QPainterPath collar;
  collar.moveTo(35, 76);
  collar.lineTo(53, 76);
  collar.lineTo(44, 88);
  collar.closeSubpath();
  p->setBrush(Skin());
  p->drawPath(collar);
  // Ears and head.
  p->drawEllipse(QPointF(21, 45), 4, 6);
  p->drawEllipse(QPointF(67, 45), 4, 6);
  p->setPen(QPen(SkinShade(), 1));
  p->drawEllipse(QPointF(44, 42), 23, 27);
  // Eyes, brows, mouth.
  p->setPen(Qt::NoPen);
  p->setBrush(QColor(0x33, 0x26, 0x20));
  p->drawEllipse(QPointF(35, 45), 2.6, 3.2);
  p->drawEllipse(QPointF(53, 45), 2.6, 3.2);
  p->setBrush(Qt::white);
  p->drawEllipse(QPointF(35.8, 44), 0.9, 0.9);
  p->drawEllipse(QPointF(53.8, 44), 0.9, 0.9);
  QPen brow(female ? HairBrown() : HairDark(), female ? 1.2 : 1.8);
  brow.setCapStyle(Qt::RoundCap);
  p->setPen(brow);
  p->drawLine(QPointF(31, 38.5), QPointF(38.5, 37.5));
  p->drawLine(QPointF(49.5, 37.5), QPointF(57, 38.5));
  if (female) {
    p->setPen(Qt::NoPen);
    p->setBrush(QColor(0xF2, 0x8F, 0x9F, 110));
    p->drawEllipse(QPointF(30, 54), 4.5, 2.8);
    p->drawEllipse(QPointF(58, 54), 4.5, 2.8);
  }
  QPen mouth(QColor(0xC0, 0x60, 0x4A), 1.6);
  mouth.setCapStyle(Qt::RoundCap);
  p->setPen(mouth);
  p->setBrush(Qt::NoBrush);
  QPainterPath smile;
  smile.moveTo(38.5, 56);
  smile.quadTo(44, 61, 49.5, 56);
  p->drawPath(smile);
  p->restore();
}

void DrawHair(QPainter* p, const QRectF& box, bool female) {
  p->save();
  MapFaceBox(p, box);
  p->setRenderHint(QPainter::Antialiasing, true);
  QPainterPath hair;
  if (female) {
    QPainterPath outer;
    outer.addEllipse(QPointF(44, 38), 29, 31);
    outer.addRoundedRect(QRectF(15, 36, 58, 44), 10, 10);
    outer.setFillRule(Qt::WindingFill);  // the overlap of the two shapes is hair too
    QPainterPath window;
    window.moveTo(22, 90);
    window.lineTo(22, 46);
    window.cubicTo(26, 30, 40, 34, 48, 28);   // side-swept fringe
    window.cubicTo(56, 34, 64, 36, 66, 46);
    window.lineTo(66, 90);
    window.closeSubpath();
    // The face shows through only inside the head's outline; below the jaw the long hair falls behind
    // the neck.
    QPainterPath head;
    head.addEllipse(QPointF(44, 42), 23, 27);
    QPainterPath neck;
    neck.addRect(QRectF(35, 60, 18, 20));
    hair = outer.simplified().subtracted(window.intersected(head)).subtracted(neck);
  } else {
    QPainterPath outer;
    outer.addEllipse(QPointF(44, 37), 25, 23);
    QPainterPath upper;
    upper.addRect(QRectF(0, 0, 88, 44));
    QPainterPath window;
    window.moveTo(23, 60);
    window.lineTo(24, 40);
    window.cubicTo(30, 30, 40, 33, 46, 28);
    window.cubicTo(52, 33, 60, 31, 64, 40);
    window.lineTo(65, 60);
    window.closeSubpath();
    hair = outer.intersected(upper).subtracted(window);
  }
  QLinearGradient gradient(0, 8, 0, 80);
  gradient.setColorAt(0, female ? Mix(HairBrown(), Qt::white, 0.12) : Mix(HairDark(), Qt::white, 0.12));
  gradient.setColorAt(1, female ? HairBrown() : HairDark());
  p->setPen(Qt::NoPen);
  p->setBrush(gradient);
  p->drawPath(hair);
  p->restore();
}

void DrawLogo(QPainter* p, const QRectF& box) {
  p->save();
  p->setRenderHint(QPainter::Antialiasing, true);
  const qreal s = box.width();
  QLinearGradient gradient(box.topLeft(), box.bottomLeft());
  gradient.setColorAt(0, AccentHot());
  gradient.setColorAt(1, AccentDark());
  p->setPen(QPen(QColor(255, 255, 255, 200), qMax<qreal>(1, s / 24)));
  p->setBrush(gradient);
  p->drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), s * 0.22, s * 0.22);
  DrawGlyph(p, QStringLiteral("download"), box.adjusted(s * 0.16, s * 0.16, -s * 0.16, -s * 0.16), TextOnAccent());
  p->restore();
}

bool PaintPicture(const ImageSpec& spec, QImage* image, std::string* error) {
  const bool female = spec.Option("sex") == "f";
  if (spec.kind == "face") {
    *image = KeyOut(FacePicture(spec.width, spec.height, female, false), Panel());
    return true;
  }
  if (spec.kind == "hair") {
    *image = KeyedHair(spec.width, spec.height, female, Panel());
    return true;
  }
  QPainter painter;
  BeginPaint(&painter, image);
  if (spec.kind == "appicon") {
    if (spec.role == "logo") {
      DrawLogo(&painter, QRectF(0, 0, spec.width, spec.height));
      painter.end();
    } else if (spec.role == "program") {
      ProgramIcon(&painter, QRectF(0, 0, spec.width, spec.height), spec.IntOption("hue", 210),
                  QString::fromStdString(spec.caption));
      painter.end();
    } else {
      DefaultProgramIcon(&painter, QRectF(0, 0, spec.width, spec.height));
      painter.end();
      *image = KeyOut(*image, Panel());
    }
    return true;
  }
  if (spec.kind == "advert") {
    Advert(spec, &painter);
    painter.end();
    return true;
  }
  painter.end();
  *error = "line " + std::to_string(spec.line) + ": unknown picture kind \"" + spec.kind + "\"";
  return false;
}

}  // namespace skin
