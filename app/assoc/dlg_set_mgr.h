// The settings dialog: tab buttons over its pages (file associations and system settings; the
// often-used program and site pages join once their lists exist), apply, save, cancel and close.
// While it shows, the main window is disabled. Made once, hidden between uses.
#pragma once
#include <array>
#include <memory>

#include "vexo/ui/dialog/dialog.h"

class CAssociateFileSetDlg;
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

  explicit CDlgSetMgr(CMgrConfig& config);
  ~CDlgSetMgr() override;

  // Shows the dialog on `page` for `owner`, which stays disabled meanwhile. A page that is not
  // here opens the system settings.
  void OpenSettings(VEXO_Dialog* owner, int page);
  bool HasPage(int page) const { return page >= 0 && page < kPageCount && pages_[static_cast<std::size_t>(page)]; }
  int CurrentPage() const { return current_; }
  CDlgMgrSet* SystemPage() const { return system_; }
  CAssociateFileSetDlg* AssociationPage() const { return associations_; }
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

  CMgrConfig& config_;
  VEXO_Dialog* owner_ = nullptr;
  int current_ = -1;
  std::array<VEXO_Button*, kPageCount> tabs_{};
  std::array<VEXO_Dialog*, kPageCount> pages_{};
  CDlgMgrSet* system_ = nullptr;
  CAssociateFileSetDlg* associations_ = nullptr;
  std::unique_ptr<CDlgSysMsg> message_;
};
