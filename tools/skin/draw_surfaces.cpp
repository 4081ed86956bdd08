// Backgrounds and surfaces: window backgrounds, page panels, list rows, frames, bars, list header parts,
// progress bar parts, the settings title and the user panel.
#include <QLinearGradient>
#include <QPainterPath>

#include <functional>
#include <map>

#include "tools/skin/canvas.h"
#include "tools/skin/glyphs.h"
#include "tools/skin/painters.h"
#include "tools/skin/palette.h"

namespace skin {

void DrawLogo(QPainter* painter, const QRectF& box);  // draw_pictures.cpp

namespace {

using namespace palette;

QString Caption(const ImageSpec& spec) { return QString::fromStdString(spec.caption); }

void Band(QPainter* p, const QRectF& box, const QColor& top, const QColor& bottom) {
  QLinearGradient gradient(box.topLeft(), box.bottomLeft());
  gradient.setColorAt(0, top);
  gradient.setColorAt(1, bottom);
  p->fillRect(box, gradient);
}

void HLine(QPainter* p, qreal x0, qreal x1, qreal y, const QColor& colour) {
  p->fillRect(QRectF(x0, y, x1 - x0, 1), colour);
}

void Outline(QPainter* p, const QRectF& box, const QColor& colour) {
  p->save();
  p->setPen(QPen(colour, 1));
  p->setBrush(Qt::NoBrush);
  p->drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
  p->restore();
}

// The main window: title band, tool bar, search bar, white body, status bar. Every band is uniform
// across the stretched middle column and every column across the stretched middle row.
void MainWindow(const ImageSpec& spec, QPainter* p) {
  const qreal w = spec.width;
  const qreal h = spec.height;
  // The title band is the 23 pixels where a double click maximises the window.
  p->fillRect(QRectF(0, 0, w, h), Panel());
  Band(p, QRectF(0, 0, w, 23), TitleTop(), TitleBottom());
  DrawLogo(p, QRectF(6, 3, 17, 17));
  DrawCaption(p, QRectF(29, 0, 180, 23), QStringLiteral("Kiv软件管理"), TextOnAccent(), 13, true,
              Qt::AlignLeft | Qt::AlignVCenter);
  Band(p, QRectF(0, 23, w, 77), ToolbarTop(), ToolbarBottom());
  HLine(p, 0, w, 99, BorderStrong());
  p->fillRect(QRectF(0, 100, w, 22), Body());
  HLine(p, 0, w, 121, Border());
  Band(p, QRectF(0, h - 24, w, 24), Body(), palette::Band());
  HLine(p, 0, w, h - 24, Border());
  Outline(p, QRectF(0, 0, w, h), AccentDark());
  // Size grip in the bottom-right corner cell.
  p->save();
  p->setPen(Qt::NoPen);
  p->setBrush(BorderStrong());
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j <= i; ++j) p->drawRect(QRectF(w - 6 - 4 * j, h - 6 - 4 * (i - j), 2, 2));
  }
  p->restore();
}

// Dialog backgrounds: title band, light body, optional tab column and bottom button bar.
void Dialog(const ImageSpec& spec, QPainter* p) {
  const qreal w = spec.width;
  const qreal h = spec.height;
  const int title = spec.IntOption("title", 30);
  const int tabs = spec.IntOption("tabs", 0);
  const int bottom = spec.IntOption("bottom", 0);
  p->fillRect(QRectF(0, 0, w, h), Body());
  Band(p, QRectF(0, 0, w, title), TitleTop(), TitleBottom());
  if (tabs > 0) {
    p->fillRect(QRectF(0, title, tabs, h - title - bottom), palette::Band());
    p->fillRect(QRectF(tabs - 1, title, 1, h - title - bottom), Border());
  }
  if (bottom > 0) {
    p->fillRect(QRectF(0, h - bottom, w, bottom), palette::Band());
    HLine(p, 0, w, h - bottom, Border());
  }
  Outline(p, QRectF(0, 0, w, h), AccentDark());
}

// The message box: rounded, with hard transparent corners that give the window its shape.
void MessageBox(const ImageSpec& spec, QPainter* p) {
  const qreal w = spec.width;
  const qreal h = spec.height;
  const int title = spec.IntOption("title", 24);
  QPainterPath shape;
  shape.addRoundedRect(QRectF(0, 0, w, h), 6, 6);
  p->save();
  p->setClipPath(shape);
  p->fillRect(QRectF(0, 0, w, h), Panel());
  Band(p, QRectF(0, 0, w, title), TitleTop(), TitleBottom());
  p->fillRect(QRectF(0, h - 40, w, 40), Body());
  HLine(p, 0, w, h - 40, Separator());
  p->restore();
  p->save();
  p->setPen(Qt::NoPen);
  p->setBrush(TextOnAccent());
  p->drawEllipse(QPointF(16, title / 2.0), 6, 6);
  p->restore();
  DrawCaption(p, QRectF(10, 0, 12, title), QStringLiteral("i"), Accent(), 11, true);
  DrawCaption(p, QRectF(28, 0, w - 60, title), Caption(spec), TextOnAccent(), 12, true, Qt::AlignLeft | Qt::AlignVCenter);
  p->save();
  p->setPen(QPen(AccentDark(), 1));
  p->setBrush(Qt::NoBrush);
  p->drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 6, 6);
  p->restore();
}

bool PaintWindow(const ImageSpec& spec, QPainter* p, QImage* image, std::string* error) {
  if (spec.role == "main") {
    MainWindow(spec, p);
  } else if (spec.role == "dialog") {
    Dialog(spec, p);
  } else if (spec.role == "message") {
    MessageBox(spec, p);
  } else {
    *error = "line " + std::to_string(spec.line) + ": unknown window role \"" + spec.role + "\"";
    return false;
  }
  if (spec.Option("shaped") == "1") {
    p->end();
    HardenAlpha(image);
  }
  return true;
}

// Settings pages: a white sheet on the dialog body.
void PagePanel(const ImageSpec& spec, QPainter* p) {
  p->fillRect(QRectF(0, 0, spec.width, spec.height), Body());
  FillBox(p, QRectF(0, 0, spec.width, spec.height), 4, Panel(), Panel(), Border());
}

// List rows, uniform across their width so any row width stretches cleanly.
// pos 0 first, 1 middle, 2 last, 3 under the mouse.
void Row(const ImageSpec& spec, QPainter* p) {
  const qreal w = spec.width;
  const qreal h = spec.height;
  const int pos = spec.IntOption("pos", 1);
  if (pos == 3) {
    Band(p, QRectF(0, 0, w, h), AccentPale(), AccentPaleHot());
    HLine(p, 0, w, h - 1, Mix(AccentLight(), Panel(), 0.4));
    HLine(p, 0, w, 0, Mix(AccentLight(), Panel(), 0.6));
    return;
  }
  Band(p, QRectF(0, 0, w, h), Panel(), Mix(Panel(), Body(), 0.6));
  if (pos == 0) HLine(p, 0, w, 0, Border());
  HLine(p, 0, w, h - 1, pos == 2 ? Border() : Separator());
}

// Nine-part frames. "frame": the download list's plain frame; "homepanel": a box with a title band.
void Frame(const ImageSpec& spec, QPainter* p) {
  const qreal w = spec.width;
  const qreal h = spec.height;
  if (spec.role == "homepanel") {
    std::vector<int> cuts = spec.IntListOption("cuts");
    const qreal band = cuts.size() == 4 ? cuts[2] - 2 : 26;
    QPainterPath shape = RoundedBox(QRectF(0, 0, w, h), 4);
    p->save();
    p->setClipPath(shape);
    p->fillRect(QRectF(0, 0, w, h), Panel());
    Band(p, QRectF(0, 0, w, band), AccentPale(), palette::Band());
    HLine(p, 0, w, band, Border());
    p->restore();
    p->save();
    p->setPen(QPen(Border(), 1));
    p->setBrush(Qt::NoBrush);
    p->drawPath(shape);
    p->restore();
    return;
  }
  p->fillRect(QRectF(0, 0, w, h), Panel());
  Band(p, QRectF(0, 0, w, 6), palette::Band(), Panel());
  Outline(p, QRectF(0, 0, w, h), BorderStrong());
}

// The download list's left strip: the caption written top to bottom.
void SideTab(const ImageSpec& spec, QPainter* p) {
  const qreal w = spec.width;
  const qreal h = spec.height;
  QLinearGradient gradient(0, 0, w, 0);
  gradient.setColorAt(0, AccentLight());
  gradient.setColorAt(1, Accent());
  p->fillRect(QRectF(0, 0, w, h), gradient);
  p->fillRect(QRectF(w - 1, 0, 1, h), AccentDark());
  const QString caption = Caption(spec);
  for (int i = 0; i < caption.size(); ++i) {
    DrawCaption(p, QRectF(0, 10 + i * 17, w - 1, 17), caption.mid(i, 1), TextOnAccent(), 13, true);
  }
}

void SplitBar(const ImageSpec& spec, QPainter* p) {
  Band(p, QRectF(0, 0, spec.width, spec.height), Body(), palette::Band());
  HLine(p, 0, spec.width, 0, Border());
  HLine(p, 0, spec.width, spec.height - 1, BorderStrong());
}

void ListBackground(const ImageSpec& spec, QPainter* p) {
  p->fillRect(QRectF(0, 0, spec.width, spec.height), Panel());
  Outline(p, QRectF(0, 0, spec.width, spec.height), Border());
}

void ListHead(const ImageSpec& spec, QPainter* p) {
  Band(p, QRectF(0, 0, spec.width, spec.height), Panel(), palette::Band());
  HLine(p, 0, spec.width, spec.height - 1, BorderStrong());
}

void ListDivider(const ImageSpec& spec, QPainter* p) {
  const qreal inset = spec.height / 6.0;
  p->fillRect(QRectF(0, inset, 1, spec.height - 2 * inset), Border());
  if (spec.width > 1) p->fillRect(QRectF(1, inset, spec.width - 1, spec.height - 2 * inset), Panel());
}

void ProgressFrame(const ImageSpec& spec, QPainter* p) {
  FillBox(p, QRectF(0, 0, spec.width, spec.height), 3, Track(), Panel(), Border());
}

void ProgressFill(const ImageSpec& spec, QPainter* p) {
  QPainterPath shape;
  shape.addRoundedRect(QRectF(0, 0, spec.width, spec.height), 2, 2);
  p->save();
  p->setClipPath(shape);
  Band(p, QRectF(0, 0, spec.width, spec.height), SuccessLight(), Success());
  p->setPen(QPen(QColor(255, 255, 255, 45), 3));
  for (int x = -spec.height; x < spec.width + spec.height; x += 8) {
    p->drawLine(QPointF(x, spec.height), QPointF(x + spec.height, 0));
  }
  p->fillRect(QRectF(0, 0, spec.width, 1), QColor(255, 255, 255, 70));
  p->restore();
}

void Title(const ImageSpec& spec, QPainter* p) {
  DrawGlyph(p, QString::fromStdString(spec.Option("glyph", "gear")), QRectF(8, spec.height / 2.0 - 9, 18, 18),
            TextOnAccent());
  DrawCaption(p, QRectF(32, 0, spec.width - 32, spec.height), Caption(spec), TextOnAccent(), 14, true,
              Qt::AlignLeft | Qt::AlignVCenter);
}

// The user panel: the face sits at (15, 10), 88 x 100; the labels end where the texts begin.
void UserInfo(const ImageSpec& spec, QPainter* p) {
  const qreal w = spec.width;
  const qreal h = spec.height;
  Band(p, QRectF(0, 0, w, h), Panel(), Body());
  p->fillRect(QRectF(14, 9, 90, 102), Border());
  p->fillRect(QRectF(15, 10, 88, 100), Panel());
  HLine(p, 8, w - 8, 116, Separator());
  static const int right_edge[] = {153, 166, 153, 153, 88};
  static const int top[] = {24, 49, 73, 96, 120};
  std::vector<std::string> lines = spec.CaptionLines();
  for (std::size_t i = 0; i < lines.size() && i < 5; ++i) {
    DrawCaption(p, QRectF(right_edge[i] - 80, top[i], 78, 16), QString::fromStdString(lines[i]), TextMuted(), 12,
                false, Qt::AlignRight | Qt::AlignVCenter);
  }
  Outline(p, QRectF(0, 0, w, h), Accent());
}

}  // namespace

bool PaintSurface(const ImageSpec& spec, QImage* image, std::string* error) {
  using Painter = std::function<void(const ImageSpec&, QPainter*)>;
  static const std::map<std::string, Painter> painters = {
      {"panel", PagePanel},       {"row", Row},         {"frame", Frame},
      {"sidetab", SideTab},       {"splitbar", SplitBar}, {"listbg", ListBackground},
      {"listhead", ListHead},     {"listdivider", ListDivider}, {"progressframe", ProgressFrame},
      {"progressfill", ProgressFill}, {"title", Title}, {"userinfo", UserInfo},
  };
  QPainter painter;
  BeginPaint(&painter, image);
  bool ok = true;
  if (spec.kind == "window") {
    ok = PaintWindow(spec, &painter, image, error);
  } else {
    painters.at(spec.kind)(spec, &painter);
  }
  if (painter.isActive()) painter.end();
  return ok;
}

}  // namespace skin
