#include "tools/skin/canvas.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRawFont>

#include <cmath>
#include <map>

#include "tools/skin/palette.h"

#ifndef SKIN_CAPTION_FONT
#define SKIN_CAPTION_FONT "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
#endif

namespace skin {

namespace {

// Captions are drawn from the glyph outlines of one font file, unhinted, and filled by Qt's own
// rasteriser: no font matching, hinting or anti-aliasing setting of the machine takes part, so
// every run on every machine draws the same pixels.
const QRawFont& RawFont(int pixel_size) {
  static std::map<int, QRawFont> fonts;
  auto found = fonts.find(pixel_size);
  if (found == fonts.end()) {
    found = fonts.emplace(pixel_size, QRawFont(QString::fromUtf8(SKIN_CAPTION_FONT), pixel_size,
                                               QFont::PreferNoHinting)).first;
  }
  return found->second;
}

// Synthetic bold: the outline is stroked as well as filled, by this much.
qreal BoldStroke(int pixel_size) { return pixel_size / 20.0; }

struct ShapedLine {
  QList<quint32> glyphs;
  QList<QPointF> advances;
  qreal width = 0;
};

ShapedLine Shape(const QString& text, int pixel_size, bool bold) {
  const QRawFont& font = RawFont(pixel_size);
  ShapedLine line;
  line.glyphs = font.glyphIndexesForString(text);
  line.advances = font.advancesForGlyphIndexes(line.glyphs, QRawFont::UseDesignMetrics);
  for (const QPointF& advance : line.advances) line.width += advance.x();
  if (bold && !line.glyphs.isEmpty()) line.width += BoldStroke(pixel_size);
  return line;
}

QPainterPath LinePath(const ShapedLine& line, int pixel_size, const QPointF& origin) {
  const QRawFont& font = RawFont(pixel_size);
  QPainterPath path;
  QPointF pen = origin;
  for (int i = 0; i < line.glyphs.size(); ++i) {
    path.addPath(font.pathForGlyph(line.glyphs[i]).translated(pen));
    pen.rx() += line.advances[i].x();
  }
  return path;
}

}  // namespace

bool CaptionFontUsable(std::string* error) {
  const QRawFont& font = RawFont(12);
  if (font.isValid() && font.supportsCharacter(QChar(0x8F6F))) return true;  // 软
  *error = "cannot load the caption font " + std::string(SKIN_CAPTION_FONT);
  return false;
}

QImage NewCanvas(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

void BeginPaint(QPainter* painter, QImage* image) {
  painter->begin(image);
  painter->setRenderHint(QPainter::Antialiasing, true);
  painter->setRenderHint(QPainter::TextAntialiasing, true);
  painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
}

void DrawCaption(QPainter* painter, const QRectF& box, const QString& text, const QColor& colour, int pixel_size,
                 bool bold, int flags, bool underline) {
  const QRawFont& font = RawFont(pixel_size);
  const QStringList lines = text.split(QLatin1Char('\n'));
  const qreal line_height = font.ascent() + font.descent();
  const qreal total = lines.size() * line_height + (lines.size() - 1) * font.leading();
  qreal top = box.top();
  if (flags & Qt::AlignBottom) top = box.bottom() - total;
  else if (flags & Qt::AlignVCenter) top = box.top() + (box.height() - total) / 2;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, true);
  for (int i = 0; i < lines.size(); ++i) {
    const ShapedLine line = Shape(lines[i], pixel_size, bold);
    qreal left = box.left();
    if (flags & Qt::AlignRight) left = box.right() - line.width;
    else if (flags & Qt::AlignHCenter) left = box.left() + (box.width() - line.width) / 2;
    // Whole-pixel origins keep stems on the same pixel columns in every state cell.
    const QPointF origin(std::round(left), std::round(top + font.ascent() + i * (line_height + font.leading())));
    const QPainterPath path = LinePath(line, pixel_size, origin);
    painter->fillPath(path, colour);
    if (bold) painter->strokePath(path, QPen(colour, BoldStroke(pixel_size), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (underline) {
      painter->fillRect(QRectF(origin.x(), origin.y() + 2, std::round(line.width), 1), colour);
    }
  }
  painter->restore();
}

qreal CaptionWidth(const QString& text, int pixel_size, bool bold) {
  qreal width = 0;
  for (const QString& line : text.split(QLatin1Char('\n'))) width = qMax(width, Shape(line, pixel_size, bold).width);
  return width;
}

QPainterPath RoundedBox(const QRectF& box, qreal radius) {
  QPainterPath path;
  QRectF inner = box.adjusted(0.5, 0.5, -0.5, -0.5);
  if (radius <= 0) {
    path.addRect(inner);
  } else {
    path.addRoundedRect(inner, radius, radius);
  }
  return path;
}

void FillBox(QPainter* painter, const QRectF& box, qreal radius, const QColor& top, const QColor& bottom,
             const QColor& border) {
  QLinearGradient gradient(box.topLeft(), box.bottomLeft());
  gradient.setColorAt(0, top);
  gradient.setColorAt(1, bottom);
  painter->save();
  painter->setPen(border.isValid() ? QPen(border, 1) : QPen(Qt::NoPen));
  painter->setBrush(gradient);
  painter->drawPath(RoundedBox(box, radius));
  painter->restore();
}

QColor Mix(const QColor& a, const QColor& b, qreal amount) {
  auto mix = [amount](int x, int y) { return static_cast<int>(x + (y - x) * amount + 0.5); };
  return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()),
                mix(a.alpha(), b.alpha()));
}

StateLook ButtonLook(const QString& role, int state) {
  using namespace palette;
  StateLook look;
  if (state == 3) {
    look.top = DisabledFill();
    look.bottom = DisabledFill();
    look.border = DisabledBorder();
    look.text = DisabledText();
    if (role == QLatin1String("link") || role == QLatin1String("flat")) look.filled = false;
    return look;
  }
  auto coloured = [&](const QColor& light, const QColor& base, const QColor& dark) {
    look.text = TextOnAccent();
    if (state == 0) {
      look.top = light;
      look.bottom = base;
      look.border = dark;
    } else if (state == 1) {
      look.top = Mix(light, Qt::white, 0.25);
      look.bottom = Mix(base, Qt::white, 0.2);
      look.border = dark;
    } else {
      look.top = dark;
      look.bottom = base;
      look.border = Mix(dark, Qt::black, 0.15);
    }
  };
  if (role == QLatin1String("primary")) {
    coloured(AccentLight(), Accent(), AccentDark());
  } else if (role == QLatin1String("success")) {
    coloured(SuccessLight(), Success(), SuccessDark());
  } else if (role == QLatin1String("warning")) {
    coloured(WarningLight(), Warning(), WarningDark());
  } else if (role == QLatin1String("danger")) {
    coloured(DangerLight(), Danger(), DangerDark());
  } else if (role == QLatin1String("link")) {
    look.filled = false;
    look.text = state == 0 ? Accent() : (state == 1 ? AccentLight() : AccentDark());
    look.underline = state != 0;
  } else if (role == QLatin1String("flat")) {
    look.filled = state != 0;
    look.top = state == 1 ? AccentPale() : AccentPaleHot();
    look.bottom = look.top;
    look.border = state == 1 ? Border() : BorderStrong();
    look.text = state == 2 ? AccentDark() : Text();
  } else {  // "normal", "light"
    const bool light = role == QLatin1String("light");
    look.text = Text();
    if (state == 0) {
      look.top = Panel();
      look.bottom = light ? Body() : Band();
      look.border = Border();
    } else if (state == 1) {
      // Hot: lit from above.
      look.top = Panel();
      look.bottom = AccentPale();
      look.border = AccentLight();
      look.text = AccentDark();
    } else {
      // Pressed: sunken, darker at the top, with a strong edge.
      look.top = Mix(AccentPaleHot(), Accent(), 0.25);
      look.bottom = AccentPaleHot();
      look.border = AccentDark();
      look.text = AccentDark();
    }
  }
  return look;
}

void HardenAlpha(QImage* image) {
  *image = image->convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image->height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(image->scanLine(y));
    for (int x = 0; x < image->width(); ++x) {
      row[x] = qAlpha(row[x]) < 128 ? qRgba(0, 0, 0, 0) : (row[x] | 0xFF000000u);
    }
  }
}

QImage KeyOut(const QImage& picture, const QColor& backdrop) {
  QImage flat(picture.size(), QImage::Format_ARGB32_Premultiplied);
  flat.fill(backdrop);
  {
    QPainter painter(&flat);
    painter.drawImage(0, 0, picture);
  }
  QImage source = picture.convertToFormat(QImage::Format_ARGB32);
  QImage result = flat.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = palette::Key().rgb();
  for (int y = 0; y < result.height(); ++y) {
    const QRgb* alpha_row = reinterpret_cast<const QRgb*>(source.constScanLine(y));
    QRgb* row = reinterpret_cast<QRgb*>(result.scanLine(y));
    for (int x = 0; x < result.width(); ++x) {
      if (qAlpha(alpha_row[x]) == 0) {
        row[x] = key;
      } else if (row[x] == key) {
        row[x] = qRgb(0xFE, 0x00, 0xFE);  // a drawn pixel never equals the key by accident
      }
    }
  }
  return result;
}

}  // namespace skin
