#include "app/assoc/dlg_set_mgr.h"

#include <QGuiApplication>
#include <QScreen>

#include "app/assoc/associate_file_set_dlg.h"
#include "app/assoc/dlg_change_html.h"
#include "app/assoc/dlg_mgr_set.h"
#include "app/assoc/dlg_set_soft.h"
#include "app/catalogue/software_mgr.h"
#include "app/home/dialog_home_page.h"
#include "app/home/home_session.h"
#include "app/assoc/mgr_config.h"
#include "app/home/dlg_sys_msg.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/b_label.h"
#include "vexo/ui/widgets/image_button.h"

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 460;
constexpr const char* kTabImages[CDlgSetMgr::kPageCount] = {"img/OftenSoft.png", "img/OftenHtml.png",
                                                            "img/AssSet.png", "img/SysSet.png"};

VEXO_Image* Image(const char* name) { return VEXO_ResourceMgr::Instance()->GetImage(name); }

}  // namespace

CDlgSetMgr::CDlgSetMgr(CMgrConfig& config) : VEXO_Dialog(nullptr, kTopLevel), config_(config) {
  setWindowTitle(QStringLiteral("系统设置"));
  resize(kWidth, kHeight);
  message_ = std::make_unique<CDlgSysMsg>();
}

CDlgSetMgr::~CDlgSetMgr() {
  DetachMessages();
  message_.reset();
}

int CDlgSetMgr::OnInitDialog() {
  if (VEXO_Image* background = Image("img/SetMgrbg.png")) SetImage(background);
  SetTitleHeight(32);
  auto* title = new VEXO_BLabel(this);
  title->Create("", 0, QRect(8, 0, 160, 32), this, 0);
  title->SetBkImage(Image("img/TitleSetMgr.png"));
  system_ = new CDlgMgrSet(this);
  associations_ = new CAssociateFileSetDlg(this);
  programs_ = new CDlgSetSoft(this);
  pages_[kOftenSoft] = programs_;
  sites_ = new CDlgChangeHtml(this);
  pages_[kOftenSites] = sites_;
  pages_[kAssociations] = associations_;
  pages_[kSystem] = system_;
  int y = 44;
  for (int page = 0; page < kPageCount; ++page) {
    if (!pages_[static_cast<std::size_t>(page)]) continue;
    auto* tab = new VEXO_Button(this);
    tab->Create("", QRect(12, y, 112, 34), this, kFirstTab + static_cast<unsigned>(page));
    tab->SetImage(Image(kTabImages[page]));
    AddWidget(kFirstTab + static_cast<unsigned>(page), tab);
    tabs_[static_cast<std::size_t>(page)] = tab;
    y += 40;
    pages_[static_cast<std::size_t>(page)]->Create();
    pages_[static_cast<std::size_t>(page)]->move(128, 40);
    pages_[static_cast<std::size_t>(page)]->hide();
  }
  VEXO_AddImageButtons(this, {{kApply, "img/SetApply.png", QRect(330, 424, 72, 26)},
                              {kSave, "img/SetSave.png", QRect(414, 424, 72, 26)},
                              {kCancel, "img/SetCancel.png", QRect(498, 424, 72, 26)},
                              {kClose, "img/button_close.png", QRect(kWidth - 32, 4, 26, 20)}});
  return 1;
}

bool CDlgSetMgr::HasPage(int page) const {
  if (page < 0 || page >= kPageCount || !pages_[static_cast<std::size_t>(page)]) return false;
  // The list pages edit the home page's lists.
  return (page != kOftenSites && page != kOftenSoft) || home_ != nullptr;
}

void CDlgSetMgr::OpenSettings(VEXO_Dialog* owner, int page) {
  Create();
  owner_ = owner;
  if (owner_) owner_->EnableWindow(false);
  SwitchTo(HasPage(page) ? page : kSystem);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  show();
  raise();
  activateWindow();
}

void CDlgSetMgr::SwitchTo(int page) {
  if (!HasPage(page)) return;
  current_ = page;
  int y = 44;  // the tabs of the pages offered, one under the other
  for (int i = 0; i < kPageCount; ++i) {
    if (!pages_[static_cast<std::size_t>(i)]) continue;
    VEXO_Button* tab = tabs_[static_cast<std::size_t>(i)];
    pages_[static_cast<std::size_t>(i)]->setVisible(i == page);
    tab->setVisible(HasPage(i));
    tab->setEnabled(i != page);
    if (HasPage(i)) {
      tab->move(12, y);
      y += 40;
    }
  }
  // Each page shows the settings as they are now.
  const ds::MsgHandle owner = owner_ ? owner_->GetHandle() : 0;
  if (page == kSystem) system_->InitPage(config_, owner);
  if (page == kAssociations) associations_->InitAssociationPage(config_);
  if (page == kOftenSites) InitSitesPage();
  if (page == kOftenSoft) {
    std::vector<SoftwareState*> all;
    if (SoftwareMgr* software = GetSoftwareMgr()) {
      for (auto& entry : software->States())
        if (entry.second.type >= 0) all.push_back(&entry.second);  // hidden programs are not offered
    }
    programs_->InitPage(home_->Session().Programs().Items(), all);
  }
}

void CDlgSetMgr::InitSitesPage() {
  const CommonSites& sites = home_->Session().Sites();
  sites_->InitPage(sites.UserSites(), sites.DefaultCount(), [this](const std::string& text) { Notice(text); });
}

void CDlgSetMgr::Notice(const std::string& text) {
  message_->ShowMessage(GetHandle(), 0, text);
  message_->SetOkMessage(0);
}

bool CDlgSetMgr::Apply() {
  if (current_ == kSystem) {
    const std::string refusal = system_->ApplyPage();
    if (!refusal.empty()) {
      Notice(refusal);
      return false;
    }
  } else if (current_ == kAssociations) {
    associations_->ApplyAssociationPage();
  } else if (current_ == kOftenSoft) {
    home_->SetCommonPrograms(programs_->Picker().Ticked());
    if (owner_) ds::PostMessageTo(owner_->GetHandle(), kMsgProgramsChanged, 0, 0);
  } else if (current_ == kOftenSites) {
    if (!sites_->StorePending() || !home_->SetCommonSites(sites_->Sites())) return false;
    InitSitesPage();
    if (owner_) ds::PostMessageTo(owner_->GetHandle(), kMsgSitesChanged, 0, 0);
  }
  if (owner_ && (current_ == kSystem || current_ == kAssociations))
    ds::PostMessageTo(owner_->GetHandle(), kMsgApplied, 0, 0);
  return true;
}

void CDlgSetMgr::Hide() {
  message_->hide();
  hide();
  if (owner_) owner_->EnableWindow(true);
}

void CDlgSetMgr::OnClose() {
  // Unsaved sites are asked about; other pages close like cancel.
  if (current_ == kOftenSites && sites_->HasPendingChange()) {
    message_->ShowMessage(GetHandle(), 1, "内容有修改，是否保存？");
    message_->SetOkMessage(kMsgSaveAndClose);
    message_->SetCancelMessage(kMsgCloseNow);
    return;
  }
  Hide();
}

ds::LResult CDlgSetMgr::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message == vexo_msg::WM_COMMAND && vexo_msg::HighWord(wparam) == vexo_msg::BN_CLICKED) {
    const unsigned id = vexo_msg::LowWord(wparam);
    if (id >= kFirstTab && id < kFirstTab + kPageCount) {
      SwitchTo(static_cast<int>(id - kFirstTab));
      return 1;
    }
    switch (id) {
      case kApply: Apply(); return 1;
      case kSave:
        if (Apply()) Hide();
        return 1;
      case kCancel: Hide(); return 1;
      case kClose: OnClose(); return 1;
      default: break;
    }
  }
  if (message == kMsgSaveAndClose) {
    if (Apply()) Hide();
    return 1;
  }
  if (message == kMsgCloseNow) {
    Hide();
    return 1;
  }
  return VEXO_Dialog::WindowProc(message, wparam, lparam);
}
