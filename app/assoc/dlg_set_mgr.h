// The settings dialog: tab buttons over its pages (file associations and system settings; the
// often-used program and site pages join once their lists exist), apply, save, cancel and close.
// While it shows, the main window is disabled. Made once, hidden between uses.
#pragma once
#include <array>
#include <memory>
#include <string>

#include "vexo/ui/dialog/dialog.h"

class CAssociateFileSetDlg;
class CDialogHomePage;
class CDlgChangeHtml;
class CDlgSetSoft;
class CDlgMgrSet;
class CDlgSysMsg;
class CMgrConfig;
class VEXO_Button;

class CDlgSetMgr : public VEXO_Dialog {
  Q_OBJECT
 public:
  enum Page { kOftenSoft, kOftenSites, kAssociations, kSystem, kPageCount };
  static constexpr unsigned kFirstTab = 1300;  // + page
  static constexpr unsigned kApply = 1310;
  static constexpr unsigned kSave = 1311;
  static constexpr unsigned kCancel = 1312;
  static constexpr unsigned kClose = 1313;
  // Posted to the owner after a successful apply of associations or system settings.
  static constexpr unsigned kMsgApplied = 2555;
  // Posted to the owner after the often-used web sites changed.
  static constexpr unsigned kMsgSitesChanged = 2549;
  // Posted to the owner after the often-used programs changed.
  static constexpr unsigned kMsgProgramsChanged = 2550;
  // The answers of the "save changes?" question on closing.
  static constexpr unsigned kMsgSaveAndClose = 0x0500;
  static constexpr unsigned kMsgCloseNow = 0x0501;

  explicit CDlgSetMgr(CMgrConfig& config);
  ~CDlgSetMgr() override;

  // Shows the dialog on `page` for `owner`, which stays disabled meanwhile. A page that is not
  // here opens the system settings.
  void OpenSettings(VEXO_Dialog* owner, int page);
  // The home page whose lists the list pages edit (null: those pages are not offered).
  void SetHomePage(CDialogHomePage* home) { home_ = home; }
  bool HasPage(int page) const;
  int CurrentPage() const { return current_; }
  CDlgMgrSet* SystemPage() const { return system_; }
  CAssociateFileSetDlg* AssociationPage() const { return associations_; }
  CDlgChangeHtml* SitesPage() const { return sites_; }
  CDlgSetSoft* ProgramsPage() const { return programs_; }
  CDlgSysMsg* MessageBox() const { return message_.get(); }
  VEXO_Button* Tab(int page) const { return tabs_[static_cast<std::size_t>(page)]; }

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  int OnInitDialog() override;
  void OnClose() override;

 private:
  void SwitchTo(int page);
  // Applies the current page; false when it refused (its message is showing).
  bool Apply();
  void Hide();
  void InitSitesPage();
  void Notice(const std::string& text);

  CMgrConfig& config_;
  VEXO_Dialog* owner_ = nullptr;
  int current_ = -1;
  std::array<VEXO_Button*, kPageCount> tabs_{};
  std::array<VEXO_Dialog*, kPageCount> pages_{};
  CDlgMgrSet* system_ = nullptr;
  CAssociateFileSetDlg* associations_ = nullptr;
  CDlgChangeHtml* sites_ = nullptr;
  CDlgSetSoft* programs_ = nullptr;
  CDialogHomePage* home_ = nullptr;
  std::unique_ptr<CDlgSysMsg> message_;
};
