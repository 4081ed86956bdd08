#include "app/assoc/associate_file_dlg.h"

#include <QGuiApplication>
#include <QScreen>

#include <cctype>

#include "app/assoc/association_engine.h"
#include "app/assoc/bt_list_ctrl.h"
#include "app/catalogue/software_mgr.h"
#include "app/shell/corvane_app.h"
#include "core/text/path.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/icon.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/checkbox.h"
#include "vexo/ui/widgets/header_ctrl.h"
#include "vexo/ui/widgets/control_notify.h"
#include "vexo/ui/widgets/image_button.h"
#include "vexo/ui/widgets/label.h"

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 470;
constexpr int kListWidth = 367;
constexpr char kAlwaysUseText[] = " 始终使用选择的程序打开同一类型的文件！";

VEXO_Image* Image(const char* name) { return VEXO_ResourceMgr::Instance()->GetImage(name); }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

CAssociateFileDlg::CAssociateFileDlg(SoftwareMgr& software, CMgrConfig& config, const std::string& program)
    : VEXO_Dialog(nullptr, kTopLevel),
      software_(software),
      engine_(std::make_unique<CAssociationEngine>(config, program)),
      chooser_(shell::OpenWithChooser) {
  setWindowTitle(QStringLiteral("Kiv打开方式"));
  resize(kWidth, kHeight);
}

CAssociateFileDlg::~CAssociateFileDlg() { DetachMessages(); }

int CAssociateFileDlg::OnInitDialog() {
  if (VEXO_Image* background = Image("img/SoftAssociate/bg.png")) SetImage(background);
  SetTitleHeight(32);
  title_ = new VEXO_Label(this);
  title_->Create("", VEXO_Label::SS_LEFT | VEXO_Label::SS_NOPREFIX | VEXO_Label::SS_PATHELLIPSIS,
                 QRect(16, 40, kListWidth, 20), this, 0);
  auto makeList = [this](unsigned id, const QRect& rect) {
    auto* list = new VEXO_BtListCtrl(this);
    list->Create(rect, this, id);
    list->Init();
    list->InsertColumn(0, "", 0, kListWidth);
    list->GetHeaderCtrl()->hide();
    list->SetRowHeight(24);
    AddWidget(id, list);
    return list;
  };
  installed_ = makeList(kInstalledList, QRect(16, 66, kListWidth, 160));
  available_ = makeList(kAvailableList, QRect(16, 234, kListWidth, 130));
  always_ = new VEXO_Checkbox(this);
  always_->Create(kAlwaysUseText, QRect(16, 374, kListWidth, 20), this, kAlwaysUse);
  always_->Init(Image("img/checkbox.png"), VEXO_Checkbox::kLeftCentre, 0xFFFFFFFFu);
  AddWidget(kAlwaysUse, always_);
  VEXO_AddImageButtons(this, {
                                 {kClose, "img/SoftAssociate/bt00.png", QRect(kWidth - 32, 4, 26, 20)},
                                 {kSystemChooser, "img/SoftAssociate/bt01.png", QRect(16, 428, 80, 26)},
                                 {kShowManager, "img/SoftAssociate/bt02.png", QRect(102, 428, 80, 26)},
                                 {kAccept, "img/SoftAssociate/bt03.png", QRect(232, 428, 72, 26)},
                                 {kCancel, "img/SoftAssociate/bt04.png", QRect(312, 428, 72, 26)},
                             });
  return 1;
}

int CAssociateFileDlg::IconIndex(const std::string& name, const std::string& icon) {
  for (const auto& known : icon_index_)
    if (known.first == name) return known.second;
  int index = -1;
  std::string file = icon;
  const std::size_t dot = file.rfind('.');
  if (dot != std::string::npos) file = file.substr(0, dot) + ".ico";
  VEXO_Icon* loaded = file.empty() ? nullptr : VEXO_ResourceMgr::Instance()->GetIcon(file.c_str());
  if (loaded != nullptr) {
    icons_.push_back(loaded->Small());
    index = static_cast<int>(icons_.size()) - 1;
    installed_->SetImageList(icons_);
  }
  icon_index_.emplace_back(name, index);
  return index;
}

void CAssociateFileDlg::ShowForFile(const std::string& path, ds::MsgHandle owner) {
  Create();
  path_ = path;
  owner_ = owner;
  title_->SetWindowText(ds::FileNameOf(path).c_str());
  always_->SetCheck(1);
  FillLists(-1, -1);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  show();
  raise();
  activateWindow();
}

void CAssociateFileDlg::RefreshPrograms() {
  if (!isVisible()) return;
  const int installedId = installed_->GetSelectedRow() >= 0
                              ? static_cast<int>(installed_->GetItemData(installed_->GetSelectedRow()))
                              : -1;
  const int availableId = available_->GetSelectedRow() >= 0
                              ? static_cast<int>(available_->GetItemData(available_->GetSelectedRow()))
                              : -1;
  FillLists(installedId, availableId);
}

void CAssociateFileDlg::FillLists(int keepInstalled, int keepAvailable) {
  choice_ = open_with::CollectCandidates(software_, path_, [this](int id, const std::string& dotExt) {
    return engine_->IsSoftAssociated(id, dotExt);
  });
  installed_->DeleteAllItems();
  available_->DeleteAllItems();
  for (const open_with::Candidate& candidate : choice_.installed) {
    const int row = installed_->InsertItem(installed_->GetItemCount(), candidate.name.c_str(),
                                           IconIndex(candidate.name, candidate.icon));
    installed_->SetItemData(row, static_cast<std::uintptr_t>(candidate.id));
    if (candidate.id == keepInstalled) choice_.selected = row;
  }
  for (const open_with::Candidate& candidate : choice_.available) {
    const int row = available_->InsertItem(available_->GetItemCount(), candidate.name.c_str());
    available_->SetItemData(row, static_cast<std::uintptr_t>(candidate.id));
    available_->SetRowButton(row, Image(candidate.install ? "Img/SoftAssociate/Install.png"
                                                          : "Img/SoftAssociate/Download.png"));
    if (candidate.id == keepAvailable) available_->SetSelectedRow(row);
  }
  if (available_->GetSelectedRow() < 0) installed_->SetSelectedRow(choice_.selected);
}

void CAssociateFileDlg::Accept() {
  const int installedRow = installed_->GetSelectedRow();
  if (installedRow >= 0) {
    const int id = static_cast<int>(installed_->GetItemData(installedRow));
    SoftwareState* state = software_.FindState(id);
    if (state != nullptr) {
      const std::string dotExt = "." + Lower(open_with::ExtensionOf(path_));
      if (always_->GetCheck())
        engine_->AssociateSoft("用  " + state->name + " 打开", dotExt, id, state->installedExe + " %1");
      std::string param;
      engine_->GetAssociateParam(id, dotExt, param);
      software_.RunProgramArgs(id, open_with::OpenArguments(param, path_));
    }
  }
  const int availableRow = available_->GetSelectedRow();
  if (availableRow >= 0 && owner_ != 0)
    ds::PostMessageTo(owner_, kMsgGetProgram, available_->GetItemData(availableRow), 0);
  CloseChooser();
}

void CAssociateFileDlg::CloseChooser() {
  if (owner_ != 0) ds::PostMessageTo(owner_, kMsgClosed, 0, 0);
  hide();
}

void CAssociateFileDlg::OnClose() { CloseChooser(); }

ds::LResult CAssociateFileDlg::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message == vexo_msg::WM_NOTIFY) {
    const auto* header = reinterpret_cast<const VEXO_NMHDR*>(lparam);
    if (header != nullptr && header->code == vexo_msg::NM_CLICK) {
      // One program is chosen at a time, from either list.
      if (header->idFrom == kInstalledList && installed_->GetSelectedRow() >= 0) available_->SetSelectedRow(-1);
      if (header->idFrom == kAvailableList && available_->GetSelectedRow() >= 0) installed_->SetSelectedRow(-1);
      return 1;
    }
  }
  if (message == vexo_msg::WM_COMMAND && vexo_msg::HighWord(wparam) == 0) {
    switch (vexo_msg::LowWord(wparam)) {
      case kClose:
      case kCancel:
        CloseChooser();
        return 1;
      case kSystemChooser:
        if (chooser_) chooser_(path_);
        CloseChooser();
        return 1;
      case kShowManager:
        if (owner_ != 0) ds::PostMessageTo(owner_, kMsgWantsManager, 0, 0);
        return 1;
      case kAccept:
        Accept();
        return 1;
      default:
        break;
    }
  }
  return VEXO_Dialog::WindowProc(message, wparam, lparam);
}
