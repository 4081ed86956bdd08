#include "vexo/ui/render/skin_font.h"

#include <QVariant>
#include <QWidget>
#include <cstring>

#include "vexo/ui/render/font.h"
#include "vexo/ui/resources/resource_mgr.h"

namespace {

constexpr const char* kEscapementProperty = "vexo_escapement";

}  // namespace

QFont VEXO_SkinFont(const char* name) {
  if (name == nullptr) name = "vfontUser12";
  if (VEXO_Font* font = VEXO_ResourceMgr::Instance()->GetFont(name)) return font->GetQFont();
  // The manager is not set up yet (or the name is unknown): the text font as the manager makes it.
  // Made afresh each time: a font kept past the application would outlive Qt's font cache.
  return VEXO_Font(-12, 0, 0, 400, "新宋体").GetQFont();
}

void VEXO_ApplySkinFont(QWidget* widget) {
  if (widget != nullptr) widget->setFont(VEXO_SkinFont());
}

void VEXO_SetWidgetFont(QWidget* widget, const VEXO_Font* font) {
  if (widget == nullptr) return;
  widget->setFont(font != nullptr ? font->GetQFont() : VEXO_SkinFont());
  widget->setProperty(kEscapementProperty, font != nullptr ? font->GetEscapement() : 0);
  widget->update();
}

int VEXO_WidgetEscapement(const QWidget* widget) {
  return widget != nullptr ? widget->property(kEscapementProperty).toInt() : 0;
}
