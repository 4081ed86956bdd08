#include "app/assoc/associate_file_set_dlg.h"

#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

#include "app/assoc/association_engine.h"
#include "app/assoc/mgr_config.h"
#include "app/catalogue/dict_mgr.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/checkbox.h"
#include "vexo/ui/widgets/image_button.h"
#include "vexo/ui/widgets/skin_scroll_wnd.h"

namespace {

constexpr int kBoxHeight = 18;
constexpr int kColumnWidth = 83;

VEXO_Image* Image(const char* name) { return VEXO_ResourceMgr::Instance()->GetImage(name); }

VEXO_Checkbox* MakeBox(QWidget* parent, const std::string& text, unsigned id, const QRect& rect) {
  auto* box = new VEXO_Checkbox(parent);
  box->Create(text.c_str(), rect, parent, id);
  box->Init(Image("img/checkbox.png"), VEXO_Checkbox::kLeftCentre, 0xFFFFFFFFu);
  return box;
}

}  // namespace

CAssociateInfoShowWnd::CAssociateInfoShowWnd(QWidget* parent) : VEXO_Dialog(parent, kChild) {
  resize(kWidth, 100);
}

CAssociateInfoShowWnd::~CAssociateInfoShowWnd() { DetachMessages(); }

void CAssociateInfoShowWnd::Build(ds::MsgHandle page) {
  page_ = page;
  if (built_) return;
  built_ = true;
  Create();
  ds::VecDict<AssociateFileType>& types = CDictMgr::Instance()->AssociateFileTypes();
  ds::VecDict<AssociateFile>& files = CDictMgr::Instance()->AssociateFiles();
  int y = 10;
  for (int g = 0; g < types.Count(); ++g) {
    const AssociateFileType* type = types.At(g);
    if (type == nullptr) continue;
    if (!groups_.empty()) y += 17;
    Group group;
    group.box = MakeBox(this, " " + type->name, kFirstGroup + static_cast<unsigned>(groups_.size()),
                        QRect(5, y, 230, kBoxHeight));
    y += kBoxHeight + 8;
    int column = 0;
    int rowY = y;
    for (int f = 0; f < files.Count(); ++f) {
      const AssociateFile* file = files.At(f);
      if (file == nullptr || file->typeid_ != type->id) continue;
      const int index = static_cast<int>(extensions_.size());
      rowY = y;
      boxes_.push_back(MakeBox(this, " *." + file->name, kFirstExtension + static_cast<unsigned>(index),
                               QRect(23 + kColumnWidth * column, y, kColumnWidth, kBoxHeight)));
      extensions_.push_back(file->name);
      group_of_.push_back(static_cast<int>(groups_.size()));
      group.members.push_back(index);
      if (++column == 4) {
        column = 0;
        y += kBoxHeight + 8;
      }
    }
    y = column == 0 ? y - 8 : rowY + kBoxHeight;
    groups_.push_back(group);
  }
  resize(kWidth, y + 10);
}

int CAssociateInfoShowWnd::ExtensionIndex(const std::string& ext) const {
  const auto found = std::find(extensions_.begin(), extensions_.end(), ext);
  return found == extensions_.end() ? -1 : static_cast<int>(found - extensions_.begin());
}

void CAssociateInfoShowWnd::RetickGroup(std::size_t group) {
  bool all = !groups_[group].members.empty();
  for (const int member : groups_[group].members) all = all && boxes_[static_cast<std::size_t>(member)]->GetCheck();
  groups_[group].box->SetCheck(all ? 1 : 0);
}

void CAssociateInfoShowWnd::Tick(CMgrConfig& config) {
  for (std::size_t i = 0; i < extensions_.size(); ++i) {
    int chosen = 0;
    for (const AssociationSetting* entry : config.Associations())
      if (entry->name == extensions_[i]) chosen = entry->chosen;
    boxes_[i]->SetCheck(chosen ? 1 : 0);
  }
  for (std::size_t g = 0; g < groups_.size(); ++g) RetickGroup(g);
}

void CAssociateInfoShowWnd::TickAll(bool on) {
  for (VEXO_Checkbox* box : boxes_) box->SetCheck(on ? 1 : 0);
  for (Group& group : groups_) group.box->SetCheck(on && !group.members.empty() ? 1 : 0);
}

ds::LResult CAssociateInfoShowWnd::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message != vexo_msg::WM_COMMAND || vexo_msg::HighWord(wparam) != vexo_msg::BN_CLICKED)
    return VEXO_Dialog::WindowProc(message, wparam, lparam);
  const unsigned id = vexo_msg::LowWord(wparam);
  if (id >= kFirstGroup && id < kFirstGroup + groups_.size()) {
    const Group& group = groups_[id - kFirstGroup];
    for (const int member : group.members) boxes_[static_cast<std::size_t>(member)]->SetCheck(group.box->GetCheck());
  } else if (id >= kFirstExtension && id < kFirstExtension + boxes_.size()) {
    RetickGroup(static_cast<std::size_t>(group_of_[id - kFirstExtension]));
  } else {
    return 1;
  }
  if (page_ != 0) ds::PostMessageTo(page_, CAssociateFileSetDlg::kMsgBoxClicked, 0, 0);
  return 1;
}

CAssociateFileSetDlg::CAssociateFileSetDlg(QWidget* parent) : VEXO_Dialog(parent, kChild) { resize(464, 376); }

CAssociateFileSetDlg::~CAssociateFileSetDlg() { DetachMessages(); }

int CAssociateFileSetDlg::OnInitDialog() {
  area_ = new QScrollArea(this);
  area_->setGeometry(20, 16, CAssociateInfoShowWnd::kWidth + 18, 300);
  area_->setFrameShape(QFrame::NoFrame);
  area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  info_ = new CAssociateInfoShowWnd(nullptr);
  area_->setWidget(info_);
  if (VEXO_Image* bar = Image("Img/SoftAssociate/scrollbar.png")) SkinWndScrollimg(area_, bar);
  never_ask_ = MakeBox(this, "以后不再询问", kNeverAsk, QRect(20, 330, 160, kBoxHeight));
  AddWidget(kNeverAsk, never_ask_);
  VEXO_AddImageButtons(this, {{kTickAll, "img/SoftAssociate/Bt05.png", QRect(230, 328, 64, 22)},
                              {kUntickAll, "img/SoftAssociate/Bt06.png", QRect(330, 328, 64, 22)}});
  return 1;
}

void CAssociateFileSetDlg::InitAssociationPage(CMgrConfig& config) {
  Create();
  config_ = &config;
  if (!engine_) engine_ = std::make_unique<CAssociationEngine>(config, CAssociationEngine::ProgramPath());
  engine_->RefreshAssociationStates();
  never_ask_->SetCheck(config.GetOpenAssociateWnd() ? 1 : 0);
  info_->Build(GetHandle());
  info_->Tick(config);
  modified_ = false;
}

void CAssociateFileSetDlg::ApplyAssociationPage() {
  if (config_ == nullptr) return;
  config_->SetOpenAssociateWnd(never_ask_->GetCheck() ? 1 : 0);
  for (AssociationSetting* entry : config_->Associations()) {
    const int index = info_->ExtensionIndex(entry->name);
    if (index < 0) continue;
    entry->bound = entry->chosen = info_->ExtensionBox(index)->GetCheck();
  }
  engine_->ApplyZeploAssociations();
  config_->SaveSettings();
  modified_ = false;
}

ds::LResult CAssociateFileSetDlg::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message == kMsgBoxClicked) {
    modified_ = true;
    return 1;
  }
  if (message == vexo_msg::WM_COMMAND && vexo_msg::HighWord(wparam) == vexo_msg::BN_CLICKED) {
    switch (vexo_msg::LowWord(wparam)) {
      case kTickAll: info_->TickAll(true); modified_ = true; return 1;
      case kUntickAll: info_->TickAll(false); modified_ = true; return 1;
      case kNeverAsk: modified_ = true; return 1;
      default: break;
    }
  }
  return VEXO_Dialog::WindowProc(message, wparam, lparam);
}
