// The notification area for the updater: carries out ds::TrayIcon's actions with
// QSystemTrayIcon. The icon field of the record is a QIcon*. Activations become the record's
// callback message with the mouse message in lParam (double click, or a single click on hosts
// that report no double click; right button up for the context request).
#pragma once

#include <map>
#include <memory>
#include <utility>

#include "core/tray_icon.h"

class QSystemTrayIcon;

namespace update {

class QtTrayShell : public ds::ITrayShell {
 public:
  QtTrayShell();
  ~QtTrayShell() override;
  int NotifyIcon(int action, const ds::TrayIcon& record) override;

 private:
  using Key = std::pair<ds::MsgHandle, std::uint32_t>;  // window and icon id
  std::map<Key, std::unique_ptr<QSystemTrayIcon>> icons_;
};

}  // namespace update
