// The manager's main window "Kiv软件": page buttons and pages, tool buttons, search box, status
// labels, the tray icon and its menu, the 40 ms timer that drives downloads, and the hub for the
// messages pages, tasks and dialogs post. Pages that are not built yet show a placeholder.
#pragma once

#include <QMenu>
#include <QPointer>
#include <array>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/shell/pager.h"
#include "core/shell/tray_icon.h"
#include "vexo/ui/dialog/dialog.h"

class CAssociateFileDlg;
class CDlgSetMgr;
class CDialogHomePage;
class CDlgSysMsg;
class CdlgUninstallSoftware;
class CdlgUpdateSoftware;
class CDownloadMgrWnd;
class CPagerBar;
class DlgSoftware;
class CdlgRequireSoftware;
class CSplitdlg;
class CDlgUserInfo;
class CKivNetMsg;
class CUpdateCheck;
class DownloadQueue;
class SoftwareMgr;
class VEXO_Button;
class VEXO_Edit;
class VEXO_Icon;
class VEXO_Label;

namespace shell {
class CInstanceServer;
}

class CCorvaneDlg : public VEXO_Dialog {
  Q_OBJECT
 public:
  enum Page { kHome, kCommon, kAll, kUpgrade, kUninstall, kPageCount };
  static constexpr int kNormalWidth = 801;
  static constexpr int kNormalHeight = 590;

  // Creates the software state manager and the download queue; nothing is shown yet.
  CCorvaneDlg();
  ~CCorvaneDlg() override;

  // While false every attempt to show the window is refused (started for an association,
  // closed to the tray).
  void SetShowAllowed(bool allowed) { show_allowed_ = allowed; }
  bool IsShowAllowed() const { return show_allowed_; }
  bool IsExiting() const { return exiting_; }
  // A file waiting for the association chooser.
  void QueueAssociationFile(const std::string& path) { pending_files_.push_back(path); }
  const std::deque<std::string>& PendingAssociationFiles() const { return pending_files_; }
  // Loads the catalogue, detects programs and restores downloads after the window's first paint
  // instead of before it (the program's start-up; tests load at once).
  void SetDeferredLoading(bool defer) { defer_loading_ = defer; }
  bool IsSoftwareLoaded() const { return software_loaded_; }
  // The open-with chooser (null until the first file is shown).
  CAssociateFileDlg* Chooser() const { return chooser_.get(); }
  // The settings dialog (null until first opened).
  CDlgSetMgr* Settings() const { return settings_.get(); }
  // Listens for second starts on the local socket of `mutex_name` from initialisation on.
  void SetInstanceName(const std::string& mutex_name) { instance_name_ = mutex_name; }
  // What a second start forwarded: "" brings the window forward, "/a <file>" queues the file.
  void HandleForwarded(const std::string& text);

  int CurrentPage() const { return current_page_; }
  QWidget* PageWidget(int page) const { return pages_[page]; }
  VEXO_Button* PageButton(int page) const { return page_buttons_[page]; }
  // The tray menu last built (null before the first right click).
  QMenu* TrayMenu() const { return tray_menu_; }
  bool IsTrayAdded() const { return tray_.IsAdded(); }
  bool IsLoggedIn() const { return logged_in_; }
  std::string StatusText(int index) const;
  std::string VersionText() const;
  CDlgSysMsg* NoticeBox() const { return notice_.get(); }
  CDlgSysMsg* QuestionBox() const { return question_.get(); }
  CdlgUninstallSoftware* UninstallPage() const { return uninstall_; }
  CdlgUpdateSoftware* UpgradePage() const { return upgrade_; }
  const shell::Pager& GetPager() const { return pager_; }
  // The download list below the software pages and its bar.
  CDownloadMgrWnd* DownloadList() const { return downloads_; }
  CSplitdlg* DownloadBar() const { return split_; }
  DlgSoftware* AllSoftwarePage() const { return all_; }
  CdlgRequireSoftware* CommonSoftwarePage() const { return common_; }
  CPagerBar* PagerBar() const { return pager_bar_; }
  CUpdateCheck& UpdateCheck() { return *update_; }
  SoftwareMgr& Software() { return *software_; }
  DownloadQueue& Queue() { return *queue_; }
  CDialogHomePage* HomePage() const { return home_; }
  CKivNetMsg* Net() const { return net_.get(); }
  CDlgUserInfo* UserInfo() const { return user_info_.get(); }

  // Tray "退出", the task bar's close and an accepted update end the run here: downloads stop
  // (they come back paused next time) and the modal loop ends. The single-instance lock is left
  // to start-up's shutdown, which lets go of it last.
  void ExitProcedure();

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;
  void OnTimer(unsigned id) override;
  void setVisible(bool visible) override;

 protected:
  int OnInitDialog() override;
  void OnClose() override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void CreateControls();
  void CreatePages();
  void LoadSoftware();
  // Places the current page, the download bar and the list in the page area.
  void LayoutDownloads();
  void RefreshDownloadLists();
  void Search();
  void TurnPage();
  void OpenPage(int page);
  void OnCommand(unsigned id);
  void OnTray(ds::LParam mouse_message);
  void ShowTrayMenu();
  void ToggleFromTray();
  void ShowManager();
  void HideToTray();
  void ToggleMaximise();
  void AddTrayIcon();
  VEXO_Icon* LogoIcon();
  void QuickLaunch(int id_or_zero, const char* name, const char* label, bool product);
  void ShowNotice(const std::string& text);
  void ShowQuestion(const std::string& text, unsigned ok_id, int program_id);
  void OneSecondWork();
  void OpenPendingChooser();
  void OpenSettings(int page);
  void StartDownload(int id);
  bool LaunchInstallerOf(int id);
  void OpenDownloadDirectory();
  void SetStatus(const std::string& first, const std::string& second);
  void OnUpdateFinished(int id);
  void StartUpdater();
  void OnLoginChanged(bool logged_in);
  void CreateUninstallPage();
  void CreateUpgradePage();
  void SetUpgradeCountLabel();

  std::unique_ptr<SoftwareMgr> software_;
  std::unique_ptr<DownloadQueue> queue_;
  std::array<VEXO_Button*, kPageCount> page_buttons_{};
  std::array<VEXO_Dialog*, kPageCount> pages_{};
  VEXO_Button* more_ = nullptr;
  CdlgUninstallSoftware* uninstall_ = nullptr;
  VEXO_Button* uninstall_refresh_ = nullptr;
  CdlgUpdateSoftware* upgrade_ = nullptr;
  std::vector<QWidget*> upgrade_controls_;  // shown with the upgrade page only
  CDownloadMgrWnd* downloads_ = nullptr;
  CSplitdlg* split_ = nullptr;
  DlgSoftware* all_ = nullptr;
  CdlgRequireSoftware* common_ = nullptr;
  CPagerBar* pager_bar_ = nullptr;
  bool downloads_over_page_ = false;  // "show all downloads" fills the page area
  VEXO_Button* quick_product_ = nullptr;
  VEXO_Edit* search_ = nullptr;
  VEXO_Button* search_button_ = nullptr;
  VEXO_Label* status_[2] = {nullptr, nullptr};
  VEXO_Label* version_ = nullptr;
  std::unique_ptr<CUpdateCheck> update_;
  std::unique_ptr<CDlgSysMsg> notice_;
  std::unique_ptr<CDlgSysMsg> question_;
  std::shared_ptr<CKivNetMsg> net_;
  CDialogHomePage* home_ = nullptr;
  std::unique_ptr<CDlgUserInfo> user_info_;
  VEXO_Button* user_button_ = nullptr;
  QPointer<QMenu> tray_menu_;
  ds::TrayIcon tray_;
  std::unique_ptr<VEXO_Icon> logo_;  // the window's and tray's icon, made from the pack's logo
  shell::Pager pager_;
  shell::CInstanceServer* instance_server_ = nullptr;
  std::string instance_name_;
  std::deque<std::string> pending_files_;
  std::unique_ptr<CAssociateFileDlg> chooser_;
  std::unique_ptr<CDlgSetMgr> settings_;
  int current_page_ = -1;
  bool show_allowed_ = true;
  bool defer_loading_ = false;
  bool software_loaded_ = false;
  static constexpr int kLoadFallbackMs = 2000;
  bool exiting_ = false;
  bool maximised_ = false;
  bool logged_in_ = false;
  bool update_question_open_ = false;
  std::string account_;
  unsigned ticks_ = 0;
};
