// The open-with chooser "Kiv打开方式" for one file: the catalogue programs that open its type, the
// installed ones (accept opens the file with the chosen one, and with "always use" ticked binds
// the type to it) and the ones to download or install (the owner is asked to get them), plus the
// desktop's own chooser. It is made once and shown again for each file; it hides, never closes.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "app/assoc/open_with_choice.h"
#include "vexo/ui/dialog/dialog.h"

class CAssociationEngine;
class CMgrConfig;
class SoftwareMgr;
class VEXO_BtListCtrl;
class VEXO_Button;
class VEXO_Checkbox;
class VEXO_Label;

class CAssociateFileDlg : public VEXO_Dialog {
  Q_OBJECT
 public:
  static constexpr unsigned kClose = 1030;
  static constexpr unsigned kSystemChooser = 1031;
  static constexpr unsigned kShowManager = 1032;
  static constexpr unsigned kAccept = 1033;
  static constexpr unsigned kCancel = 1034;
  static constexpr unsigned kInstalledList = 1040;
  static constexpr unsigned kAvailableList = 1041;
  static constexpr unsigned kAlwaysUse = 1042;
  // Posted to the owner.
  static constexpr unsigned kMsgClosed = 2541;
  static constexpr unsigned kMsgWantsManager = 2542;
  static constexpr unsigned kMsgGetProgram = 2543;  // wParam: the program id

  // `program`: this program's executable (the engine's own open command starts it).
  CAssociateFileDlg(SoftwareMgr& software, CMgrConfig& config, const std::string& program);
  ~CAssociateFileDlg() override;

  // Fills the chooser for `path` and shows it; its notifications go to `owner`.
  void ShowForFile(const std::string& path, ds::MsgHandle owner);
  // Lists the candidates again (programs installed or removed meanwhile), keeping the choice.
  void RefreshPrograms();
  // What the system chooser button runs; the desktop's chooser unless replaced (tests).
  void SetSystemChooser(std::function<int(const std::string&)> chooser) { chooser_ = std::move(chooser); }

  const std::string& FilePath() const { return path_; }
  VEXO_BtListCtrl* InstalledList() const { return installed_; }
  VEXO_BtListCtrl* AvailableList() const { return available_; }
  VEXO_Checkbox* AlwaysUse() const { return always_; }
  CAssociationEngine& Engine() { return *engine_; }

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  int OnInitDialog() override;
  void OnClose() override;

 private:
  void FillLists(int keepInstalled, int keepAvailable);
  void Accept();
  void CloseChooser();
  int IconIndex(const std::string& name, const std::string& icon);

  SoftwareMgr& software_;
  std::unique_ptr<CAssociationEngine> engine_;
  std::function<int(const std::string&)> chooser_;
  std::string path_;
  ds::MsgHandle owner_ = 0;
  open_with::Choice choice_;
  VEXO_Label* title_ = nullptr;
  VEXO_BtListCtrl* installed_ = nullptr;
  VEXO_BtListCtrl* available_ = nullptr;
  VEXO_Checkbox* always_ = nullptr;
  std::vector<std::pair<std::string, int>> icon_index_;
  std::vector<QPixmap> icons_;
};
