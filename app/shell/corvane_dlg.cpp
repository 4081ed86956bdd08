#include "app/shell/corvane_dlg.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "app/assoc/association_engine.h"
#include "app/assoc/associate_file_dlg.h"
#include "app/assoc/dlg_set_mgr.h"
#include "app/assoc/mgr_config.h"
#include "app/catalogue/dict_mgr.h"
#include "app/catalogue/software_mgr.h"
#include "app/downloads/download_messages.h"
#include "app/downloads/download_mgr_wnd.h"
#include "app/downloads/download_queue.h"
#include "app/downloads/split_dlg.h"
#include "app/home/dialog_home_page.h"
#include "app/home/dlg_sys_msg.h"
#include "app/home/dlg_user_info.h"
#include "app/home/kiv_net_msg.h"
#include "app/pages/dlg_require_software.h"
#include "app/pages/dlg_software.h"
#include "app/pages/dlg_uninstall_software.h"
#include "app/pages/dlg_update_software.h"
#include "app/pages/installer_worker.h"
#include "app/shell/command_line.h"
#include "app/shell/control_ids.h"
#include "app/shell/instance_link.h"
#include "app/shell/pager_bar.h"
#include "app/shell/shell_rules.h"
#include "app/shell/startup_files.h"
#include "app/shell/update_check.h"
#include "core/platform/program_version.h"
#include "core/files/file_system.h"
#include "core/log/logger.h"
#include "core/platform/process.h"
#include "core/text/path.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/icon.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/bc_menu.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/checkbox.h"
#include "vexo/ui/widgets/control_notify.h"
#include "vexo/ui/widgets/edit.h"
#include "vexo/ui/widgets/image_button.h"
#include "vexo/ui/widgets/label.h"

using namespace shell_ids;

namespace {

constexpr int kTitleHeight = 23;
constexpr int kPageTop = 122;
constexpr int kPageBottom = 566;
constexpr char kPlaceholder[] = "此页面尚未完成";
constexpr char kWelcome[] = "欢迎使用Kiv软件管理";
constexpr unsigned kUninstallRefresh = 1083;
// The upgrade page's buttons, above the page.
constexpr unsigned kUpgradeShowAll = 1030;
constexpr unsigned kUpgradeRecheck = 1031;
constexpr unsigned kUpgradeAll = 1032;
constexpr unsigned kUpgradeAttend = 1034;
constexpr unsigned kUpgradeIgnore = 1035;
constexpr unsigned kUpgradeRefresh = 1132;
constexpr unsigned kUpgradeSelectAll = 1052;
constexpr unsigned kUpgradeTip = 1203;
constexpr int kDownloadListHeight = 90;
constexpr unsigned kDownloadListId = 1101;

struct PageButtonSpec {
  unsigned id;
  const char* image;
};
constexpr PageButtonSpec kPageButtons[CCorvaneDlg::kPageCount] = {
    {kHomePage, "img/BtHome.png"},       {kCommonPage, "img/BtCommon.png"},
    {kAllPage, "img/BtAll.png"},         {kUpgradePage, "img/BtUpgrade.png"},
    {kUninstallPage, "img/BtUninst.png"}};

const BCMenuItem kSettingsMenu[] = {
    {kMenuOftenSoft, "常用软件设置", 0},
    {kMenuOftenSites, "常用网址设置", 0},
    {kMenuAssociations, "文件关联设置", 0},
    {kMenuSystem, "系统设置", 0},
    {0, "", 0},
    {kMenuDownloadDir, "打开下载目录", 0},
};

VEXO_Image* Image(const char* name) { return VEXO_ResourceMgr::Instance()->GetImage(name); }

}  // namespace

CCorvaneDlg::CCorvaneDlg()
    : software_(std::make_unique<SoftwareMgr>()), queue_(std::make_unique<DownloadQueue>(*software_)) {
  SetSoftwareMgr(software_.get());
  SetDownloadQueue(queue_.get());
  update_ = std::make_unique<CUpdateCheck>();
  notice_ = std::make_unique<CDlgSysMsg>();
  question_ = std::make_unique<CDlgSysMsg>();
  net_ = std::make_shared<CKivNetMsg>();
}

CCorvaneDlg::~CCorvaneDlg() {
  DetachMessages();
  chooser_.reset();
  settings_.reset();
  delete tray_menu_;
  tray_.Delete();
  update_.reset();
  user_info_.reset();
  delete home_;  // before the link it registered its handlers with
  home_ = nullptr;
  net_.reset();
  notice_.reset();
  question_.reset();
  queue_.reset();
  SetDownloadQueue(nullptr);
  SetSoftwareMgr(nullptr);
  software_.reset();
}

void CCorvaneDlg::setVisible(bool visible) {
  if (visible && !show_allowed_) return;
  VEXO_Dialog::setVisible(visible);
}

int CCorvaneDlg::OnInitDialog() {
  setWindowTitle(QStringLiteral("Kiv软件"));
  if (VEXO_Icon* icon = LogoIcon()) setWindowIcon(icon->GetQIcon());
  if (VEXO_Image* background = Image("img/bg.png")) SetImage(background, 220, 781, kTitleHeight, kPageBottom);
  SetTitleHeight(kTitleHeight);
  resize(kNormalWidth, kNormalHeight);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  CreateControls();
  CreatePages();

  // Download folder: the configured one, else <work>/setup with its Temp folder.
  CMgrConfig* config = GetMgrConfig();
  if (config) {
    const std::string dir = config->GetDownloadDir();
    if (dir.empty() || !ds::MakeDirectories(ds::NativePath(dir))) {
      const std::string fallback = ds::FileSystem::Instance()->CombineWorkPath(std::string("setup"));
      config->SetDownloadDir(fallback.c_str());
      ds::MakeDirectories(ds::JoinPath(ds::NativePath(fallback), "Temp"));
    }
  }

  AddTrayIcon();
  if (!instance_name_.empty()) {
    instance_server_ = new shell::CInstanceServer([this](const std::string& text) { HandleForwarded(text); }, this);
    if (!instance_server_->Listen(instance_name_.c_str()))
      ds::LogWarn("CCorvaneDlg::OnInitDialog")("can't listen for a second start.");
  }
  version_->SetWindowText((std::string("当前版本：") + kProgramVersion).c_str());
  quick_product_->setVisible(false);  // until the catalogue names its program
  OpenPage(kHome);
  if (!defer_loading_) {
    LoadSoftware();
  } else {
    // The window takes no input until the catalogue is there; a window that stays hidden (or is
    // never painted) loads at once.
    EnableWindow(false);
    QTimer::singleShot(show_allowed_ ? kLoadFallbackMs : 0, this, [this] { LoadSoftware(); });
  }
  return 1;
}

void CCorvaneDlg::paintEvent(QPaintEvent* event) {
  VEXO_Dialog::paintEvent(event);
  // The first frame is out once this paint is flushed: the rest of the start-up follows it.
  if (defer_loading_ && !software_loaded_) QTimer::singleShot(0, this, [this] { LoadSoftware(); });
}

void CCorvaneDlg::LoadSoftware() {
  if (software_loaded_ || exiting_) return;
  software_loaded_ = true;
  if (software_->LoadCategories() && software_->LoadCommonCategories()) software_->BuildStates();
  software_->DetectAll();
  home_->Attach(net_, GetHandle(), ds::FileSystem::Instance()->GetWorkPath());
  home_->setVisible(current_page_ == kHome);
  software_->ScanInterruptedDownloads(software_->DownloadDir());
  queue_->SetOwner(GetHandle());
  queue_->RestoreDownloads();
  upgrade_->CheckUpgrades();

  shell::ReplaceUpdater(ds::FileSystem::Instance()->GetAppPath());
  SetTimer(kTimerMain, 40);
  // The product button needs the catalogue program it starts.
  quick_product_->setVisible(software_->FindStateByName("Xelbo") != nullptr);
  if (defer_loading_) EnableWindow(true);
  OpenPendingChooser();
}

void CCorvaneDlg::CreateControls() {
  for (int i = 0; i < kPageCount; ++i) {
    auto* button = new VEXO_Button(this);
    button->Create("", QRect(12 + i * 80, 28, 76, 68), this, kPageButtons[i].id);
    button->SetImage(Image(kPageButtons[i].image));
    page_buttons_[i] = button;
    AddWidget(kPageButtons[i].id, button);
  }
  struct ToolSpec {
    unsigned id;
    const char* image;
  };
  const ToolSpec tools[] = {{kSettings, "img/BtSetting.png"}, {kDownloadDir, "img/BtDownDir.png"},
                            {kProductLaunch, "img/BtXelbo.png"}, {kQuickGuard, "img/BtQuick2.png"},
                            {kQuickAntivirus, "img/BtQuick1.png"}};
  int x = kNormalWidth - 12 - 64;
  for (const ToolSpec& tool : tools) {
    auto* button = new VEXO_Button(this);
    button->Create("", QRect(x, 28, 64, 68), this, tool.id);
    button->SetImage(Image(tool.image));
    AddWidget(tool.id, button);
    if (tool.id == kProductLaunch) quick_product_ = button;
    if (tool.id == kSettings)
      button->SetMenu(kSettingsMenu, static_cast<int>(sizeof(kSettingsMenu) / sizeof(kSettingsMenu[0])),
                      GetHandle());
    x -= 68;
  }
  VEXO_AddImageButtons(this, {{kMinimise, "img/button_min.png", QRect(kNormalWidth - 82, 1, 26, 20)},
                              {kMaximise, "img/button_max.png", QRect(kNormalWidth - 56, 1, 26, 20)},
                              {kClose, "img/button_close.png", QRect(kNormalWidth - 30, 1, 26, 20)}});
  search_ = new VEXO_Edit(this);
  search_->Create(QRect(230, 100, 200, 22), this, kSearchEdit);
  search_->Init(Image("img/SearchEdit.png"));
  search_->SetTextColor(shell::kSearchHintColour, shell::kSearchHintColour);
  search_->SetWindowText(shell::kSearchHint);
  AddWidget(kSearchEdit, search_);
  search_button_ = new VEXO_Button(this);
  search_button_->Create("", QRect(436, 100, 56, 22), this, kSearchButton);
  search_button_->SetImage(Image("img/BtSearch.png"));
  AddWidget(kSearchButton, search_button_);
  user_button_ = new VEXO_Button(this);
  user_button_->Create("", QRect(kNormalWidth - 12 - 5 * 68 - 36, 46, 32, 32), this, kUserButton);
  user_button_->hide();
  AddWidget(kUserButton, user_button_);
  more_ = new VEXO_Button(this);
  more_->Create("", QRect(kNormalWidth - 84, 100, 72, 22), this, kMoreSoftware);
  more_->SetImage(Image("img/BtMore.png"));
  AddWidget(kMoreSoftware, more_);
  for (int i = 0; i < 2; ++i) {
    status_[i] = new VEXO_Label(this);
    status_[i]->Create("", VEXO_Label::SS_LEFT | VEXO_Label::SS_CENTERIMAGE | VEXO_Label::SS_NOPREFIX,
                       QRect(12 + i * 300, kPageBottom + 3, 290, 20), this, i == 0 ? kStatusLabel1 : kStatusLabel2);
  }
  version_ = new VEXO_Label(this);
  version_->Create("", VEXO_Label::SS_RIGHT | VEXO_Label::SS_CENTERIMAGE | VEXO_Label::SS_NOPREFIX,
                   QRect(kNormalWidth - 226, kPageBottom + 3, 200, 20), this, kVersionLabel);
}

void CCorvaneDlg::CreatePages() {
  for (int i = 0; i < kPageCount; ++i) {
    if (i == kAll) {
      all_ = new DlgSoftware(this, GetHandle());
      all_->setGeometry(0, kPageTop, kNormalWidth, kPageBottom - kPageTop);
      all_->hide();
      pages_[i] = all_;
      continue;
    }
    if (i == kCommon) {
      common_ = new CdlgRequireSoftware(this, GetHandle());
      common_->setGeometry(0, kPageTop, kNormalWidth, kPageBottom - kPageTop);
      common_->hide();
      pages_[i] = common_;
      continue;
    }
    if (i == kHome) {
      home_ = new CDialogHomePage(this, *software_);
      home_->setGeometry(0, kPageTop, kNormalWidth, kPageBottom - kPageTop);
      home_->Create();  // its controls are in the first frame; the lists come with the catalogue
      home_->hide();
      pages_[i] = home_;
      continue;
    }
    auto* page = new VEXO_Dialog(this, kChild);
    page->setGeometry(0, kPageTop, kNormalWidth, kPageBottom - kPageTop);
    auto* label = new VEXO_Label(page);
    label->Create(kPlaceholder, VEXO_Label::SS_CENTER | VEXO_Label::SS_CENTERIMAGE | VEXO_Label::SS_NOPREFIX,
                  QRect(0, 0, kNormalWidth, kPageBottom - kPageTop), page, 0);
    page->hide();
    pages_[i] = page;
  }
  CreateUninstallPage();
  CreateUpgradePage();
  pager_bar_ = new CPagerBar(this, pager_, GetHandle());
  pager_bar_->setGeometry(265, kPageBottom + 3, CPagerBar::kWidth, CPagerBar::kHeight);
  pager_bar_->hide();
  split_ = new CSplitdlg(this, GetHandle(), GetHandle());
  split_->hide();
  downloads_ = new CDownloadMgrWnd(this);
  downloads_->Create(QRect(0, kPageBottom - kDownloadListHeight, kNormalWidth, kDownloadListHeight), this,
                     kDownloadListId);
  downloads_->hide();
}

void CCorvaneDlg::CreateUninstallPage() {
  delete pages_[kUninstall];
  uninstall_ = new CdlgUninstallSoftware(this);
  uninstall_->SetCountListener([this](int count) {
    if (current_page_ != kUninstall) return;
    char text[96];
    std::snprintf(text, sizeof(text), "已检测到安装了%d款软件！ ", count);
    SetStatus(text, "");
  });
  pages_[kUninstall] = uninstall_;
  uninstall_refresh_ = new VEXO_Button(this);
  uninstall_refresh_->Create("", QRect(kNormalWidth - 84, 100, 72, 22), this, kUninstallRefresh);
  uninstall_refresh_->SetImage(Image("img/BtRefresh.png"));
  uninstall_refresh_->hide();
  AddWidget(kUninstallRefresh, uninstall_refresh_);
}

void CCorvaneDlg::CreateUpgradePage() {
  delete pages_[kUpgrade];
  upgrade_ = new CdlgUpdateSoftware(this, *software_, *queue_);
  pages_[kUpgrade] = upgrade_;
  const struct {
    unsigned id;
    const char* image;
  } buttons[] = {{kUpgradeShowAll, "img/BtShowAll.png"}, {kUpgradeRecheck, "img/BtRecheck.png"},
                 {kUpgradeAll, "img/BtUpdateAll.png"},   {kUpgradeAttend, "img/BtAttendSel.png"},
                 {kUpgradeIgnore, "img/BtIgnoreSel.png"}, {kUpgradeRefresh, "img/BtRefresh.png"}};
  int x = 12;
  for (const auto& spec : buttons) {
    upgrade_controls_.push_back(VEXO_AddImageButton(this, {spec.id, spec.image, QRect(x, 158, 72, 22)}));
    x += 78;
  }
  auto* tip = new VEXO_Label(this);
  tip->Create("定期升级软件至最新版本，可杜绝第三方软件漏洞！", VEXO_Label::SS_LEFT | VEXO_Label::SS_CENTERIMAGE | VEXO_Label::SS_NOPREFIX,
              QRect(12, 128, 500, 22), this, kUpgradeTip);
  upgrade_controls_.push_back(tip);
  auto* select_all = new VEXO_Checkbox(this);
  select_all->Create("全选", QRect(10, 196, 80, 22), this, kUpgradeSelectAll);
  select_all->Init(Image("Img/checkbox.gif"), VEXO_Checkbox::kLeftCentre, 0xFFFFFFFFu);
  select_all->SetCheck(1);
  AddWidget(kUpgradeSelectAll, select_all);
  upgrade_controls_.push_back(select_all);
  for (QWidget* control : upgrade_controls_) control->hide();
}

void CCorvaneDlg::SetUpgradeCountLabel() {
  char text[96];
  std::snprintf(text, sizeof(text), "发现有%d款可用软件有升级更新！", upgrade_->ListedCountNow());
  SetStatus(kWelcome, text);
}

void CCorvaneDlg::LayoutDownloads() {
  if (current_page_ < 0) return;
  const int top = kPageTop;
  const int bottom = kPageBottom;
  const int width = kNormalWidth;
  QWidget* page = pages_[current_page_];
  if (downloads_over_page_) {
    split_->hide();
    downloads_->setGeometry(0, top, width, bottom - top);
    downloads_->show();
    downloads_->raise();
    return;
  }
  // The software pages show the list below them while anything is queued.
  const bool hosts = current_page_ == kAll || current_page_ == kCommon;
  const bool queued = !queue_->DownloadList().empty();
  int page_bottom = bottom;
  if (hosts && queued) {
    const int list = split_->IsListShown() ? kDownloadListHeight : 0;
    page_bottom = bottom - list - CSplitdlg::kHeight;
    split_->setGeometry(0, page_bottom, width, CSplitdlg::kHeight);
    split_->show();
    split_->raise();
    if (list > 0) {
      downloads_->setGeometry(0, bottom - list, width, list);
      downloads_->show();
      downloads_->raise();
    } else {
      downloads_->hide();
    }
  } else {
    split_->hide();
    downloads_->hide();
  }
  if (current_page_ == kUpgrade)
    upgrade_->PlacePage();
  else if (current_page_ == kUninstall)
    uninstall_->PlacePage();
  else
    page->setGeometry(0, top, width, page_bottom - top);
}

void CCorvaneDlg::RefreshDownloadLists() {
  for (CDownloadMgrWnd* list : CDownloadMgrWnd::Instances()) list->AddRow();
  LayoutDownloads();
}

void CCorvaneDlg::Search() {
  // Enter in the edit and the search button search the page showing.
  if (current_page_ == kUninstall) {
    const std::string query = search_->GetWindowText();
    uninstall_->SearchInstalled(query == shell::kSearchHint ? std::string() : query);
    return;
  }
  if (current_page_ != kAll) return;
  std::string text = search_->GetWindowText();
  all_->SearchSoftware(text);
}

void CCorvaneDlg::TurnPage() {
  pager_bar_->Sync();
  if (all_->CurrentPage() != pager_.page()) all_->ShowPage(pager_.page());
}

void CCorvaneDlg::OpenPage(int page) {
  if (page < 0 || page >= kPageCount || page == current_page_) return;
  if (current_page_ >= 0) {
    page_buttons_[current_page_]->setEnabled(true);
    if (current_page_ == kAll)
      all_->HideGadget();
    else if (current_page_ == kCommon)
      common_->HideGadget();
    else if (current_page_ == kUninstall)
      uninstall_->HidePage();
    else if (current_page_ == kUpgrade)
      upgrade_->HidePage();
    else
      pages_[current_page_]->hide();
  }
  page_buttons_[page]->setEnabled(false);
  current_page_ = page;
  downloads_over_page_ = false;
  const bool searchable = page == kAll || page == kUninstall;
  search_->setVisible(searchable);
  search_button_->setVisible(searchable);
  more_->setVisible(page == kAll);
  uninstall_refresh_->setVisible(page == kUninstall);
  for (QWidget* control : upgrade_controls_) control->setVisible(page == kUpgrade);
  pager_bar_->setVisible(page == kAll);
  LayoutDownloads();
  if (page == kAll) all_->ShowGadget();
  if (page == kCommon) common_->ShowGadget();
  if (page != kUninstall && page != kUpgrade) {
    pages_[page]->show();
    pages_[page]->raise();
  }
  switch (page) {
    case kAll: {
      software_->DetectAll();
      pager_.Reset(all_->PageCount());
      pager_bar_->Sync();
      search_->SetTextColor(shell::kSearchHintColour, shell::kSearchHintColour);
      search_->SetWindowText(shell::kSearchHint);
      int count = 0;
      for (const auto& entry : software_->States())
        if (entry.second.type > 0) ++count;
      char text[64];
      std::snprintf(text, sizeof(text), "%d款常用软件", count);
      SetStatus(text, "");
      break;
    }
    case kHome:
      SetStatus("", "");
      break;
    case kUpgrade:
      software_->DetectAll();
      upgrade_->ShowPage();
      SetUpgradeCountLabel();
      break;
    case kUninstall:
      software_->DetectAll();
      search_->SetTextColor(shell::kSearchHintColour, shell::kSearchHintColour);
      search_->SetWindowText(shell::kSearchHint);
      uninstall_->ShowPage();  // scans, and its count label follows
      break;
    default:
      // The counts of the upgrade and uninstall pages come with those pages.
      SetStatus(kWelcome, "");
      break;
  }
}

void CCorvaneDlg::SetStatus(const std::string& first, const std::string& second) {
  status_[0]->SetWindowText(first.c_str());
  status_[1]->SetWindowText(second.c_str());
}

std::string CCorvaneDlg::StatusText(int index) const {
  return index >= 0 && index < 2 && status_[index] ? status_[index]->GetWindowText() : std::string();
}

std::string CCorvaneDlg::VersionText() const { return version_ ? version_->GetWindowText() : std::string(); }

void CCorvaneDlg::HandleForwarded(const std::string& text) {
  ds::LogInfo("CCorvaneDlg::HandleForwarded")("a second start forwarded \"%s\".", text.c_str());
  if (text.empty()) {
    ShowManager();
    return;
  }
  const shell::ParsedCommandLine parsed = shell::ParseCommandLine(text);
  if ((parsed.flags & shell::kOpenWithChooser) && !(parsed.flags & shell::kBadArgument)) {
    QueueAssociationFile(parsed.path);
    OpenPendingChooser();
  }
}

void CCorvaneDlg::ShowManager() {
  show_allowed_ = true;
  if (isMinimized())
    showNormal();
  else
    show();
  raise();
  activateWindow();
}

void CCorvaneDlg::HideToTray() {
  // Without a tray host a hidden window could not be found again: minimise instead.
  if (!QSystemTrayIcon::isSystemTrayAvailable() || !tray_.IsAdded()) {
    showMinimized();
    return;
  }
  show_allowed_ = false;
  hide();
}

void CCorvaneDlg::ToggleMaximise() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!maximised_) {
    ShowMaxSize();
    maximised_ = true;
    return;
  }
  maximised_ = false;
  if (screen && screen->geometry().width() > 800) {
    const QRect area = screen->availableGeometry();
    setGeometry(area.center().x() - kNormalWidth / 2, area.center().y() - kNormalHeight / 2, kNormalWidth,
                kNormalHeight);
  }
}

void CCorvaneDlg::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && event->position().y() < kTitleHeight) {
    ToggleMaximise();
    event->accept();
    return;
  }
  VEXO_Dialog::mouseDoubleClickEvent(event);
}

void CCorvaneDlg::OnClose() {
  hide();
  ExitProcedure();
}

void CCorvaneDlg::ExitProcedure() {
  if (exiting_) return;
  // The login thread is asked to end and waited for, never killed.
  home_->EndLoginThread();
  home_->Logout();
  exiting_ = true;
  update_->Stop();
  if (instance_server_) instance_server_->Close();
  queue_->StopAllDownloads();
  KillTimer(kTimerMain);
  EndDialog(IDOK);
}

VEXO_Icon* CCorvaneDlg::LogoIcon() {
  // A loose file in the work path wins; an installation has the logo only in its pack.
  if (VEXO_Icon* loose = VEXO_ResourceMgr::Instance()->GetIcon("/img/logo.png")) return loose;
  if (!logo_) {
    VEXO_Image* image = Image("img/logo.png");
    if (image == nullptr || image->GetQImage().isNull()) return nullptr;
    logo_ = std::make_unique<VEXO_Icon>(std::vector<QImage>{image->GetQImage()});
  }
  return logo_.get();
}

void CCorvaneDlg::AddTrayIcon() {
  VEXO_Icon* icon = LogoIcon();
  tray_.ClearInfo();
  tray_.Init(kTrayIconId, icon, "Kiv软件管理", GetHandle(), kMsgTray);
}

void CCorvaneDlg::OnTray(ds::LParam mouse_message) {
  if (mouse_message == vexo_msg::WM_LBUTTONDBLCLK) ToggleFromTray();
  else if (mouse_message == vexo_msg::WM_RBUTTONUP) ShowTrayMenu();
}

void CCorvaneDlg::ToggleFromTray() {
  if (isVisible() && !isMinimized()) {
    HideToTray();
    return;
  }
  ShowManager();
}

void CCorvaneDlg::ShowTrayMenu() {
  delete tray_menu_;
  tray_menu_ = new QMenu();
  tray_menu_->setAttribute(Qt::WA_DeleteOnClose, false);
  const ds::MsgHandle self = GetHandle();
  auto add = [this, self](unsigned id, const char* text) {
    QAction* action = tray_menu_->addAction(QString::fromUtf8(text));
    QObject::connect(action, &QAction::triggered, tray_menu_,
                     [self, id]() { ds::PostMessageTo(self, vexo_msg::WM_COMMAND, vexo_msg::MakeWParam(id, 0), 0); });
    return action;
  };
  add(kTrayOpen, "打开");
  QAction* startup = add(kTrayStartup, "开机启动");
  startup->setCheckable(true);
  startup->setChecked(GetMgrConfig() && GetMgrConfig()->GetStartup() != 0);
  add(kTraySettings, "系统设置");
  if (logged_in_) add(kTraySwitchUser, "切换用户");
  add(kTrayExit, "退出");
  raise();
  activateWindow();
  tray_menu_->popup(QCursor::pos());
}

void CCorvaneDlg::ShowNotice(const std::string& text) {
  notice_->ShowMessage(GetHandle(), 0, text);
  // A notice answers nothing: its OK must never reach a handler of another box's answer.
  notice_->SetOkMessage(0);
  notice_->SetCancelMessage(0);
  notice_->SetDisabledWindow(this);
}

void CCorvaneDlg::ShowQuestion(const std::string& text, unsigned ok_id, int program_id) {
  question_->ShowMessage(GetHandle(), ok_id ? 1 : 0, text);
  question_->SetOkMessage(ok_id, ProgramIdParam(program_id), 0);
  question_->SetCancelMessage(0);
}

void CCorvaneDlg::QuickLaunch(int id, const char* name, const char* label, bool product) {
  SoftwareState* state = product ? software_->FindStateByName(name) : software_->FindState(id);
  if (!state) return;
  const shell::QuickLaunch action = shell::DecideQuickLaunch(state->status);
  switch (action) {
    case shell::QuickLaunch::Run: {
      const std::string parameters = product ? shell::ProductLaunchParameters(logged_in_, account_) : std::string();
      software_->RunProgram(state->id, parameters.empty() ? nullptr : parameters.c_str());
      break;
    }
    case shell::QuickLaunch::SayDownloading:
      ShowQuestion(shell::QuickLaunchText(action, label), 0, state->id);
      break;
    case shell::QuickLaunch::AskInstall:
      ShowQuestion(shell::QuickLaunchText(action, label), kMsgAskedInstall, state->id);
      break;
    case shell::QuickLaunch::AskDownload:
      ShowQuestion(shell::QuickLaunchText(action, label), kMsgAskedDownload, state->id);
      break;
    case shell::QuickLaunch::Nothing:
      break;
  }
}

bool CCorvaneDlg::LaunchInstallerOf(int id) {
  SoftwareState* state = software_->FindState(id);
  if (!state) return false;
  const std::string directory = state->downloadDir.empty() ? software_->DownloadDir() : state->downloadDir;
  const std::string path = ds::NativePath(FinishedInstallerPath(directory, state->url));
  if (!ds::IsRegularFile(path)) return false;
  return ds::StartProcess(path.c_str(), nullptr, ds::DirectoryOf(path).c_str(), nullptr) > 32;
}

void CCorvaneDlg::StartDownload(int id) {
  SoftwareState* state = software_->FindState(id);
  if (!state) return;
  software_->SetStatus(state, StatusDownloading);
  queue_->AddDownload(state);
  RefreshDownloadLists();
}

void CCorvaneDlg::OpenDownloadDirectory() {
  const std::string dir = ds::NativePath(software_->DownloadDir());
  ds::MakeDirectories(dir);
  if (ds::OpenWithShell(dir.c_str()) <= 32)
    ds::LogWarn("CCorvaneDlg::OpenDownloadDirectory")("can't open %s.", dir.c_str());
}

void CCorvaneDlg::OnCommand(unsigned id) {
  for (int i = 0; i < kPageCount; ++i)
    if (id == kPageButtons[i].id) return OpenPage(i);
  switch (id) {
    case kMinimise: showMinimized(); break;
    case kMaximise: ToggleMaximise(); break;
    case kClose: HideToTray(); break;
    case kMoreSoftware:
      if (current_page_ == kCommon) {
        OpenPage(kAll);
      } else if (const FunctionInfo* links = CDictMgr::Instance()->Functions().At(0)) {
        if (!links->morebt.empty() && ds::OpenWithShell(links->morebt.c_str()) <= 32)
          ds::LogWarn("CCorvaneDlg::OnCommand")("can't open %s.", links->morebt.c_str());
      }
      break;
    case kDownloadDir:
    case kMenuDownloadDir: OpenDownloadDirectory(); break;
    case kQuickAntivirus: QuickLaunch(28, nullptr, "杀毒软件", false); break;
    case kQuickGuard: QuickLaunch(58, nullptr, "安全卫士", false); break;
    case kProductLaunch: QuickLaunch(0, "Xelbo", "Xelbo", true); break;
    case kMenuOftenSoft: OpenSettings(CDlgSetMgr::kOftenSoft); break;
    case kMenuOftenSites: OpenSettings(CDlgSetMgr::kOftenSites); break;
    case kMenuAssociations: OpenSettings(CDlgSetMgr::kAssociations); break;
    case kMenuSystem:
    case kTraySettings: OpenSettings(CDlgSetMgr::kSystem); break;
    case kTrayOpen: ToggleFromTray(); break;
    case kTrayStartup:
      if (CMgrConfig* config = GetMgrConfig()) config->SetStartup(config->GetStartup() ? 0 : 1);
      break;
    case kTraySwitchUser:
      ShowManager();
      OpenPage(kHome);
      if (logged_in_) {
        home_->Logout();
        OnLoginChanged(false);
      }
      break;
    case kUserButton:
      if (user_info_) user_info_->ShowUserInfo(user_button_);
      break;
    case kTrayExit: ExitProcedure(); break;
    case kUninstallRefresh: uninstall_->Rescan(); break;
    case kUpgradeShowAll: upgrade_->ShowAllUpdates(); break;  // re-detects every program first
    case kUpgradeRecheck: upgrade_->ShowAttendedUpdates(); break;
    case kUpgradeAll: upgrade_->UpdateChecked(); break;
    case kUpgradeAttend: upgrade_->SetCheckedAttention(1); break;
    case kUpgradeIgnore: upgrade_->SetCheckedAttention(0); break;
    case kUpgradeRefresh: upgrade_->RefreshUpdates(); break;
    case kUpgradeSelectAll:
      upgrade_->CheckAll(static_cast<VEXO_Checkbox*>(FindWidget(kUpgradeSelectAll))->GetCheck());
      break;
    case CSplitdlg::kPauseAllId: downloads_->PauseAll(); break;
    case CSplitdlg::kContinueAllId: downloads_->StartAll(); break;
    case CSplitdlg::kCancelAllId: downloads_->CancelAll(); break;
    case kSearchButton: Search(); break;
    case CPagerBar::kFirst: pager_.First(); TurnPage(); break;
    case CPagerBar::kLast: pager_.Last(); TurnPage(); break;
    case CPagerBar::kPrevious: pager_.Previous(); TurnPage(); break;
    case CPagerBar::kNext: pager_.Next(); TurnPage(); break;
    case CPagerBar::kFirstCell:
    case CPagerBar::kFirstCell + 1:
    case CPagerBar::kFirstCell + 2:
    case CPagerBar::kFirstCell + 3:
    case CPagerBar::kFirstCell + 4:
      pager_.ChooseCell(static_cast<int>(id - CPagerBar::kFirstCell));
      TurnPage();
      break;
    default: break;
  }
}

void CCorvaneDlg::OnUpdateFinished(int id) {
  if (!update_->OnFinished(id)) return;
  // A system-wide installation cannot be updated by this user: the data packets still arrive.
  const std::string program_dir = ds::FileSystem::Instance()->GetAppPath();
  if (program_dir != ds::FileSystem::Instance()->GetWorkPath()) return;
  ShowManager();
  question_->ShowMessage(GetHandle(), 1, "发现新版本，现在是否进行更新？");
  question_->SetOkMessage(kMsgStartUpdater);
  question_->SetCancelMessage(kMsgUpdateCancelled);
  question_->SetDisabledWindow(this);
  update_question_open_ = true;
}

void CCorvaneDlg::StartUpdater() {
  const std::string program_dir = ds::FileSystem::Instance()->GetAppPath();
  const std::string updater = ds::JoinPath(program_dir, "update");
  const std::string parameters = update_->UpdaterParameters();
  if (ds::StartProcess(updater.c_str(), parameters.c_str(), program_dir.c_str(), nullptr) <= 32)
    ds::LogWarn("CCorvaneDlg::StartUpdater")("can't start %s.", updater.c_str());
  ExitProcedure();
}

void CCorvaneDlg::OpenPendingChooser() {
  CMgrConfig* config = GetMgrConfig();
  if (pending_files_.empty() || config == nullptr || (chooser_ && chooser_->isVisible())) return;
  if (!chooser_) chooser_ = std::make_unique<CAssociateFileDlg>(*software_, *config, CAssociationEngine::ProgramPath());
  const std::string file = pending_files_.front();
  pending_files_.pop_front();
  chooser_->ShowForFile(file, GetHandle());
}

void CCorvaneDlg::OpenSettings(int page) {
  CMgrConfig* config = GetMgrConfig();
  if (config == nullptr) return;
  ShowManager();
  if (!settings_) settings_ = std::make_unique<CDlgSetMgr>(*config);
  settings_->SetHomePage(home_);
  settings_->OpenSettings(this, page);
}

void CCorvaneDlg::OnLoginChanged(bool logged_in) {
  logged_in_ = logged_in;
  const login::LoginState& state = home_->Session().State();
  account_ = logged_in ? state.account : std::string();
  if (!logged_in) {
    if (user_info_) user_info_->hide();
    user_button_->hide();
    return;
  }
  user_button_->SetImage(Image(state.sex == 2 ? "img/girlIco.png" : "img/ManIco.png"));
  user_button_->show();
  if (!user_info_) {
    user_info_ = std::make_unique<CDlgUserInfo>(this);
    user_info_->SetOwner(GetHandle());
  }
  user_info_->SetUserInfo(state.account, state.nickname, state.sex, 0, state.member);
}

void CCorvaneDlg::OneSecondWork() {
  // The user panel goes when the mouse is over neither it nor the user button.
  if (user_info_ && user_info_->isVisible() &&
      !user_info_->frameGeometry().contains(QCursor::pos()) &&
      !QRect(user_button_->mapToGlobal(QPoint(0, 0)), user_button_->size()).contains(QCursor::pos()))
    user_info_->hide();
  // Programs installed or removed while the chooser shows appear in its lists.
  if (chooser_ && chooser_->isVisible()) {
    software_->DetectAll();
    chooser_->RefreshPrograms();
    chooser_->raise();
  }
  OpenPendingChooser();
  queue_->CollectTasks();
  update_->Collect();
  queue_->SampleAll();
  LayoutDownloads();
  if (current_page_ == kUpgrade) upgrade_->RefreshRows();  // progress and button states
  if (current_page_ == kAll) all_->RefreshChanged();
  if (!tray_.IsAdded()) AddTrayIcon();
}

void CCorvaneDlg::OnTimer(unsigned id) {
  if (id != kTimerMain) return VEXO_Dialog::OnTimer(id);
  ++ticks_;
  // One server message per tick at most.
  if (!net_->Pump()) home_->OnIdleTick();
  if (ticks_ % 2 == 0 && current_page_ == kHome) home_->RefreshRows();
  if (!update_->started()) {
    // $CORVANE_UPDATE_URL, which the updater reads too, points both at another server.
    const char* override_url = std::getenv("CORVANE_UPDATE_URL");
    CMgrConfig* config = GetMgrConfig();
    std::string address = override_url && *override_url ? override_url
                          : config                       ? config->GetUpdateAddress()
                                                         : std::string(kDefaultUpdateAddress);
    while (!address.empty() && address.back() == '/') address.pop_back();
    update_->Start(GetHandle(), queue_.get(), address, ds::FileSystem::Instance()->GetWorkPath());
  }
  if (ticks_ % 25 == 0) OneSecondWork();
}

ds::LResult CCorvaneDlg::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  const int id = ProgramIdOf(wparam);
  switch (message) {
    case vexo_msg::WM_COMMAND: {
      const unsigned control = vexo_msg::LowWord(wparam);
      const unsigned code = vexo_msg::HighWord(wparam);
      if (control == kSearchEdit && static_cast<int>(code) == VEXO_EN_RETURN) {
        Search();
        return 1;
      }
      if (control == kSearchEdit) {
        const shell::EditLook look = code == vexo_msg::EN_SETFOCUS ? shell::OnSearchFocusIn(search_->GetWindowText())
                                     : code == vexo_msg::EN_KILLFOCUS ? shell::OnSearchFocusOut(search_->GetWindowText())
                                                                       : shell::EditLook{};
        if (look.change) {
          const unsigned colour = look.hint ? shell::kSearchHintColour : 0;
          search_->SetTextColor(colour, colour);
          search_->SetWindowText(look.text.c_str());
        }
        return 1;
      }
      if (code == 0) OnCommand(control);
      return 1;
    }
    case kMsgDownloadFinished:
      if (exiting_) return 0;
      if (id < 0)
        OnUpdateFinished(id);
      else
        queue_->FinishDownload(id);
      RefreshDownloadLists();
      return 1;
    case kMsgDownloadReport: {
      if (id < 0) {  // the update check's files: a failed one is collected quietly
        update_->OnReport(id);
        return 1;
      }
      const DownloadQueue::ReportAction action = queue_->HandleReport(id, static_cast<int>(lparam), true);
      // The list's row pauses it as the user's pause would (the queue pauses it when no row shows it).
      if (action.pauseRow) downloads_->PauseProgram(id);
      if (action.showDiskFull) {
        ShowManager();
        ShowNotice(kDiskFullMessage);
      }
      return 1;
    }
    case kMsgDownloadCancelled:
      queue_->RemoveDownload(id);
      RefreshDownloadLists();
      return 1;
    case kMsgDownloadPaused:
      queue_->StartWaitingDownloads();
      return 1;
    case kMsgRunInstaller:
      // The all-software page runs it on its worker; elsewhere the window starts it.
      if (current_page_ == kAll) {
        all_->RunInstaller(id);
      } else if (!LaunchInstallerOf(id)) {
        if (SoftwareState* state = software_->FindState(id)) {
          const std::string directory = state->downloadDir.empty() ? software_->DownloadDir() : state->downloadDir;
          ShowNotice(InstallerFailureText(ds::NativePath(FinishedInstallerPath(directory, state->url)), 0));
        }
      }
      return 1;

    case kMsgAskedDownload: {
      SoftwareState* state = software_->FindState(id);
      if (!state || state->status == StatusDownloading || state->status == StatusPausing ||
          state->status == StatusPaused)
        return 0;
      if (!LaunchInstallerOf(id)) StartDownload(id);
      return 1;
    }
    case kMsgAskedInstall: {
      SoftwareState* state = software_->FindState(id);
      if (state && current_page_ == kUpgrade) {
        upgrade_->UpdateSoftByName(state->name);
        return 1;
      }
      if (!state || LaunchInstallerOf(id)) return 1;
      state->usesUpdateStatus = 0;
      state->downloadedBytes = 0;
      StartDownload(id);
      return 1;
    }
    case kMsgPageDownload: {
      SoftwareState* state = software_->FindState(id);
      if (!state) return 0;
      switch (state->status) {
        case StatusPausing:
        case StatusPaused: queue_->ResumeDownload(state); break;
        case StatusDownloaded:
          if (!LaunchInstallerOf(id)) StartDownload(id);
          break;
        case StatusNotInstalled:
        case StatusCancelled: StartDownload(id); break;
        default: return 1;
      }
      if (state->status != StatusDownloaded) {
        ShowManager();
        RefreshDownloadLists();
      }
      return 1;
    }
    case kMsgShowAllDownloads:
      downloads_over_page_ = true;
      LayoutDownloads();
      return 1;
    case kMsgRefreshDownloads:
      RefreshDownloadLists();
      return 1;
    case CSplitdlg::kMsgToggled:
      downloads_over_page_ = false;
      LayoutDownloads();
      return 1;
    // The upgrade and uninstall pages; the others come with their own work.
    case kMsgUpgradeCount:
      if (current_page_ == kUpgrade) SetUpgradeCountLabel();
      return 1;
    case kMsgRefreshPage:
      if (current_page_ == kUpgrade) upgrade_->RefreshUpdates();
      if (current_page_ == kUninstall) uninstall_->Rescan();
      return 1;
    case kMsgChooserClosed:
      if (!show_allowed_) hide();
      return 1;
    case kMsgChooserWantsManager:
      ShowManager();
      return 1;
    case kMsgLoggedIn:
      OnLoginChanged(true);  // the home page posts this only after an accepted login
      return 1;
    case kMsgLoggedOut:
      home_->Logout();
      OnLoginChanged(false);
      return 1;
    case kMsgClearSearchHint:
      // The uninstall page is back from a search to every program: the box shows its hint again.
      if (current_page_ == kUninstall && uninstall_->List().Query().empty()) {
        search_->SetTextColor(shell::kSearchHintColour, shell::kSearchHintColour);
        search_->SetWindowText(shell::kSearchHint);
        return 1;
      }
      if (search_->GetWindowText() == shell::kSearchHint) search_->SetWindowText("");
      return 1;
    case kMsgSettingsSaved:
      ShowNotice("成功保存修改");
      return 1;
    case kMsgResetPager:
      // The all-software page switched its list: its page count, page 1.
      pager_.Reset(all_->PageCount());
      pager_bar_->Sync();
      return 1;
    case kMsgTray:
      OnTray(lparam);
      return 1;
    case vexo_msg::kMsgTrayHostBack:  // the tray host restarted: the icon goes in again
      AddTrayIcon();
      return 1;
    case kMsgStartUpdater:
      // Only the update question's OK starts the updater, never a notice's OK.
      if (!update_question_open_) return 0;
      update_question_open_ = false;
      StartUpdater();
      return 1;
    case kMsgUpdateCancelled:
      update_question_open_ = false;
      EnableWindow(true);
      return 1;
    default:
      return VEXO_Dialog::WindowProc(message, wparam, lparam);
  }
}
