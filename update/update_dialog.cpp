#include "update/update_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>


#include "core/crypto/update_signature.h"
#include "core/log/logger.h"
#include "core/text/path.h"
#include "core/platform/process.h"
#include "core/zip/update_manifest.h"
#include "update/update_messages.h"
#include "update/update_settings.h"
#include "update/update_worker.h"
#include "vexo/ui/dialog/window_messages.h"
#include "update_key.h"

namespace update {

UpdateDialogActions::~UpdateDialogActions() = default;

bool UpdateDialogActions::Ask(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Update"), text, QMessageBox::NoButton, parent);
  QPushButton* ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
  box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
  box.setDefaultButton(ok);
  box.exec();
  return box.clickedButton() == ok;
}

void UpdateDialogActions::Tell(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Information, QStringLiteral("Update"), text, QMessageBox::NoButton, parent);
  box.setDefaultButton(box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole));
  box.exec();
}

void UpdateDialogActions::OpenUrl(const std::string& url) { ds::OpenWithShell(url.c_str()); }

void UpdateDialogActions::RestartUpdater(const std::string& directory, int current, int target) {
  char parameters[64];
  std::snprintf(parameters, sizeof parameters, "-c%d -s%d", current, target);
  const std::string program = ds::JoinPath(directory, kUpdaterProgramName);
  ds::StartProcess(program.c_str(), parameters, directory.c_str(), nullptr);
}

void UpdateDialogActions::ShowAbout(QWidget* parent) {
  QMessageBox::about(parent, QStringLiteral("关于 Update"),
                     QStringLiteral("Update 1.0\n更新程序：把 Corvane 升级到最新版本。"));
}

CUpdateDlg::CUpdateDlg(std::string directory, UpdateVersions versions, std::string base_url,
                       UpdateDialogActions* actions, IPacketDownloader* downloader, QWidget* parent)
    : QDialog(parent),
      directory_(std::move(directory)),
      versions_(versions),
      base_url_(std::move(base_url)),
      public_key_(kBuiltInUpdateKey),
      actions_(actions),
      downloader_(downloader) {
  setWindowTitle(QStringLiteral("正在更新程序，请稍候..."));

  current_bar_ = new QProgressBar(this);
  current_bar_->setObjectName(QStringLiteral("control%1").arg(kIdCurrentBar));
  overall_bar_ = new QProgressBar(this);
  overall_bar_->setObjectName(QStringLiteral("control%1").arg(kIdOverallBar));

  hide_button_ = MakeButton(kIdHide, QStringLiteral("隐藏"));
  QPushButton* close_button = MakeButton(kIdClose, QStringLiteral("关闭"));
  QPushButton* manual_button = MakeButton(kIdManual, QStringLiteral("手动下载"));
  connect(hide_button_, &QPushButton::clicked, this, [this] {
    if (tray_.IsAdded()) hide();  // only with a way back
  });
  connect(close_button, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
  connect(manual_button, &QPushButton::clicked, this, [this] { actions_->OpenUrl(kVendorSiteUrl); });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(manual_button);
  buttons->addStretch(1);
  buttons->addWidget(hide_button_);
  buttons->addWidget(close_button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(current_bar_);
  layout->addWidget(overall_bar_);
  layout->addLayout(buttons);
  setMinimumWidth(360);
}

CUpdateDlg::~CUpdateDlg() {
  DetachMessages();  // no message reaches the window half destroyed
  if (worker_) {
    worker_->Stop();
    worker_->Join(ds::kWaitInfinite);
  }
}

QPushButton* CUpdateDlg::MakeButton(int id, const QString& text) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(QStringLiteral("control%1").arg(id));
  // Enter never ends this window: no button is a default button.
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

void CUpdateDlg::Initialise() {
  if (initialised_) return;
  initialised_ = true;

  icon_ = VEXO_Icon(style()->standardIcon(QStyle::SP_BrowserReload));
  setWindowIcon(icon_.GetQIcon());
  tray_.Init(kTrayIconId, &icon_, "更新程序", GetHandle(), kMsgTrayNotify);
  // Without a notification area a hidden window could not be brought back.
  hide_button_->setEnabled(tray_.IsAdded());

  current_bar_->setRange(0, 100);
  overall_bar_->setRange(0, 100);
  current_bar_->setValue(0);
  overall_bar_->setValue(0);

  UpdateJob job;
  job.directory = directory_;
  job.current = versions_.current;
  job.target = versions_.target;
  job.base_url = base_url_;
  job.public_key = public_key_;
  const std::string manifest = ds::UpdateManifestPath(directory_);
  // With a key, a manifest without its signature is as good as a damaged one.
  if (!ds::UpdateVerifier(public_key_).Accepts(manifest, "update::CUpdateDlg::Initialise") ||
      !job.manifest.Load(manifest.c_str())) {
    ds::LogWarn("update::CUpdateDlg::Initialise")("can't read the manifest %s.", manifest.c_str());
    // A manifest that is there but damaged (empty, cut off, not XML) is an error the user is
    // told about; without any manifest there is nothing to do until the window is closed.
    if (ds::PathExists(manifest)) ds::PostMessageTo(GetHandle(), kMsgDownloadError, 0, 0);
    return;
  }
  worker_ = std::make_unique<UpdateWorker>(std::move(job), downloader_, GetHandle());
  worker_started_ = worker_->Start() != 0;
}

int CUpdateDlg::RunModal() {
  Initialise();
  if (!ended_) {
    show();
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
  }
  return result();
}

bool CUpdateDlg::StopWorker(std::uint32_t ms) {
  if (!worker_) return true;
  worker_->Stop();
  return worker_->Join(ms);
}

void CUpdateDlg::done(int result) {
  if (ended_) return;
  ended_ = true;
  tray_.Delete();
  QDialog::done(result);
  if (loop_ != nullptr) loop_->quit();
}

void CUpdateDlg::closeEvent(QCloseEvent* event) {
  event->accept();
  done(QDialog::Rejected);
}

void CUpdateDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      done(QDialog::Rejected);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();  // never closes the window
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void CUpdateDlg::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* about = menu.addAction(QStringLiteral("关于 Update(&A)..."));
  if (menu.exec(event->globalPos()) == about) actions_->ShowAbout(this);
}

ds::LResult CUpdateDlg::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  HandleMessage(message, wparam, lparam);
  return 1;
}

void CUpdateDlg::HandleMessage(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (ended_) return;  // late messages of a window that has already closed
  switch (message) {
    case kMsgUpdateDone:
      done(QDialog::Accepted);
      break;
    case kMsgOverallProgress:
      overall_bar_->setValue(ProgressPercent(static_cast<long long>(wparam), static_cast<long long>(lparam)));
      break;
    case kMsgDownloadProgress:
      current_bar_->setValue(ProgressPercent(static_cast<long long>(wparam), static_cast<long long>(lparam)));
      break;
    case kMsgDownloadError:
      OnDownloadError();
      break;
    case kMsgTrayNotify:
      OnTray(lparam);
      break;
    case vexo_msg::kMsgTrayHostBack:  // the tray host restarted: the icon goes in again
      tray_.ClearInfo();
      tray_.Init(kTrayIconId, &icon_, "更新程序", GetHandle(), kMsgTrayNotify);
      hide_button_->setEnabled(tray_.IsAdded());
      break;
    default:
      break;
  }
}

void CUpdateDlg::OnDownloadError() {
  if (actions_->Ask(this, QStringLiteral("更新错误，是否重新更新？"))) {
    actions_->RestartUpdater(directory_, versions_.current, versions_.target);
  } else if (actions_->Ask(this, QStringLiteral("是否手动下载更新？"))) {
    actions_->OpenUrl(kVendorDownloadUrl);
  }
  done(QDialog::Rejected);
}

void CUpdateDlg::BringBack() {
  showNormal();
  raise();
  activateWindow();
}

void CUpdateDlg::OnTray(ds::LParam mouse) {
  if (mouse == vexo_msg::WM_LBUTTONDBLCLK) {
    BringBack();
  } else if (mouse == vexo_msg::WM_RBUTTONUP) {
    QMenu menu(this);
    QAction* quit = menu.addAction(QStringLiteral("退出"));
    if (menu.exec(QCursor::pos()) == quit) done(QDialog::Rejected);
  }
}

}  // namespace update
