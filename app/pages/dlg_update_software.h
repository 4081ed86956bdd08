// The upgrade page: installed catalogue programs with a newer catalogue version, one row each
// with a check box, the installed and the newest version, a button to ignore or attend to the
// program's updates and one to upgrade (or install the downloaded upgrade); below them the
// download list with its bar. The main window's buttons call the operations of this page.
#pragma once

#include <string>

#include "app/pages/row_page.h"
#include "app/pages/update_list.h"

class CDownloadMgrWnd;
class CSplitdlg;
class DownloadQueue;
class SoftwareUpdateWnd;
class VEXO_Button;
class VEXO_Checkbox;

// Messages of the page (wParam a program id unless said).
constexpr unsigned kMsgStartUpgrade = 2526;  // start the upgrade download of a listed program
constexpr unsigned kMsgIgnoreUpgrade = 2530; // a program leaves the list (ignored)
constexpr unsigned kMsgUpgradeRowSelect = 2535;  // wParam: the row's control id
constexpr unsigned kMsgUpgradeCountChanged = 2540;  // to the parent: the listed count changed

class CdlgUpdateSoftware : public CRowPage {
  Q_OBJECT
 public:
  static constexpr int kDownloadListHeight = 90;

  CdlgUpdateSoftware(QWidget* parent, SoftwareMgr& manager, DownloadQueue& queue,
                     UpdateList::AttentionReader attention = UpdateList::SettingsReader());
  ~CdlgUpdateSoftware() override;

  // The page slots: show (rebuild in mode 0, rows, and the download list when anything is
  // queued on the first show), hide (rows and listed records dropped), resize to the parent.
  void ShowPage();
  void HidePage();
  void ResizePage();
  // The page's place in its parent, without taking the focus.
  void PlacePage();

  // The upgrade check at start-up: the attended upgrades are judged (a paused plain download of
  // one becomes a paused upgrade) without any row.
  void CheckUpgrades();

  // The main window's buttons.
  void ShowAllUpdates();       // every program re-detected, then all upgradeable ones listed
  void ShowAttendedUpdates();  // only the attended ones
  void RefreshUpdates();       // again in the current mode
  void UpdateChecked();        // the row action of every ticked row
  void SetCheckedAttention(int flag);
  void CheckAll(int flag);
  void RefreshRows();
  // Upgrades the program called `name`: its row's action when it is listed, else its downloaded
  // installer runs, or when that is missing it is downloaded again.
  void UpdateSoftByName(const std::string& name);

  int ListedCountNow() const { return static_cast<int>(list_.Listed().size()); }
  const UpdateList& List() const { return list_; }
  SoftwareUpdateWnd* RowOf(int id) const;
  CDownloadMgrWnd* DownloadList() const { return downloads_; }
  CSplitdlg* DownloadBar() const { return split_; }
  bool IsDownloadListShown() const;

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  int ListedCount() const override { return ListedCountNow(); }
  int ListHeight() const override;
  CPageRow* MakeRow(unsigned id) override;
  void BindRow(CPageRow* row, int record) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class SoftwareUpdateWnd;
  void EnsureControls();
  void Rebuild(int mode, bool force);
  void NotifyCount();
  void RowAction(SoftwareState* state);
  void StartUpgrade(int id);
  bool RunInstaller(const SoftwareState& state);
  void ToggleAttention(SoftwareUpdateWnd* row);
  void ShowDownloadList(bool shown);
  void PlaceDownloads();

  SoftwareMgr& manager_;
  DownloadQueue& queue_;
  UpdateList list_;
  CSplitdlg* split_ = nullptr;
  CDownloadMgrWnd* downloads_ = nullptr;
  bool shown_once_ = false;
};

// One row: check box, icon, name, size, installed and newest version, attention and action
// buttons, bound to a listed record or empty.
class SoftwareUpdateWnd : public CPageRow {
 public:
  static constexpr unsigned kCheckBase = 10000;
  static constexpr unsigned kAttentionBase = 20000;
  static constexpr unsigned kActionBase = 30000;

  SoftwareUpdateWnd(CdlgUpdateSoftware* page, unsigned id);
  void Bind(SoftwareState* state);
  SoftwareState* State() const { return state_; }
  // The controls show the record: check box, attention image, action image and state.
  void Sync();
  VEXO_Checkbox* CheckBox() const { return check_; }
  VEXO_Button* AttentionButton() const { return attention_; }
  VEXO_Button* ActionButton() const { return action_; }
  // What the row reads now (tests read it as a person does).
  std::string InstalledText() const;
  std::string NewestText() const;
  std::string SizeText() const;
  // The images the attention and action buttons show now.
  const char* AttentionImage() const { return attention_image_; }
  const char* ActionImage() const { return action_image_; }

 protected:
  void PaintContent(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  SoftwareState* state_ = nullptr;
  VEXO_Checkbox* check_ = nullptr;
  VEXO_Button* attention_ = nullptr;
  VEXO_Button* action_ = nullptr;
  const char* attention_image_ = "";
  const char* action_image_ = "";
};
