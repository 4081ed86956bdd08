#include "vexo/ui/widgets/control_notify.h"

#include <QWidget>

#include "vexo/ui/dialog/message_window.h"
#include "vexo/ui/dialog/window_messages.h"

VEXO_MessageWindow* VEXO_FindParentWindow(const QWidget* widget) {
  for (QWidget* parent = widget ? widget->parentWidget() : nullptr; parent;
       parent = parent->parentWidget()) {
    if (auto* window = dynamic_cast<VEXO_MessageWindow*>(parent)) return window;
  }
  return nullptr;
}

ds::LResult VEXO_NotifyCommand(QWidget* control, unsigned id, int code) {
  VEXO_MessageWindow* parent = VEXO_FindParentWindow(control);
  if (!parent) return 0;
  return parent->SendMessage(vexo_msg::WM_COMMAND,
                             vexo_msg::MakeWParam(id, static_cast<unsigned>(code)),
                             reinterpret_cast<ds::LParam>(control));
}

ds::LResult VEXO_NotifyParent(QWidget* control, unsigned id, VEXO_NMHDR* header) {
  VEXO_MessageWindow* parent = VEXO_FindParentWindow(control);
  if (!parent || !header) return 0;
  header->hwndFrom = control;
  header->idFrom = id;
  return parent->SendMessage(vexo_msg::WM_NOTIFY, id, reinterpret_cast<ds::LParam>(header));
}
