#include "app/pages/dlg_uninstall_software.h"

#include <QMessageBox>
#include <QPainter>

#include "app/pages/page_rows.h"
#include "core/log/logger.h"
#include "core/platform/process.h"
#include "core/platform/wine_prefix.h"
#include "core/text/ascii.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/font.h"
#include "vexo/ui/render/icon.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/label.h"

namespace {

VEXO_ResourceMgr* Resources() { return VEXO_ResourceMgr::Instance(); }

// Windows uninstallers run through Wine, which writes the prefix's registry only when its server
// ends: the list is read again after that.
bool IsWindowsCommand(const std::string& command) {
  const std::vector<std::string> items = ds::SplitCommandLine(command);
  if (items.empty()) return false;
  const std::string program = ds::AsciiLower(items.front());
  const auto ends_with = [&program](const char* tail) {
    const std::string suffix(tail);
    return program.size() >= suffix.size() && program.compare(program.size() - suffix.size(), suffix.size(), suffix) == 0;
  };
  return ds::IsWindowsDrivePath(program) || ends_with(".exe") || ends_with(".msi") || ends_with("msiexec");
}

constexpr int kWineFlushWaitMs = 15000;

}  // namespace

UninstallSoftwareWnd::UninstallSoftwareWnd(CdlgUninstallSoftware* page, unsigned id) : CPageRow(page, id) {
  button_ = new VEXO_Button(this);
  button_->Create("", QRect(0, 9, 64, 24), this, kUninstallButtonBase + (id - page_rows::kFirstRowId));
  button_->SetImage(Resources()->GetImage("/img/Uninstall.png"));
  button_->hide();
}

void UninstallSoftwareWnd::Bind(int entry, const UninstallEntry* data, VEXO_Icon* icon) {
  entry_ = entry;
  name_ = data ? data->name : std::string();
  icon_ = icon;
  button_->setVisible(data != nullptr);
  update();
}

void UninstallSoftwareWnd::resizeEvent(QResizeEvent* event) {
  CPageRow::resizeEvent(event);
  button_->move(width() - 90, 9);
}

void UninstallSoftwareWnd::PaintContent(QPainter& painter) {
  if (entry_ < 0) return;
  const QRect icon_rect(20, (height() - 28) / 2, 28, 28);
  if (icon_ != nullptr) {
    painter.drawPixmap(icon_rect, icon_->Pixmap(28));
  } else if (VEXO_Image* other = Resources()->GetImage("/software/other.gif")) {
    other->Draw(&painter, icon_rect);
  }
  if (VEXO_Font* font = Resources()->GetFont("vfontUser12")) painter.setFont(font->GetQFont());
  painter.setPen(Qt::black);
  VEXO_DrawText(&painter, QString::fromStdString(name_), QRect(60, 0, width() - 160, height()),
                vexo_dt::DT_LEFT | vexo_dt::DT_VCENTER | vexo_dt::DT_SINGLELINE | vexo_dt::DT_NOPREFIX |
                    vexo_dt::DT_END_ELLIPSIS);
}

CdlgUninstallSoftware::CdlgUninstallSoftware(QWidget* parent, UninstallList::Scan scan)
    : CRowPage(parent), list_(std::move(scan)) {
  hide();
}

CdlgUninstallSoftware::~CdlgUninstallSoftware() {
  DetachMessages();
  delete failure_box_;
}

void CdlgUninstallSoftware::EnsureControls() {
  if (back_ != nullptr) return;
  no_result_ = new VEXO_Label(this);
  no_result_->Create(kNoSearchResult, VEXO_Label::SS_CENTER | VEXO_Label::SS_CENTERIMAGE | VEXO_Label::SS_NOPREFIX,
                     QRect(0, 0, width(), page_rows::kRowHeight * 2), this, 0);
  if (VEXO_Font* font = Resources()->GetFont("Userfont")) no_result_->setFont(font->GetQFont());
  no_result_->hide();
  back_ = new VEXO_Button(this);
  back_->Create("", QRect(width() - 76, height() - 26, 60, 22), this, kUninstallBackButton);
  back_->SetImage(Resources()->GetImage("img/backout.png"));
  back_->hide();
  AddWidget(kUninstallBackButton, back_);
}

void CdlgUninstallSoftware::PlacePage() {
  if (QWidget* owner = parentWidget()) setGeometry(1, 122, owner->width() - 2, owner->height() - 146);
}

void CdlgUninstallSoftware::ResizePage() {
  PlacePage();
  setFocus();
}

void CdlgUninstallSoftware::resizeEvent(QResizeEvent* event) {
  CRowPage::resizeEvent(event);
  if (back_ != nullptr) back_->move(width() - 76, height() - 26);
  if (no_result_ != nullptr) no_result_->setGeometry(0, 0, width(), page_rows::kRowHeight * 2);
}

void CdlgUninstallSoftware::ShowPage() {
  EnsureControls();
  ResizePage();
  icons_.clear();  // a program may have been reinstalled with another icon
  list_.ShowAll();
  AfterScan();
  show();
  raise();
}

void CdlgUninstallSoftware::HidePage() {
  if (back_ != nullptr) back_->hide();
  hide();
}

void CdlgUninstallSoftware::SearchInstalled(const std::string& query) {
  EnsureControls();
  const bool searching = list_.Search(query);
  ScrollTo(0);
  back_->setVisible(searching);
  if (searching) back_->raise();
  AfterScan();
  if (!searching && parentWidget() != nullptr) {
    if (auto* parent = dynamic_cast<VEXO_MessageWindow*>(parentWidget())) parent->PostMessage(kMsgSearchReset);
  }
}

void CdlgUninstallSoftware::Rescan() {
  EnsureControls();
  list_.Refresh();
  AfterScan();
}

void CdlgUninstallSoftware::AfterScan() {
  Layout();
  no_result_->setVisible(list_.Shown().empty());
  no_result_->raise();
  if (count_listener_) count_listener_(InstalledCount());
}

CPageRow* CdlgUninstallSoftware::MakeRow(unsigned id) {
  auto* row = new UninstallSoftwareWnd(this, id);
  if (back_ != nullptr) back_->raise();
  return row;
}

void CdlgUninstallSoftware::BindRow(CPageRow* row, int record) {
  auto* uninstall_row = static_cast<UninstallSoftwareWnd*>(row);
  if (record < 0) {
    uninstall_row->Bind(-1, nullptr, nullptr);
    return;
  }
  const UninstallEntry& entry = list_.Shown()[static_cast<std::size_t>(record)];
  uninstall_row->Bind(record, &entry, IconFor(entry.iconSource));
}

VEXO_Icon* CdlgUninstallSoftware::IconFor(const std::string& iconSource) {
  auto found = icons_.find(iconSource);
  if (found != icons_.end()) return found->second.get();
  std::unique_ptr<VEXO_Icon> icon;
  const IconSource source = ParseIconSource(iconSource);
  if (!source.path.empty()) icon.reset(VEXO_Icon::FromFile(source.path.c_str(), source.index));
  if (icon && icon->IsNull()) icon.reset();
  return icons_.emplace(iconSource, std::move(icon)).first->second.get();
}

UninstallSoftwareWnd* CdlgUninstallSoftware::RowOf(int index) const {
  for (CPageRow* row : Rows()) {
    auto* uninstall_row = static_cast<UninstallSoftwareWnd*>(row);
    if (uninstall_row->Entry() == index) return uninstall_row;
  }
  return nullptr;
}

void CdlgUninstallSoftware::Uninstall(int entry, unsigned row_id) {
  if (entry < 0 || entry >= static_cast<int>(list_.Shown().size())) return;
  const std::string command = list_.Shown()[static_cast<std::size_t>(entry)].command;
  ds::ProcessId pid = 0;
  const int code = ds::RunCommandLine(command.c_str(), &pid);
  if (code > 32) {
    ds::LogInfo("CdlgUninstallSoftware::Uninstall")("started %s.", command.c_str());
    const ds::MsgHandle self = GetHandle();
    const bool windows = IsWindowsCommand(command);
    ds::WatchProcess(pid, [self, windows](ds::ProcessId, int) {
      if (windows) ds::WaitForWineServer(kWineFlushWaitMs);
      ds::PostMessageTo(self, kMsgUninstallerEnded, 0, 0);
    });
  } else if (code == ds::kSpawnNoAssociation || code == ds::kSpawnBadFormat ||
             ds::OpenWithShell(command.c_str()) <= 32) {
    // Wine missing is said as such; the desktop's handler is no stand-in for it.
    ShowStartFailure(command, code);
  }
  PostMessage(kMsgSelectRow, row_id);
}

void CdlgUninstallSoftware::ShowStartFailure(const std::string& command, int code) {
  ds::LogWarn("CdlgUninstallSoftware::Uninstall")("can't start %s (%d).", command.c_str(), code);
  std::string text = std::string(kUninstallStartFailed) + "\n" + command;
  const std::vector<std::string> items = ds::SplitCommandLine(command);
  const std::string program = items.empty() ? command : items.front();
  if (code == ds::kSpawnNoAssociation) text += "\n\n" + ds::WineStatusMessage(ds::WineStatus::kNoWine, program);
  if (code == ds::kSpawnBadFormat) text += "\n\n" + ds::WineStatusMessage(ds::WineStatus::kNo32Bit, program);
  delete failure_box_;
  failure_box_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("Kiv软件"), QString::fromStdString(text));
  failure_box_->addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
  failure_box_->setAttribute(Qt::WA_DeleteOnClose);
  failure_box_->open();
}

ds::LResult CdlgUninstallSoftware::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  switch (message) {
    case vexo_msg::WM_COMMAND: {
      const unsigned id = vexo_msg::LowWord(wparam);
      if (vexo_msg::HighWord(wparam) != 0) return 0;
      if (id == kUninstallBackButton) {
        SearchInstalled("");
        return 1;
      }
      if (id >= kUninstallButtonBase && id < kUninstallButtonBase + Rows().size()) {
        const unsigned row_id = page_rows::kFirstRowId + (id - kUninstallButtonBase);
        auto* row = static_cast<UninstallSoftwareWnd*>(Rows()[id - kUninstallButtonBase]);
        Uninstall(row->Entry(), row_id);
        return 1;
      }
      return 0;
    }
    case kMsgSelectRow:
      SelectRow(static_cast<unsigned>(wparam));
      return 1;
    case kMsgUninstallerEnded:
      Rescan();
      return 1;
    default:
      return CRowPage::WindowProc(message, wparam, lparam);
  }
}
