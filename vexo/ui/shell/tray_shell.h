// The notification area for ds::TrayIcon, on QSystemTrayIcon. Install one on the window thread
// (ds::SetTrayShell) while the application runs. Activation becomes the icon's callback message,
// posted to its window with the icon id in wParam and WM_LBUTTONDBLCLK (double click, or a single
// click on hosts that report no double click) or WM_RBUTTONUP (context click) in lParam.
//
// A desktop's tray host can restart. When a StatusNotifier host (re)appears on the session bus,
// the icons it had are forgotten and every window that ever tried to add one is posted
// kMsgTrayHostBack, the "taskbar created" of this platform: it adds its icon again. (Trays of
// the older XEmbed kind are re-docked by Qt itself.)
#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <map>
#include <set>
#include <utility>

#include "core/shell/tray_icon.h"
#include "vexo/ui/dialog/window_messages.h"
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
  // A tray host appeared: drops the icons (their host is gone) and tells the windows.
  void OnHostAppeared();
  // The D-Bus name whose owner is the tray host.
  static constexpr const char kWatcherService[] = "org.kde.StatusNotifierWatcher";

 private:
  struct Entry {
    QSystemTrayIcon* icon = nullptr;
    QTimer* click = nullptr;  // a single click waits this long for a double click
    std::uint32_t message = 0;
  };
  void Apply(Entry& entry, const ds::TrayIconRecord& record);
  std::map<std::pair<ds::MsgHandle, std::uint32_t>, Entry> icons_;
  std::set<ds::MsgHandle> windows_;  // every window that asked for an icon
};
