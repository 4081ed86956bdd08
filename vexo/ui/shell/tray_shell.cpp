#include "vexo/ui/shell/tray_shell.h"

#include <QApplication>
#include <QTimer>
#if defined(VEXO_HAVE_QTDBUS)
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#endif

#include "vexo/ui/render/icon.h"
#include "vexo/ui/dialog/window_messages.h"

VEXO_TrayShell::VEXO_TrayShell() {
#if defined(VEXO_HAVE_QTDBUS)
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    auto* watcher = new QDBusServiceWatcher(QString::fromLatin1(kWatcherService), bus,
                                            QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] { OnHostAppeared(); });
  }
#endif
}

void VEXO_TrayShell::OnHostAppeared() {
  for (auto& entry : icons_) {
    delete entry.second.icon;
    delete entry.second.click;
  }
  icons_.clear();
  for (ds::MsgHandle window : windows_) ds::PostMessageTo(window, vexo_msg::kMsgTrayHostBack, 0, 0);
}

VEXO_TrayShell::~VEXO_TrayShell() {
  for (auto& entry : icons_) {
    delete entry.second.icon;
    delete entry.second.click;
  }
}

QSystemTrayIcon* VEXO_TrayShell::Find(ds::MsgHandle window, std::uint32_t id) const {
  auto it = icons_.find({window, id});
  return it == icons_.end() ? nullptr : it->second.icon;
}

void VEXO_TrayShell::Apply(Entry& entry, const ds::TrayIconRecord& record) {
  if ((record.flags & ds::NIF_ICON) != 0 && record.icon != nullptr)
    entry.icon->setIcon(static_cast<const VEXO_Icon*>(record.icon)->GetQIcon());
  if ((record.flags & ds::NIF_TIP) != 0) entry.icon->setToolTip(QString::fromUtf8(record.tip));
  if ((record.flags & ds::NIF_MESSAGE) != 0) entry.message = record.callback_message;
  if ((record.flags & ds::NIF_INFO) != 0 && record.info[0] != '\0') {
    QSystemTrayIcon::MessageIcon kind = QSystemTrayIcon::NoIcon;
    switch (record.info_flags & 0x0F) {
      case ds::NIIF_INFO: kind = QSystemTrayIcon::Information; break;
      case ds::NIIF_WARNING: kind = QSystemTrayIcon::Warning; break;
      case ds::NIIF_ERROR: kind = QSystemTrayIcon::Critical; break;
      default: break;
    }
    entry.icon->showMessage(QString::fromUtf8(record.info_title), QString::fromUtf8(record.info),
                            kind, static_cast<int>(record.timeout));
  }
}

int VEXO_TrayShell::NotifyIcon(int action, const ds::TrayIcon& record) {
  const auto key = std::make_pair(record.window, record.id);
  auto it = icons_.find(key);
  switch (action) {
    case ds::NIM_ADD: {
      windows_.insert(record.window);
      if (it != icons_.end() || !QSystemTrayIcon::isSystemTrayAvailable()) return 0;
      Entry entry;
      entry.icon = new QSystemTrayIcon;
      entry.click = new QTimer;
      entry.click->setSingleShot(true);
      const ds::MsgHandle window = record.window;
      const std::uint32_t id = record.id;
      // A single click that no double click follows toggles like a double click: some hosts
      // never report double clicks.
      QObject::connect(entry.click, &QTimer::timeout, this, [this, window, id] {
        auto found = icons_.find({window, id});
        if (found != icons_.end() && found->second.message != 0)
          ds::PostMessageTo(window, found->second.message, id, vexo_msg::WM_LBUTTONDBLCLK);
      });
      QObject::connect(entry.icon, &QSystemTrayIcon::activated, this,
                       [this, window, id](QSystemTrayIcon::ActivationReason reason) {
                         Activate(window, id, reason);
                       });
      Apply(entry, record);
      entry.icon->show();
      icons_.emplace(key, entry);
      return 1;
    }
    case ds::NIM_MODIFY:
      if (it == icons_.end()) return 0;
      Apply(it->second, record);
      return 1;
    case ds::NIM_DELETE:
      windows_.erase(record.window);
      if (it == icons_.end()) return 0;
      delete it->second.icon;
      delete it->second.click;
      icons_.erase(it);
      return 1;
    default:
      return 0;
  }
}

void VEXO_TrayShell::Activate(ds::MsgHandle window, std::uint32_t id,
                              QSystemTrayIcon::ActivationReason reason) {
  auto it = icons_.find({window, id});
  if (it == icons_.end() || it->second.message == 0) return;
  Entry& entry = it->second;
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      entry.click->start(QApplication::doubleClickInterval());
      break;
    case QSystemTrayIcon::DoubleClick:
      entry.click->stop();
      ds::PostMessageTo(window, entry.message, id, vexo_msg::WM_LBUTTONDBLCLK);
      break;
    case QSystemTrayIcon::Context:
      entry.click->stop();
      ds::PostMessageTo(window, entry.message, id, vexo_msg::WM_RBUTTONUP);
      break;
    default:
      break;
  }
}
