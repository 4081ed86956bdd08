// Controls tell their parent window what happened as the window system's controls do: a
// synchronous WM_COMMAND with (control id, code) in wParam and the control in lParam, or a
// WM_NOTIFY with the control id in wParam and a VEXO_NMHDR (or a larger record that starts with
// one) in lParam. The parent is the nearest ancestor widget that is a VEXO_MessageWindow.
#pragma once

#include <QPoint>

#include "core/thread/message_target.h"
#include "vexo/export.h"

class QWidget;
class VEXO_MessageWindow;

// Notification header of WM_NOTIFY.
struct VEXO_NMHDR {
  QWidget* hwndFrom = nullptr;
  unsigned idFrom = 0;
  int code = 0;
};

// NM_CLICK / NM_DBLCLK of a list: the row and column hit (-1 for none) and the point in the
// list's coordinates.
struct VEXO_NMITEMACTIVATE {
  VEXO_NMHDR hdr;
  int iItem = -1;
  int iSubItem = -1;
  QPoint ptAction;
};

// Toolkit-only edit notification: Enter was pressed in the edit (pages run their search or
// login on it). Chosen outside the range of the window system's EN_ codes.
constexpr int VEXO_EN_RETURN = 0x0F01;

// The nearest ancestor of `widget` (not the widget itself) that takes messages; null when none.
VEXO_API VEXO_MessageWindow* VEXO_FindParentWindow(const QWidget* widget);

// Sends WM_COMMAND(MakeWParam(id, code), control) to the parent window; its result, 0 without one.
VEXO_API ds::LResult VEXO_NotifyCommand(QWidget* control, unsigned id, int code);
// Sends WM_NOTIFY(id, &header) to the parent window; header.hwndFrom and idFrom are filled in.
VEXO_API ds::LResult VEXO_NotifyParent(QWidget* control, unsigned id, VEXO_NMHDR* header);
