// The look of the program's popup menus (button menus, and the tray menu where the tray host lets
// the program draw it). Menus stay unskinned, in Qt's Fusion style with a fixed palette, but in
// the skin's text font and with the highlighted item in the skin's accent colour, so they do not
// look foreign next to the skinned windows.
#pragma once

#include "vexo/export.h"

class QMenu;
class QPoint;

// Gives `menu` and the sub-menus it holds the menu look.
VEXO_API void VEXO_ApplyMenuLook(QMenu* menu);

// Shows a widget's own context menu (made for this one showing) with the menu look at `global`,
// without waiting; the menu deletes itself when it closes. Null does nothing.
VEXO_API void VEXO_PopupContextMenu(QMenu* menu, const QPoint& global);
