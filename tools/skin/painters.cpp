#include "tools/skin/painters.h"

#include <QPainter>

#include <set>

#include "tools/skin/canvas.h"

namespace skin {

bool PaintImage(const ImageSpec& spec, QImage* out, std::string* error) {
  static const std::set<std::string> controls = {"button", "glyph", "pagebutton", "toolbutton", "tab", "category",
                                                 "check", "checktile", "edit", "digits", "avatar", "scrollgrid"};
  static const std::set<std::string> surfaces = {"window", "panel", "row", "frame", "sidetab", "splitbar", "listbg",
                                                 "listhead", "listdivider", "progressframe", "progressfill", "title",
                                                 "userinfo"};
  static const std::set<std::string> pictures = {"face", "hair", "appicon", "advert"};
  static const std::set<std::string> widgets = {"radio", "tabctrl", "treeexpand"};
  *out = NewCanvas(spec.width, spec.height);
  if (controls.count(spec.kind)) return PaintControl(spec, out, error);
  if (surfaces.count(spec.kind)) return PaintSurface(spec, out, error);
  if (pictures.count(spec.kind)) return PaintPicture(spec, out, error);
  if (widgets.count(spec.kind)) return PaintWidgetStrip(spec, out, error);
  *error = "line " + std::to_string(spec.line) + ": unknown kind \"" + spec.kind + "\"";
  return false;
}

bool RunKindPainter(const KindPainter& paint, const ImageSpec& spec, QImage* image, std::string* error) {
  QPainter painter;
  BeginPaint(&painter, image);
  const bool ok = paint(spec, &painter, error);
  painter.end();
  return ok;
}

}  // namespace skin
