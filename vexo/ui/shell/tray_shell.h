// The notification area for ds::TrayIcon, on QSystemTrayIcon. Install one on the window thread
// (ds::SetTrayShell) while the application runs. Activation becomes the icon's callback message,
// posted to its window with the icon id in wParam and WM_LBUTTONDBLCLK (double click, or a single
// click on hosts that report no double click) or WM_RBUTTONUP (context click) in lParam.
#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <map>
#include <utility>

#include "core/shell/tray_icon.h"
#include "vexo/export.h"

class QTimer;

class VEXO_API VEXO_TrayShell : public QObject, public ds::ITrayShell {
  Q_OBJECT
 public:
  VEXO_TrayShell();
  ~VEXO_TrayShell() override;

  // The icon's `icon` field is a const VEXO_Icon*. Adding fails when no tray is available.
  int NotifyIcon(int action, const ds::TrayIcon& record) override;

  // The shown icon of (window, id), null when none.
  QSystemTrayIcon* Find(ds::MsgHandle window, std::uint32_t id) const;
  // Handles an activation of the icon (window, id) as the system would report it.
  void Activate(ds::MsgHandle window, std::uint32_t id, QSystemTrayIcon::ActivationReason reason);

 private:
  struct Entry {
    QSystemTrayIcon* icon = nullptr;
    QTimer* click = nullptr;  // a single click waits this long for a double click
    std::uint32_t message = 0;
  };
  void Apply(Entry& entry, const ds::TrayIconRecord& record);
  std::map<std::pair<ds::MsgHandle, std::uint32_t>, Entry> icons_;
};
