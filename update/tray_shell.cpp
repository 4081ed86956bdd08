#include "update/tray_shell.h"

#include <QIcon>
#include <QString>
#include <QSystemTrayIcon>

#include "update/update_messages.h"

namespace update {

QtTrayShell::QtTrayShell() = default;
QtTrayShell::~QtTrayShell() = default;

int QtTrayShell::NotifyIcon(int action, const ds::TrayIcon& record) {
  const Key key(record.window, record.id);
  auto found = icons_.find(key);
  if (action == ds::NIM_DELETE) {
    if (found == icons_.end()) return 0;
    icons_.erase(found);
    return 1;
  }
  if (action == ds::NIM_ADD) {
    if (found != icons_.end() || !QSystemTrayIcon::isSystemTrayAvailable()) return 0;
    auto icon = std::make_unique<QSystemTrayIcon>();
    if (record.flags & ds::NIF_MESSAGE) {
      const ds::MsgHandle window = record.window;
      const std::uint32_t id = record.id;
      const unsigned message = record.callback_message;
      QObject::connect(icon.get(), &QSystemTrayIcon::activated,
                       [window, id, message](QSystemTrayIcon::ActivationReason reason) {
                         long mouse = 0;
                         if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
                           mouse = kWmLButtonDblClk;
                         else if (reason == QSystemTrayIcon::Context)
                           mouse = kWmRButtonUp;
                         if (mouse != 0) ds::PostMessageTo(window, message, id, mouse);
                       });
    }
    found = icons_.emplace(key, std::move(icon)).first;
  } else if (action != ds::NIM_MODIFY || found == icons_.end()) {
    return 0;
  }
  QSystemTrayIcon* icon = found->second.get();
  if ((record.flags & ds::NIF_ICON) && record.icon != nullptr)
    icon->setIcon(*static_cast<const QIcon*>(record.icon));
  if (record.flags & ds::NIF_TIP) icon->setToolTip(QString::fromUtf8(record.tip));
  icon->show();
  return 1;
}

}  // namespace update
