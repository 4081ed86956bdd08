#include "app/assoc/dlg_mgr_set.h"

#include "app/assoc/dlg_browse_dir.h"
#include "app/assoc/mgr_config.h"
#include "app/assoc/system_settings.h"
#include "app/downloads/download_queue.h"
#include "vexo/download/http_downloader4.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/checkbox.h"
#include "vexo/ui/widgets/edit.h"
#include "vexo/ui/widgets/label.h"

namespace {

VEXO_Image* Image(const char* name) { return VEXO_ResourceMgr::Instance()->GetImage(name); }

}  // namespace

CDlgMgrSet::CDlgMgrSet(QWidget* parent) : VEXO_Dialog(parent, kChild) {
  resize(464, 376);
  picker_ = [this]() {
    CDlgBrowseDir picker(this);
    return picker.exec() == QDialog::Accepted ? picker.Chosen() : std::string();
  };
}

CDlgMgrSet::~CDlgMgrSet() { DetachMessages(); }

int CDlgMgrSet::OnInitDialog() {
  if (VEXO_Image* background = Image("img/DownloadSet.png")) SetImage(background);
  auto label = [this](const char* text, const QRect& rect) {
    auto* item = new VEXO_Label(this);
    item->Create(text, VEXO_Label::SS_LEFT | VEXO_Label::SS_NOPREFIX, rect, this, 0);
  };
  auto box = [this](const char* text, unsigned id, const QRect& rect) {
    auto* item = new VEXO_Checkbox(this);
    item->Create(text, rect, this, id);
    item->Init(Image("img/checkbox.png"), VEXO_Checkbox::kLeftCentre, 0xFFFFFFFFu);
    AddWidget(id, item);
    return item;
  };
  auto edit = [this](unsigned id, const char* image, const QRect& rect) {
    auto* item = new VEXO_Edit(this);
    item->Create(rect, this, id);
    item->Init(Image(image));
    AddWidget(id, item);
    return item;
  };
  label("下载目录", QRect(20, 16, 200, 20));
  own_dir_ = box("使用自定义下载目录", kOwnDir, QRect(30, 40, 200, 20));
  default_dir_ = box("使用默认下载目录", kDefaultDir, QRect(240, 40, 200, 20));
  dir_ = edit(kDirEdit, "img/diredit.png", QRect(30, 66, 320, 22));
  browse_ = new VEXO_Button(this);
  browse_->Create("", QRect(360, 66, 64, 22), this, kBrowse);
  browse_->SetImage(Image("img/Browse.png"));
  AddWidget(kBrowse, browse_);
  label("同时下载的任务数（1-99）", QRect(30, 102, 200, 20));
  count_ = edit(kCountEdit, "img/edit.gif", QRect(240, 100, 40, 22));
  count_->SetLimitText(2);
  label("下载限速（KB/秒，0 为不限速）", QRect(30, 134, 200, 20));
  speed_ = edit(kSpeedEdit, "img/edit.gif", QRect(240, 132, 80, 22));
  speed_->SetLimitText(9);
  label("Wine 目录（空为默认）", QRect(30, 166, 200, 20));
  wine_ = edit(kWineEdit, "img/diredit.png", QRect(30, 190, 394, 22));
  label("安装设置", QRect(20, 226, 200, 20));
  auto_install_ = box("下载完成后自动安装", kAutoInstall, QRect(30, 250, 200, 20));
  no_auto_install_ = box("下载完成后不自动安装", kNoAutoInstall, QRect(240, 250, 200, 20));
  startup_ = box("开机时启动Kiv软件管理", kStartup, QRect(30, 290, 260, 20));
  return 1;
}

void CDlgMgrSet::SetOwnDirectory(bool own) {
  own_dir_->SetCheck(own ? 1 : 0);
  default_dir_->SetCheck(own ? 0 : 1);
  dir_->setEnabled(own);
  browse_->setEnabled(own);
}

void CDlgMgrSet::InitPage(CMgrConfig& config, ds::MsgHandle owner) {
  Create();
  config_ = &config;
  owner_ = owner;
  const system_settings::Form form = system_settings::Load(config);
  filling_ = true;
  SetOwnDirectory(form.ownDirectory);
  dir_->SetWindowText(form.ownDirectory ? form.directory.c_str() : "");
  count_->SetWindowText(form.downloadCount.c_str());
  speed_->SetWindowText(form.speedLimit.c_str());
  wine_->SetWindowText(form.winePrefix.c_str());
  auto_install_->SetCheck(form.autoInstall ? 1 : 0);
  no_auto_install_->SetCheck(form.autoInstall ? 0 : 1);
  startup_->SetCheck(form.startup ? 1 : 0);
  filling_ = false;
  modified_ = false;
}

std::string CDlgMgrSet::ApplyPage() {
  if (config_ == nullptr) return "";
  system_settings::Form form;
  form.ownDirectory = own_dir_->GetCheck() != 0;
  form.directory = dir_->GetWindowText();
  form.downloadCount = count_->GetWindowText();
  form.autoInstall = auto_install_->GetCheck() != 0;
  form.startup = startup_->GetCheck() != 0;
  form.speedLimit = speed_->GetWindowText();
  form.winePrefix = wine_->GetWindowText();
  DownloadQueue* queue = GetDownloadQueue();
  const system_settings::Outcome outcome =
      system_settings::Apply(*config_, form, queue != nullptr ? queue->RunningCount() : 0);
  if (!outcome.applied) return outcome.message;
  HttpDownloader4::SetSpeedLimit(config_->GetSpeedLimit());
  if (outcome.startWaiting && queue != nullptr) {
    queue->StartWaitingDownloads();
    if (owner_ != 0) ds::PostMessageTo(owner_, kMsgMoreDownloads, 0, 0);
  }
  if (owner_ != 0) ds::PostMessageTo(owner_, kMsgApplied, 0, 0);
  modified_ = false;
  return "";
}

ds::LResult CDlgMgrSet::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message != vexo_msg::WM_COMMAND) return VEXO_Dialog::WindowProc(message, wparam, lparam);
  const unsigned id = vexo_msg::LowWord(wparam);
  const unsigned code = vexo_msg::HighWord(wparam);
  if (code == vexo_msg::EN_CHANGE) {
    if (filling_) return 1;
    modified_ = true;
    if (id == kCountEdit) {
      const std::string text = count_->GetWindowText();
      const std::string clamped = system_settings::ClampDownloadCount(text);
      if (clamped != text) count_->SetWindowText(clamped.c_str());
    }
    return 1;
  }
  if (code != vexo_msg::BN_CLICKED) return 1;
  switch (id) {
    case kOwnDir:
    case kDefaultDir:
      SetOwnDirectory(id == kOwnDir);
      modified_ = true;
      break;
    case kAutoInstall:
    case kNoAutoInstall:
      auto_install_->SetCheck(id == kAutoInstall ? 1 : 0);
      no_auto_install_->SetCheck(id == kAutoInstall ? 0 : 1);
      modified_ = true;
      break;
    case kStartup:
      modified_ = true;
      break;
    case kBrowse: {
      // A cancelled picker leaves the edit as it was.
      const std::string chosen = picker_ ? picker_() : std::string();
      if (!chosen.empty()) {
        dir_->SetWindowText(chosen.c_str());
        modified_ = true;
      }
      break;
    }
    default:
      break;
  }
  return 1;
}
