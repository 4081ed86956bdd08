#include "vexo/ui/widgets/menu_look.h"

#include <QAction>
#include <QMenu>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include "vexo/ui/render/color.h"
#include "vexo/ui/render/skin_font.h"
#include "vexo/ui/resources/skin_colors.h"

namespace {

QStyle* MenuStyle() {
  static QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"));
  return style;
}

QPalette MenuPalette() {
  using namespace vexo_color;
  const QColor text = VEXO_ToQColor(VEXO_SkinColor(kMenuText, 0x000000));
  const QColor disabled = VEXO_ToQColor(VEXO_SkinColor(kMenuDisabledText, 0x646464));
  QPalette palette;
  palette.setColor(QPalette::Window, VEXO_ToQColor(VEXO_SkinColor(kMenuBk, 0xF7F7F7)));
  palette.setColor(QPalette::Base, Qt::white);
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(role, text);
    palette.setColor(QPalette::Disabled, role, disabled);
  }
  palette.setColor(QPalette::Highlight, VEXO_ToQColor(VEXO_SkinColor(kMenuHighlight, 0xC86446)));
  palette.setColor(QPalette::HighlightedText, VEXO_ToQColor(VEXO_SkinColor(kMenuHighlightText, 0xFFFFFF)));
  return palette;
}

}  // namespace

void VEXO_ApplyMenuLook(QMenu* menu) {
  if (menu == nullptr) return;
  if (QStyle* style = MenuStyle()) menu->setStyle(style);
  menu->setPalette(MenuPalette());
  menu->setFont(VEXO_SkinFont());
  for (QAction* action : menu->actions()) {
    if (action->menu()) VEXO_ApplyMenuLook(action->menu());
  }
}

void VEXO_PopupContextMenu(QMenu* menu, const QPoint& global) {
  if (menu == nullptr) return;
  menu->setAttribute(Qt::WA_DeleteOnClose);
  VEXO_ApplyMenuLook(menu);
  menu->popup(global);
}
