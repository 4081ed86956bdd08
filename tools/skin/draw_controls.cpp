// State strips: buttons, glyph buttons, page and tool buttons, tabs, category buttons, check boxes, edits,
// digit strips, avatars and the scroll-bar grid.
#include <QPainterPath>

#include <functional>
#include <map>

#include "tools/skin/canvas.h"
#include "tools/skin/glyphs.h"
#include "tools/skin/painters.h"
#include "tools/skin/palette.h"

namespace skin {

namespace {

using namespace palette;

QString Caption(const ImageSpec& spec) { return QString::fromStdString(spec.caption); }
QString Role(const ImageSpec& spec) { return QString::fromStdString(spec.role); }
QString GlyphName(const ImageSpec& spec) { return QString::fromStdString(spec.Option("glyph")); }

int CaptionSize(int height) { return height >= 24 ? 13 : 12; }

// Glyph (optional) and caption centred together in `cell`.
void GlyphAndCaption(QPainter* p, const QRectF& cell, const QString& glyph, const QString& text, const QColor& colour,
                     int pixel_size, bool bold, bool underline) {
  qreal glyph_side = glyph.isEmpty() ? 0 : qMin<qreal>(cell.height() - 8, 14);
  qreal gap = (glyph.isEmpty() || text.isEmpty()) ? 0 : 4;
  qreal text_width = text.isEmpty() ? 0 : CaptionWidth(text, pixel_size, bold);
  qreal total = glyph_side + gap + text_width;
  qreal x = cell.left() + qRound((cell.width() - total) / 2);
  if (glyph_side > 0) {
    DrawGlyph(p, glyph, QRectF(x, cell.center().y() - glyph_side / 2, glyph_side, glyph_side), colour);
  }
  if (!text.isEmpty()) {
    DrawCaption(p, QRectF(x + glyph_side + gap, cell.top(), text_width + 2, cell.height()), text, colour, pixel_size,
                bold, Qt::AlignLeft | Qt::AlignVCenter, underline);
  }
}

bool PaintButton(const ImageSpec& spec, QPainter* p, std::string*) {
  const qreal w = spec.width / 4.0;
  const qreal h = spec.height;
  const qreal radius = qMin<qreal>(3, h / 6);
  for (int state = 0; state < 4; ++state) {
    QRectF cell(state * w, 0, w, h);
    StateLook look = ButtonLook(Role(spec), state);
    if (look.filled) FillBox(p, cell, radius, look.top, look.bottom, look.border);
    // A pressed button's face sinks by a pixel.
    GlyphAndCaption(p, state == 2 ? cell.translated(0, 1) : cell, GlyphName(spec), Caption(spec), look.text,
                    CaptionSize(spec.height), false, look.underline);
  }
  return true;
}

bool PaintGlyphButton(const ImageSpec& spec, QPainter* p, std::string*) {
  const qreal w = spec.width / 4.0;
  const qreal h = spec.height;
  const QString role = Role(spec);
  const QString glyph = GlyphName(spec);
  const bool close = glyph == QLatin1String("close");
  for (int state = 0; state < 4; ++state) {
    QRectF cell(state * w, 0, w, h);
    QColor colour;
    if (role == QLatin1String("title")) {
      // On the title band: no frame at rest, a light or red plate under the mouse.
      colour = state == 3 ? QColor(255, 255, 255, 110) : TextOnAccent();
      if (state == 1 || state == 2) {
        QColor plate = close ? (state == 1 ? Danger() : DangerDark())
                             : (state == 1 ? QColor(255, 255, 255, 56) : QColor(0, 0, 0, 40));
        p->save();
        p->setPen(Qt::NoPen);
        p->setBrush(plate);
        p->drawPath(RoundedBox(cell, 2));
        p->restore();
      }
    } else {
      StateLook look = ButtonLook(role == QLatin1String("combo") ? QStringLiteral("normal") : QStringLiteral("light"), state);
      FillBox(p, cell, qMin<qreal>(2, h / 6), look.top, look.bottom, look.border);
      colour = state == 3 ? DisabledText() : (state == 0 ? TextMuted() : AccentDark());
    }
    qreal side = qMin(cell.width(), cell.height());
    DrawGlyph(p, glyph, QRectF(cell.center().x() - side / 2, cell.center().y() - side / 2, side, side), colour);
  }
  return true;
}

// Tool bar buttons: a symbol above the caption. Page buttons show the current page in their disabled cell.
bool PaintToolbarButton(const ImageSpec& spec, QPainter* p, std::string*) {
  const bool page = spec.kind == "pagebutton";
  const qreal w = spec.width / 4.0;
  const qreal h = spec.height;
  for (int state = 0; state < 4; ++state) {
    QRectF cell(state * w, 0, w, h);
    QRectF plate = cell.adjusted(2, 2, -2, -2);
    QColor glyph_colour = Accent();
    QColor text_colour = Text();
    bool bold = false;
    if (state == 1) {
      FillBox(p, plate, 4, QColor(255, 255, 255, 200), QColor(255, 255, 255, 120), QColor(75, 155, 234, 150));
      text_colour = AccentDark();
    } else if (state == 2) {
      FillBox(p, plate, 4, AccentPaleHot(), AccentPale(), Accent());
      glyph_colour = AccentDark();
      text_colour = AccentDark();
    } else if (state == 3) {
      if (page) {
        FillBox(p, plate, 4, Panel(), AccentPale(), Accent());
        glyph_colour = AccentDark();
        text_colour = AccentDark();
        bold = true;
      } else {
        glyph_colour = DisabledText();
        text_colour = DisabledText();
      }
    }
    const qreal side = 30;
    DrawGlyph(p, GlyphName(spec), QRectF(cell.center().x() - side / 2, cell.top() + 7, side, side), glyph_colour);
    DrawCaption(p, QRectF(cell.left(), cell.top() + 41, w, 20), Caption(spec), text_colour, 13, bold);
  }
  return true;
}

// Tabs of the settings dialog: the disabled cell is the current tab.
bool PaintTab(const ImageSpec& spec, QPainter* p, std::string*) {
  const qreal w = spec.width / 4.0;
  const qreal h = spec.height;
  for (int state = 0; state < 4; ++state) {
    QRectF cell(state * w, 0, w, h);
    QColor text_colour = Text();
    QColor glyph_colour = TextMuted();
    bool bold = false;
    if (state == 1) {
      FillBox(p, cell, 0, AccentPale(), AccentPale(), QColor());
      text_colour = AccentDark();
      glyph_colour = Accent();
    } else if (state == 2) {
      FillBox(p, cell, 0, AccentPaleHot(), AccentPaleHot(), QColor());
      text_colour = AccentDark();
      glyph_colour = AccentDark();
    } else if (state == 3) {
      FillBox(p, cell, 0, Panel(), Panel(), QColor());
      p->fillRect(QRectF(cell.left(), cell.top(), 3, h), Accent());
      text_colour = AccentDark();
      glyph_colour = Accent();
      bold = true;
    }
    DrawGlyph(p, GlyphName(spec), QRectF(cell.left() + 14, cell.center().y() - 8, 16, 16), glyph_colour);
    DrawCaption(p, QRectF(cell.left() + 38, cell.top(), w - 40, h), Caption(spec), text_colour, 13, bold,
                Qt::AlignLeft | Qt::AlignVCenter);
  }
  return true;
}

// Category buttons: normal, selected (the hot cell doubles as the selected look), pressed, disabled.
bool PaintCategory(const ImageSpec& spec, QPainter* p, std::string*) {
  const bool heading = spec.Option("heading") == "1";
  const qreal w = spec.width / 4.0;
  const qreal h = spec.height;
  for (int state = 0; state < 4; ++state) {
    QRectF cell(state * w, 0, w, h);
    QColor text_colour = Text();
    QColor mark = BorderStrong();
    bool bold = heading;
    if (state == 0) {
      FillBox(p, cell, 0, heading ? Band() : Body(), heading ? Band() : Body(), QColor());
    } else if (state == 1) {
      FillBox(p, cell, 0, AccentPale(), AccentPaleHot(), QColor());
      p->fillRect(QRectF(cell.left(), cell.top(), 3, h - 1), Accent());
      text_colour = AccentDark();
      mark = Accent();
      bold = true;
    } else if (state == 2) {
      FillBox(p, cell, 0, AccentLight(), Accent(), QColor());
      text_colour = TextOnAccent();
      mark = TextOnAccent();
      bold = true;
    } else {
      FillBox(p, cell, 0, Body(), Body(), QColor());
      text_colour = DisabledText();
      mark = DisabledBorder();
    }
    p->fillRect(QRectF(cell.left(), h - 1, w, 1), Separator());
    if (heading) {
      DrawGlyph(p, QStringLiteral("grid"), QRectF(cell.left() + 12, cell.center().y() - 7, 14, 14), mark == BorderStrong() ? Accent() : mark);
    } else {
      p->save();
      p->setPen(Qt::NoPen);
      p->setBrush(mark);
      p->drawEllipse(QPointF(cell.left() + 19, cell.center().y() - 0.5), 2.5, 2.5);
      p->restore();
    }
    DrawCaption(p, QRectF(cell.left() + 32, cell.top(), w - 34, h - 1), Caption(spec), text_colour, 13, bold,
                Qt::AlignLeft | Qt::AlignVCenter);
  }
  return true;
}

void CheckBoxSquare(QPainter* p, const QRectF& box, bool checked, bool enabled) {
  if (enabled) {
    if (checked) {
      FillBox(p, box, 2, AccentLight(), Accent(), AccentDark());
    } else {
      FillBox(p, box, 2, Panel(), Panel(), BorderStrong());
    }
  } else {
    FillBox(p, box, 2, DisabledFill(), DisabledFill(), DisabledBorder());
  }
  if (checked) DrawGlyph(p, QStringLiteral("check"), box, enabled ? TextOnAccent() : DisabledText());
}

// Check box strips hold checked, unchecked, disabled checked, disabled unchecked.
bool PaintCheck(const ImageSpec& spec, QPainter* p, std::string*) {
  const qreal w = spec.width / 4.0;
  const qreal side = qMin<qreal>(w, spec.height);
  for (int state = 0; state < 4; ++state) {
    QRectF box(state * w + (w - side) / 2, (spec.height - side) / 2, side, side);
    CheckBoxSquare(p, box, state == 0 || state == 2, state < 2);
  }
  return true;
}

bool PaintCheckTile(const ImageSpec& spec, QPainter* p, std::string*) {
  const qreal w = spec.width / 4.0;
  const qreal h = spec.height;
  for (int state = 0; state < 4; ++state) {
    QRectF cell(state * w, 0, w, h);
    const bool checked = state == 0 || state == 2;
    const bool enabled = state < 2;
    if (!enabled) {
      FillBox(p, cell, 4, DisabledFill(), DisabledFill(), DisabledBorder());
    } else if (checked) {
      FillBox(p, cell, 4, AccentPale(), AccentPaleHot(), Accent());
    } else {
      FillBox(p, cell, 4, Panel(), Body(), Border());
    }
    CheckBoxSquare(p, QRectF(cell.left() + 10, cell.center().y() - 8, 16, 16), checked, enabled);
  }
  return true;
}

// Edits: enabled half, disabled half.
bool PaintEdit(const ImageSpec& spec, QPainter* p, std::string*) {
  const qreal w = spec.width / 2.0;
  const qreal h = spec.height;
  const qreal radius = Role(spec) == QLatin1String("search") ? 3 : 2;
  FillBox(p, QRectF(0, 0, w, h), radius, Panel(), Panel(), BorderStrong());
  p->fillRect(QRectF(2, 1, w - 4, 1), Separator());  // inner shadow under the top edge
  FillBox(p, QRectF(w, 0, w, h), radius, DisabledFill(), DisabledFill(), DisabledBorder());
  return true;
}

// Digit strips: each state cell holds the digits 0 to 9 in ten equal cells.
bool PaintDigits(const ImageSpec& spec, QPainter* p, std::string* error) {
  const int states = spec.StateCount();
  const qreal cell = static_cast<qreal>(spec.width) / states;
  if (spec.width % (states * 10) != 0) {
    *error = "line " + std::to_string(spec.line) + ": digit strip width must hold ten digits per state";
    return false;
  }
  const qreal digit = cell / 10;
  const bool current = Role(spec) == QLatin1String("current");
  const QColor normal[4] = {Text(), Accent(), AccentDark(), DisabledText()};
  const QColor marked[4] = {WarningDark(), Warning(), Mix(WarningDark(), Qt::black, 0.25), DisabledText()};
  for (int state = 0; state < states; ++state) {
    for (int d = 0; d < 10; ++d) {
      QRectF box(state * cell + d * digit, 0, digit, spec.height);
      p->save();
      p->setClipRect(box);
      DrawCaption(p, box.adjusted(-2, 0, 2, 0), QString::number(d), current ? marked[state] : normal[state], 11, current);
      p->restore();
    }
  }
  return true;
}

// The user button: the face in a ring; the ring shows hot and pressed.
bool PaintAvatar(const ImageSpec& spec, QPainter* p, std::string*) {
  const bool female = spec.Option("sex") == "f";
  const qreal w = spec.width / 4.0;
  const qreal h = spec.height;
  for (int state = 0; state < 4; ++state) {
    QPointF centre(state * w + w / 2, h / 2);
    qreal radius = qMin(w, h) / 2 - 1;
    QPainterPath circle;
    circle.addEllipse(centre, radius, radius);
    p->save();
    p->setPen(Qt::NoPen);
    p->setBrush(female ? QColor(0xFD, 0xEE, 0xF3) : AccentPale());
    p->drawPath(circle);
    p->setClipPath(circle);
    const qreal scale = radius * 2 / 52.0;
    QRectF face_box(centre.x() - 44 * scale, centre.y() - 40 * scale, 88 * scale, 100 * scale);
    DrawFace(p, face_box, female);
    DrawHair(p, face_box, female);
    if (state == 3) p->fillPath(circle, QColor(255, 255, 255, 130));
    p->restore();
    QColor ring = state == 0 ? QColor(255, 255, 255) : state == 1 ? AccentLight() : state == 2 ? AccentDark() : DisabledBorder();
    p->save();
    p->setPen(QPen(ring, state == 0 || state == 3 ? 1.5 : 2));
    p->setBrush(Qt::NoBrush);
    p->drawEllipse(centre, radius - 0.5, radius - 0.5);
    p->restore();
  }
  return true;
}

// Scroll-bar grid, 9 x 3 cells: rows normal, hot, pressed; columns up, down, thumb, track (vertical), left,
// right, thumb, track (horizontal), corner.
bool PaintScrollGrid(const ImageSpec& spec, QPainter* p, std::string* error) {
  if (spec.width % 9 != 0 || spec.height % 3 != 0) {
    *error = "line " + std::to_string(spec.line) + ": scroll grid must be 9 x 3 equal cells";
    return false;
  }
  const qreal cw = spec.width / 9.0;
  const qreal ch = spec.height / 3.0;
  const QColor arrow_fill[3] = {Track(), AccentPale(), AccentPaleHot()};
  const QColor arrow_border[3] = {Border(), AccentLight(), Accent()};
  const QColor arrow_glyph[3] = {TextMuted(), Accent(), AccentDark()};
  const QColor thumb[3] = {BorderStrong(), AccentLight(), Accent()};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 9; ++col) {
      QRectF cell(col * cw, row * ch, cw, ch);
      p->fillRect(cell, Track());
      switch (col) {
        case 0: case 1: case 4: case 5: {
          FillBox(p, cell, 2, arrow_fill[row], arrow_fill[row], arrow_border[row]);
          static const char* names[] = {"up", "down", "", "", "left", "right"};
          DrawGlyph(p, QString::fromLatin1(names[col]), cell, arrow_glyph[row]);
          break;
        }
        case 2:
          p->save();
          p->setPen(Qt::NoPen);
          p->setBrush(thumb[row]);
          p->drawRoundedRect(QRectF(cell.left() + 3, cell.top(), cw - 6, ch), 2, 2);
          p->restore();
          break;
        case 6:
          p->save();
          p->setPen(Qt::NoPen);
          p->setBrush(thumb[row]);
          p->drawRoundedRect(QRectF(cell.left(), cell.top() + 3, cw, ch - 6), 2, 2);
          p->restore();
          break;
        case 3:
          p->fillRect(QRectF(cell.left(), cell.top(), 1, ch), Separator());
          break;
        case 7:
          p->fillRect(QRectF(cell.left(), cell.top(), cw, 1), Separator());
          break;
        default:
          break;
      }
    }
  }
  return true;
}

}  // namespace

bool PaintControl(const ImageSpec& spec, QImage* image, std::string* error) {
  static const std::map<std::string, KindPainter> painters = {
      {"button", PaintButton},       {"glyph", PaintGlyphButton},     {"pagebutton", PaintToolbarButton},
      {"toolbutton", PaintToolbarButton}, {"tab", PaintTab},          {"category", PaintCategory},
      {"check", PaintCheck},         {"checktile", PaintCheckTile},   {"edit", PaintEdit},
      {"digits", PaintDigits},       {"avatar", PaintAvatar},         {"scrollgrid", PaintScrollGrid},
  };
  const std::string glyph = spec.Option("glyph");
  if (!glyph.empty() && !IsGlyph(QString::fromStdString(glyph))) {
    *error = "line " + std::to_string(spec.line) + ": unknown glyph \"" + glyph + "\"";
    return false;
  }
  if ((spec.kind == "glyph") && glyph.empty()) {
    *error = "line " + std::to_string(spec.line) + ": glyph button without glyph option";
    return false;
  }
  return RunKindPainter(painters.at(spec.kind), spec, image, error);
}

}  // namespace skin
