#include "tools/skin/canvas.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>

#include "tools/skin/palette.h"

namespace skin {

QFont CaptionFont(int pixel_size, bool bold) {
  QFont font(QStringLiteral("WenQuanYi Micro Hei"));
  font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                    QStringLiteral("DejaVu Sans")});
  font.setPixelSize(pixel_size);
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferFullHinting);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
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
                 bool bold, int flags) {
  painter->save();
  painter->setFont(CaptionFont(pixel_size, bold));
  painter->setPen(colour);
  painter->drawText(box, flags, text);
  painter->restore();
}

qreal CaptionWidth(const QString& text, int pixel_size, bool bold) {
  return QFontMetricsF(CaptionFont(pixel_size, bold)).horizontalAdvance(text);
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
      look.top = Panel();
      look.bottom = AccentPaleHot();
      look.border = AccentLight();
      look.text = AccentDark();
    } else {
      look.top = AccentPaleHot();
      look.bottom = AccentPale();
      look.border = Accent();
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
