#include "vexo/ui/widgets/widget_support.h"

#include <QApplication>
#include <QWidget>

#include "vexo/ui/dialog/dialog.h"
#include "vexo/ui/render/font.h"
#include "vexo/ui/resources/resource_mgr.h"

QFont VEXO_SkinFont(const char* name) {
  if (VEXO_Font* font = VEXO_ResourceMgr::Instance()->GetFont(name)) return font->GetQFont();
  return QApplication::font();
}

bool VEXO_IsInputBlocked(const QWidget* widget) {
  // Every skinned window from the control up to its top-level counts: a page inside a blocked
  // main window is blocked too.
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (const auto* dialog = dynamic_cast<const VEXO_Dialog*>(w)) {
      if (!dialog->IsWindowEnabled()) return true;
    }
    if (w->isWindow()) break;
  }
  return false;
}
