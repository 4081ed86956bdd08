#include "app/pages/soft_page.h"

#include <QResizeEvent>

#include "app/catalogue/software_mgr.h"
#include "app/downloads/download_messages.h"
#include "app/downloads/download_queue.h"
#include "app/home/dlg_sys_msg.h"
#include "app/pages/category_bar.h"
#include "app/pages/installer_worker.h"
#include "core/files/file_system.h"
#include "core/log/logger.h"
#include "core/text/path.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/header_ctrl.h"

CSoftPage::CSoftPage(QWidget* parent, ds::MsgHandle main) : VEXO_Dialog(parent, kChild), main_(main) {
  // Captions only: the columns follow the items' layout, so the header takes no mouse input.
  header_ = new VEXO_HeaderCtrl(this);
  header_->setAttribute(Qt::WA_TransparentForMouseEvents);
  VEXO_ResourceMgr* resources = VEXO_ResourceMgr::Instance();
  header_->SetHeadImg(resources->GetImage("img/ListHead.png"), resources->GetImage("img/ListHeadDiv.png"));
  header_->InsertItem(0, QStringLiteral("软件分类"), VEXO_HeaderCtrl::LVCFMT_CENTER, kListX);
  header_->InsertItem(1, QStringLiteral("软件名称"), VEXO_HeaderCtrl::LVCFMT_LEFT, 0);
  header_->InsertItem(2, QStringLiteral("大小"), VEXO_HeaderCtrl::LVCFMT_LEFT, 0);
  header_->InsertItem(3, QStringLiteral("状态"), VEXO_HeaderCtrl::LVCFMT_LEFT, 0);
  header_->InsertItem(4, QStringLiteral("操作"), VEXO_HeaderCtrl::LVCFMT_CENTER, 0);
  items_ = new SoftInfoShow(this, this);
  notice_ = std::make_unique<CDlgSysMsg>();
}

CSoftPage::~CSoftPage() { DetachMessages(); }

SoftwareMgr* CSoftPage::Software() const { return GetSoftwareMgr(); }
DownloadQueue* CSoftPage::Queue() const { return GetDownloadQueue(); }

void CSoftPage::resizeEvent(QResizeEvent* event) {
  VEXO_Dialog::resizeEvent(event);
  LayoutChildren();
}

void CSoftPage::LayoutChildren() {
  const int below = std::max(0, height() - kHeaderHeight);
  header_->setGeometry(0, 0, width(), kHeaderHeight);
  if (bar_ != nullptr) bar_->setGeometry(0, kHeaderHeight, CSoftCategoryBar::kWidth, below);
  items_->setGeometry(kListX, kHeaderHeight, std::max(0, width() - kListX - 4), below);
  // Each caption starts where its column's text starts in the items (the name column takes the
  // icon in); the action caption is centred over the buttons.
  const SoftInfoShow::Columns columns = SoftInfoShow::ColumnsFor(items_->ListWidth());
  header_->SetItemWidth(1, columns.size);
  header_->SetItemWidth(2, columns.state - columns.size);
  header_->SetItemWidth(3, columns.button - columns.state);
  header_->SetItemWidth(4, SoftInfoShow::kButtonWidth);
}

void CSoftPage::HideGadget() {
  hide();
  items_->Clear();
  launching_.clear();
}

std::string CSoftPage::InstallerPath(const SoftwareState& program) const {
  const std::string directory = Software() != nullptr ? Software()->DownloadDir() : std::string();
  return ds::NativePath(FinishedInstallerPath(directory, program.url));
}

void CSoftPage::ShowNotice(const std::string& text) {
  notice_->ShowMessage(GetHandle(), 0, text);
  notice_->SetOkMessage(0);
  notice_->SetCancelMessage(0);
}

void CSoftPage::RefreshChanged() { items_->RefreshChanged(); }

void CSoftPage::MarkDownloading(SoftwareState* program, bool upgrade) {
  SoftwareMgr* manager = Software();
  {
    ds::LockGuard guard(&manager->StateLock());
    program->usesUpdateStatus = upgrade ? 1 : 0;
  }
  manager->SetStatus(program, StatusDownloading);
  program->downloadedBytes = 0;
  program->totalBytes = 1;
  program->speed = 0;
}

void CSoftPage::OnItemButton(SoftwareState* program) {
  SoftwareMgr* manager = Software();
  DownloadQueue* queue = Queue();
  if (program == nullptr || manager == nullptr || queue == nullptr) return;
  const bool installer = ds::IsRegularFile(InstallerPath(*program));
  switch (soft_pages::ActionFor(*program, installer, IsLaunching(program->id))) {
    case soft_pages::ItemAction::Download:
      MarkDownloading(program, false);
      PostMessage(kMsgStartDownload, ProgramIdParam(program->id), 0);
      break;
    case soft_pages::ItemAction::Upgrade:
      MarkDownloading(program, true);
      queue->AddDownload(program);
      ds::PostMessageTo(main_, kMsgDownloadsChanged, ProgramIdParam(program->id), 0);
      break;
    case soft_pages::ItemAction::Pause:
      if (queue->PauseDownload(program) == DownloadQueue::PauseOutcome::PausedRunning)
        ds::PostMessageTo(main_, kMsgDownloadPaused, ProgramIdParam(program->id), 0);
      break;
    case soft_pages::ItemAction::Resume:
      queue->ResumeDownload(program);
      ds::PostMessageTo(main_, kMsgDownloadsChanged, ProgramIdParam(program->id), 0);
      break;
    case soft_pages::ItemAction::Install:
      InstallFromItem(program->id);
      break;
    case soft_pages::ItemAction::Run:
      if (!manager->RunProgram(program->id, nullptr)) ShowNotice("无法启动" + program->name);
      break;
    case soft_pages::ItemAction::Nothing:
      break;
  }
  items_->RefreshChanged();
  items_->update();
}

void CSoftPage::StartDownload(int id) {
  SoftwareMgr* manager = Software();
  SoftwareState* program = manager != nullptr ? manager->FindState(id) : nullptr;
  if (program == nullptr || Queue() == nullptr) return;
  {
    ds::LockGuard guard(&manager->StateLock());
    program->usesUpdateStatus = 0;
  }
  Queue()->AddDownload(program);
  ds::PostMessageTo(main_, kMsgDownloadsChanged, ProgramIdParam(id), 0);
  items_->RefreshChanged();
}

void CSoftPage::RunInstaller(int id) {
  SoftwareMgr* manager = Software();
  SoftwareState* program = manager != nullptr ? manager->FindState(id) : nullptr;
  if (program == nullptr || IsLaunching(id)) return;
  const std::string path = InstallerPath(*program);
  launching_.insert(id);
  if (!StartInstallerWorker(path, id, GetHandle())) {
    launching_.erase(id);
    ShowNotice(InstallerFailureText(path, 0));
  }
  items_->update();
}

ds::LResult CSoftPage::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  const int id = ProgramIdOf(wparam);
  switch (message) {
    case kMsgStartDownload:
      StartDownload(id);
      return 1;
    case kMsgRunInstaller:
      RunInstaller(id);
      return 1;
    case kMsgInstallerEnded:
      if (Software() != nullptr) Software()->DetectSoftware(id);
      launching_.erase(id);
      items_->RefreshChanged();
      items_->update();
      return 1;
    case kMsgInstallerFailed: {
      // The item is free again and the user learns why nothing happened.
      launching_.erase(id);
      SoftwareState* program = Software() != nullptr ? Software()->FindState(id) : nullptr;
      if (program != nullptr) ShowNotice(InstallerFailureText(InstallerPath(*program), static_cast<int>(lparam)));
      items_->update();
      return 1;
    }
    default:
      return VEXO_Dialog::WindowProc(message, wparam, lparam);
  }
}
