#include "app/pages/dlg_update_software.h"

#include <QPainter>
#include <cstdio>

#include "app/assoc/mgr_config.h"
#include "app/downloads/download_messages.h"
#include "app/downloads/download_mgr_wnd.h"
#include "app/downloads/download_queue.h"
#include "app/downloads/program_icon.h"
#include "app/downloads/split_dlg.h"
#include "app/pages/page_rows.h"
#include "core/log/logger.h"
#include "core/platform/process.h"
#include "core/text/path.h"
#include "core/thread/sync.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/font.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/checkbox.h"

namespace {

constexpr char kImageUpdate[] = "/img/BtUpdate.png";
constexpr char kImageInstall[] = "/img/BtInstall.png";
constexpr char kImageIgnore[] = "/img/BtIgnore.png";
constexpr char kImageAttend[] = "/img/btAttention.png";
constexpr unsigned kDownloadListId = 1101;

VEXO_ResourceMgr* Resources() { return VEXO_ResourceMgr::Instance(); }

void ResetDownloadCounters(SoftwareState& state) {
  state.downloadedBytes = 0;
  state.totalBytes = 1;
  state.totalUnknown = 0;
  state.speed = 0;
}

}  // namespace

// ---- row ----

SoftwareUpdateWnd::SoftwareUpdateWnd(CdlgUpdateSoftware* page, unsigned id) : CPageRow(page, id) {
  const unsigned index = id - page_rows::kFirstRowId;
  check_ = new VEXO_Checkbox(this);
  check_->Create("", QRect(8, 13, 16, 16), this, kCheckBase + index);
  check_->Init(Resources()->GetImage("Img/checkbox.gif"), VEXO_Checkbox::kLeftCentre, 0xFFFFFFFFu);
  attention_ = new VEXO_Button(this);
  attention_->Create("", QRect(0, 9, 64, 24), this, kAttentionBase + index);
  action_ = new VEXO_Button(this);
  action_->Create("", QRect(0, 9, 64, 24), this, kActionBase + index);
  Bind(nullptr);
}

void SoftwareUpdateWnd::Bind(SoftwareState* state) {
  state_ = state;
  check_->setVisible(state != nullptr);
  attention_->setVisible(state != nullptr);
  action_->setVisible(state != nullptr);
  if (state != nullptr) {
    // A newly bound record starts from the upgrade look; its status decides the rest.
    action_image_ = kImageUpdate;
    action_->SetImage(Resources()->GetImage(action_image_));
    action_->setEnabled(true);
    Sync();
  }
  update();
}

void SoftwareUpdateWnd::Sync() {
  if (state_ == nullptr) return;
  check_->SetCheck(state_->checked ? 1 : 0);
  const char* attention = state_->attention == 1 ? kImageIgnore : kImageAttend;
  if (attention != attention_image_) {
    attention_image_ = attention;
    attention_->SetImage(Resources()->GetImage(attention_image_));
  }
  const UpdateAction action = ActionFor(UpgradeActionStatus(*state_));
  const char* image = action == UpdateAction::kInstall ? kImageInstall
                      : action == UpdateAction::kDownload ? kImageUpdate
                                                         : action_image_;
  if (image != action_image_) {
    action_image_ = image;
    action_->SetImage(Resources()->GetImage(action_image_));
  }
  action_->setEnabled(action != UpdateAction::kBusy);
}

void SoftwareUpdateWnd::resizeEvent(QResizeEvent* event) {
  CPageRow::resizeEvent(event);
  attention_->move(width() - 150, 9);
  action_->move(width() - 80, 9);
}

std::string SoftwareUpdateWnd::InstalledText() const {
  return state_ ? "已安装版本:" + state_->installedVersion : std::string();
}

std::string SoftwareUpdateWnd::NewestText() const {
  if (state_ == nullptr) return std::string();
  return "最新版本:" + (state_->verinfoshow.empty() ? state_->verinfo : state_->verinfoshow);
}

std::string SoftwareUpdateWnd::SizeText() const {
  if (state_ == nullptr) return std::string();
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(state_->size));
  return text;
}

void SoftwareUpdateWnd::PaintContent(QPainter& painter) {
  if (state_ == nullptr) return;
  DrawProgramIcon(&painter, *state_, QRect(30, (height() - 28) / 2, 28, 28));
  if (VEXO_Font* font = Resources()->GetFont("vfontUser12")) painter.setFont(font->GetQFont());
  painter.setPen(Qt::black);
  const unsigned line = vexo_dt::DT_LEFT | vexo_dt::DT_VCENTER | vexo_dt::DT_SINGLELINE | vexo_dt::DT_NOPREFIX |
                        vexo_dt::DT_END_ELLIPSIS;
  const int right = width() - 160;  // the two buttons
  const auto cell = [&](int x, int w) { return QRect(x, 0, std::max(0, std::min(w, right - x)), height()); };
  VEXO_DrawText(&painter, QString::fromStdString(state_->name), cell(66, 170), line);
  VEXO_DrawText(&painter, QString::fromStdString(SizeText()), cell(240, 70), line);
  VEXO_DrawText(&painter, QString::fromStdString(InstalledText()), cell(315, 150), line);
  VEXO_DrawText(&painter, QString::fromStdString(NewestText()), cell(470, 150), line);
}

// ---- page ----

CdlgUpdateSoftware::CdlgUpdateSoftware(QWidget* parent, SoftwareMgr& manager, DownloadQueue& queue,
                                       UpdateList::AttentionReader attention)
    : CRowPage(parent), manager_(manager), queue_(queue), list_(manager, std::move(attention)) {
  hide();
}

CdlgUpdateSoftware::~CdlgUpdateSoftware() { DetachMessages(); }

void CdlgUpdateSoftware::EnsureControls() {
  if (split_ != nullptr) return;
  auto* main = dynamic_cast<VEXO_MessageWindow*>(parentWidget());
  split_ = new CSplitdlg(this, GetHandle(), main ? main->GetHandle() : GetHandle());
  split_->SetListShown(false);
  downloads_ = new CDownloadMgrWnd(this);
  downloads_->Create(QRect(0, 0, width(), kDownloadListHeight), this, kDownloadListId);
  downloads_->hide();
  PlaceDownloads();
}

bool CdlgUpdateSoftware::IsDownloadListShown() const { return split_ != nullptr && split_->IsListShown(); }

int CdlgUpdateSoftware::ListHeight() const {
  if (split_ == nullptr) return height();
  return std::max(0, height() - CSplitdlg::kHeight - (IsDownloadListShown() ? kDownloadListHeight : 0));
}

void CdlgUpdateSoftware::PlaceDownloads() {
  if (split_ == nullptr) return;
  const int list = IsDownloadListShown() ? kDownloadListHeight : 0;
  split_->setGeometry(0, height() - list - CSplitdlg::kHeight, width(), CSplitdlg::kHeight);
  split_->show();
  split_->raise();
  downloads_->setGeometry(0, height() - list, width(), kDownloadListHeight);
  downloads_->setVisible(list > 0);
  if (list > 0) downloads_->raise();
}

void CdlgUpdateSoftware::ShowDownloadList(bool shown) {
  if (split_ == nullptr || IsDownloadListShown() == shown) return;
  split_->SetListShown(shown);
  PlaceDownloads();
  if (shown) downloads_->BuildRows();
  Layout();
}

void CdlgUpdateSoftware::resizeEvent(QResizeEvent* event) {
  PlaceDownloads();
  CRowPage::resizeEvent(event);
}

void CdlgUpdateSoftware::PlacePage() {
  if (QWidget* owner = parentWidget()) setGeometry(1, 223, owner->width() - 2, owner->height() - 247);
}

void CdlgUpdateSoftware::ResizePage() {
  PlacePage();
  setFocus();
}

void CdlgUpdateSoftware::ShowPage() {
  EnsureControls();
  ResizePage();
  ScrollTo(0);
  Rebuild(UpdateList::kAttended, false);
  show();
  raise();
  if (!shown_once_) {
    shown_once_ = true;
    if (!queue_.DownloadList().empty()) ShowDownloadList(true);
  }
}

void CdlgUpdateSoftware::HidePage() {
  hide();
  list_.Clear();
  ScrollTo(0);
  DestroyRows();
}

void CdlgUpdateSoftware::Rebuild(int mode, bool force) {
  const bool changed = list_.Rebuild(mode, force);
  Layout();
  if (changed) NotifyCount();
}

void CdlgUpdateSoftware::NotifyCount() {
  if (auto* parent = dynamic_cast<VEXO_MessageWindow*>(parentWidget())) parent->PostMessage(kMsgUpgradeCountChanged);
}

void CdlgUpdateSoftware::CheckUpgrades() { list_.Rebuild(UpdateList::kAttended, false); }

void CdlgUpdateSoftware::ShowAllUpdates() {
  manager_.DetectAll();
  Rebuild(UpdateList::kAll, true);
}

void CdlgUpdateSoftware::ShowAttendedUpdates() { Rebuild(UpdateList::kAttended, false); }

void CdlgUpdateSoftware::RefreshUpdates() { Rebuild(list_.mode(), false); }

CPageRow* CdlgUpdateSoftware::MakeRow(unsigned id) {
  auto* row = new SoftwareUpdateWnd(this, id);
  if (split_ != nullptr) {
    split_->raise();
    if (downloads_->isVisible()) downloads_->raise();
  }
  return row;
}

void CdlgUpdateSoftware::BindRow(CPageRow* row, int record) {
  auto* update_row = static_cast<SoftwareUpdateWnd*>(row);
  SoftwareState* state = record >= 0 ? list_.Listed()[static_cast<std::size_t>(record)] : nullptr;
  if (update_row->State() != state) update_row->Bind(state);
}

SoftwareUpdateWnd* CdlgUpdateSoftware::RowOf(int id) const {
  for (CPageRow* row : Rows()) {
    auto* update_row = static_cast<SoftwareUpdateWnd*>(row);
    if (update_row->State() != nullptr && update_row->State()->id == id) return update_row;
  }
  return nullptr;
}

void CdlgUpdateSoftware::RowAction(SoftwareState* state) {
  if (state == nullptr) return;
  manager_.DetectSoftware(state->id);
  SoftwareUpdateWnd* row = RowOf(state->id);  // null while scrolled out of view
  switch (ActionFor(UpgradeActionStatus(*state))) {
    case UpdateAction::kDownload:
      if (row != nullptr) row->ActionButton()->setEnabled(true);
      ResetDownloadCounters(*state);
      PostMessage(kMsgStartUpgrade, ProgramIdParam(state->id));
      break;
    case UpdateAction::kInstall: RunInstaller(*state); break;
    case UpdateAction::kBusy: break;
  }
  if (row != nullptr) {
    row->Sync();
    row->update();
    PostMessage(kMsgUpgradeRowSelect, row->Id());
  }
}

bool CdlgUpdateSoftware::RunInstaller(const SoftwareState& state) {
  const std::string path = ds::NativePath(UpgradeInstallerPath(manager_, state));
  if (!ds::IsRegularFile(path)) return false;
  if (ds::StartProcess(path.c_str(), nullptr, ds::DirectoryOf(path).c_str(), nullptr) > 32) return true;
  ds::LogWarn("CdlgUpdateSoftware::RunInstaller")("can't start %s.", path.c_str());
  return true;  // the installer is there; downloading it again would not help
}

void CdlgUpdateSoftware::StartUpgrade(int id) {
  SoftwareState* state = list_.Find(id);
  if (state == nullptr) return;
  if (IsBusyStatus(UpgradeActionStatus(*state))) return;  // a second click, or a download running
  MarkUpgradeDownloading(manager_, *state);
  queue_.AddDownload(state);
  downloads_->AddRow();
  ShowDownloadList(true);
  if (SoftwareUpdateWnd* row = RowOf(id)) row->Sync();
}

void CdlgUpdateSoftware::UpdateChecked() {
  // A copy: an action may change the list.
  const std::vector<SoftwareState*> listed = list_.Listed();
  for (SoftwareState* state : listed)
    if (state->checked) RowAction(state);
}

void CdlgUpdateSoftware::ToggleAttention(SoftwareUpdateWnd* row) {
  SoftwareState* state = row->State();
  if (state == nullptr) return;
  state->attention = state->attention == 1 ? 0 : 1;
  CMgrConfig* config = GetMgrConfig();
  if (state->attention == 1) {
    row->Sync();
    if (config) config->SetSoftAttention(state->id, 1);
    PostMessage(kMsgUpgradeRowSelect, row->Id());
  } else {
    PostMessage(kMsgIgnoreUpgrade, ProgramIdParam(state->id));
    if (config) config->SetSoftAttention(state->id, 0);
  }
}

void CdlgUpdateSoftware::SetCheckedAttention(int flag) {
  CMgrConfig* config = GetMgrConfig();
  std::vector<int> removed;
  for (SoftwareState* state : list_.Listed()) {
    if (!state->checked) continue;
    state->attention = flag ? 1 : 0;
    if (!flag) {
      state->listed = 0;
      removed.push_back(state->id);
    }
    if (config) config->SetSoftAttention(state->id, state->attention);
  }
  for (int id : removed) list_.Remove(id);
  Layout();
  if (!removed.empty()) NotifyCount();
  for (CPageRow* row : Rows()) static_cast<SoftwareUpdateWnd*>(row)->Sync();
}

void CdlgUpdateSoftware::CheckAll(int flag) {
  for (SoftwareState* state : list_.Listed()) state->checked = flag ? 1 : 0;
  for (CPageRow* row : Rows()) static_cast<SoftwareUpdateWnd*>(row)->Sync();
}

void CdlgUpdateSoftware::RefreshRows() {
  for (SoftwareState* state : list_.Listed()) {
    state->statusChanged = 1;
    state->updateStatusChanged = 1;
  }
  for (CPageRow* row : Rows()) {
    static_cast<SoftwareUpdateWnd*>(row)->Sync();
    row->update();
  }
}

void CdlgUpdateSoftware::UpdateSoftByName(const std::string& name) {
  EnsureControls();
  for (SoftwareState* listed : list_.Listed()) {
    if (listed->name == name) {
      RowAction(listed);
      ShowDownloadList(true);
      return;
    }
  }
  SoftwareState* state = manager_.FindStateByName(name);
  if (state == nullptr) return;
  if (!RunInstaller(*state)) {
    // The installer is gone (moved, cleaned up): fetch it again, as the all-software page does.
    {
      ds::LockGuard guard(&manager_.StateLock());
      state->usesUpdateStatus = 0;
      state->status = StatusDownloading;
      state->statusChanged = 1;
    }
    ResetDownloadCounters(*state);
    queue_.AddDownload(state);
    downloads_->AddRow();
  }
  ShowDownloadList(true);
}

ds::LResult CdlgUpdateSoftware::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  const int id = ProgramIdOf(wparam);
  switch (message) {
    case vexo_msg::WM_COMMAND: {
      const unsigned control = vexo_msg::LowWord(wparam);
      if (vexo_msg::HighWord(wparam) != 0) return 0;
      const auto row_at = [this](unsigned base, unsigned control) -> SoftwareUpdateWnd* {
        const unsigned index = control - base;
        return index < Rows().size() ? static_cast<SoftwareUpdateWnd*>(Rows()[index]) : nullptr;
      };
      if (control >= SoftwareUpdateWnd::kActionBase) {
        if (SoftwareUpdateWnd* row = row_at(SoftwareUpdateWnd::kActionBase, control)) RowAction(row->State());
      } else if (control >= SoftwareUpdateWnd::kAttentionBase) {
        if (SoftwareUpdateWnd* row = row_at(SoftwareUpdateWnd::kAttentionBase, control)) ToggleAttention(row);
      } else if (control >= SoftwareUpdateWnd::kCheckBase) {
        SoftwareUpdateWnd* row = row_at(SoftwareUpdateWnd::kCheckBase, control);
        if (row != nullptr && row->State() != nullptr) row->State()->checked = row->CheckBox()->GetCheck();
      }
      return 1;
    }
    case kMsgStartUpgrade:
      StartUpgrade(id);
      return 1;
    case kMsgIgnoreUpgrade:
      if (list_.Remove(id)) {
        Layout();
        NotifyCount();
      }
      return 1;
    case kMsgUpgradeRowSelect:
      SelectRow(static_cast<unsigned>(wparam));
      return 1;
    case kMsgRunInstaller:
      if (SoftwareState* state = manager_.FindState(id)) RunInstaller(*state);
      return 1;
    case CSplitdlg::kMsgToggled:
      // The bar switched its own look; the list follows it.
      PlaceDownloads();
      if (IsDownloadListShown()) downloads_->BuildRows();
      Layout();
      return 1;
    default:
      return CRowPage::WindowProc(message, wparam, lparam);
  }
}
