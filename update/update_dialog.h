// The updater's window: two progress bars (current download, all packets), the buttons
// "隐藏", "关闭" and "手动下载", and a tray icon. It starts the worker once the manifest is read
// and acts on the worker's posted messages.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>
#include <string>

#include "core/thread/message_target.h"
#include "core/shell/tray_icon.h"
#include "update/update_command_line.h"
#include "vexo/ui/render/icon.h"
#include "vexo/ui/dialog/message_window.h"

class QEventLoop;
class QProgressBar;
class QPushButton;

namespace update {

class IPacketDownloader;
class UpdateWorker;

// Control ids, also the widgets' object names ("control1001").
constexpr int kIdHide = 1;        // IDOK
constexpr int kIdClose = 2;       // IDCANCEL
constexpr int kIdManual = 1000;
constexpr int kIdCurrentBar = 1001;
constexpr int kIdOverallBar = 1002;
constexpr unsigned kTrayIconId = 130;

// What the window does outside itself: asking the user, the browser, restarting the updater.
class UpdateDialogActions {
 public:
  virtual ~UpdateDialogActions();
  // An OK / Cancel question; true for OK.
  virtual bool Ask(QWidget* parent, const QString& text);
  // A notice with one 确定 button.
  virtual void Tell(QWidget* parent, const QString& text);
  virtual void OpenUrl(const std::string& url);
  // Starts the updater of `directory` again with "-c<c> -s<s>".
  virtual void RestartUpdater(const std::string& directory, int current, int target);
  virtual void ShowAbout(QWidget* parent);
};

class CUpdateDlg : public QDialog, public VEXO_MessageWindow {
  Q_OBJECT

 public:
  // `directory`: the installation folder holding the manifest. `actions` and `downloader` stay
  // owned by the caller and must outlive the window.
  CUpdateDlg(std::string directory, UpdateVersions versions, std::string base_url,
             UpdateDialogActions* actions, IPacketDownloader* downloader, QWidget* parent = nullptr);
  ~CUpdateDlg() override;

  // Initialises the window (tray icon, bars, manifest, worker), shows it and runs until the
  // window ends. Hiding does not end it. Returns QDialog::Accepted or QDialog::Rejected.
  int RunModal();
  // The initialisation RunModal starts with; the worker runs when the manifest was read (and,
  // with a key, verified).
  void Initialise();
  // The key the manifest and packets must be signed with (hexadecimal), "" to accept unsigned
  // ones. The built-in key unless set before Initialise().
  void SetPublicKey(std::string key_hex) { public_key_ = std::move(key_hex); }
  // Asks the worker to stop and waits up to `ms` for it. True when it has ended.
  bool StopWorker(std::uint32_t ms);

  ds::MsgHandle handle() const { return GetHandle(); }
  bool worker_started() const { return worker_started_; }
  bool ended() const { return ended_; }
  // Acts on one message as it comes from the window's queue.
  void HandleMessage(unsigned message, ds::WParam wparam, ds::LParam lparam);
  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

  void done(int result) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QPushButton* MakeButton(int id, const QString& text);
  void OnDownloadError();
  void OnTray(ds::LParam mouse);
  void BringBack();

  std::string directory_;
  UpdateVersions versions_;
  std::string base_url_;
  std::string public_key_;
  UpdateDialogActions* actions_;
  IPacketDownloader* downloader_;
  VEXO_Icon icon_;
  ds::TrayIcon tray_;
  QProgressBar* current_bar_ = nullptr;
  QProgressBar* overall_bar_ = nullptr;
  QPushButton* hide_button_ = nullptr;
  std::unique_ptr<UpdateWorker> worker_;
  bool initialised_ = false;
  bool worker_started_ = false;
  bool ended_ = false;
  QEventLoop* loop_ = nullptr;
};

}  // namespace update
