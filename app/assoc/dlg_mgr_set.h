// The system settings page: download folder (own or default, with the folder picker),
// simultaneous downloads (1 to 99), the speed limit of all downloads, the Wine prefix,
// installation right after download, and starting with the session.
#pragma once
#include <functional>
#include <string>

#include "vexo/ui/dialog/dialog.h"

class CMgrConfig;
class VEXO_Button;
class VEXO_Checkbox;
class VEXO_Edit;

class CDlgMgrSet : public VEXO_Dialog {
  Q_OBJECT
 public:
  static constexpr unsigned kOwnDir = 1401;
  static constexpr unsigned kDefaultDir = 1402;
  static constexpr unsigned kDirEdit = 1403;
  static constexpr unsigned kBrowse = 1404;
  static constexpr unsigned kCountEdit = 1405;
  static constexpr unsigned kAutoInstall = 1406;
  static constexpr unsigned kNoAutoInstall = 1407;
  static constexpr unsigned kStartup = 1408;
  static constexpr unsigned kSpeedEdit = 1409;
  static constexpr unsigned kWineEdit = 1410;
  // Posted to the owner after an apply: more downloads may run (2538); settings applied (2539).
  static constexpr unsigned kMsgMoreDownloads = 2538;
  static constexpr unsigned kMsgApplied = 2539;

  explicit CDlgMgrSet(QWidget* parent);
  ~CDlgMgrSet() override;

  // Fills the page from the settings.
  void InitPage(CMgrConfig& config, ds::MsgHandle owner);
  // Stores the page; "" when it did, else the message that says why not (the page stays).
  std::string ApplyPage();
  bool IsModified() const { return modified_; }
  // The folder picker; returns the chosen folder, "" for cancel (tests replace it).
  void SetFolderPicker(std::function<std::string()> picker) { picker_ = std::move(picker); }

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  int OnInitDialog() override;

 private:
  void SetOwnDirectory(bool own);

  CMgrConfig* config_ = nullptr;
  ds::MsgHandle owner_ = 0;
  bool modified_ = false;
  bool filling_ = false;
  std::function<std::string()> picker_;
  VEXO_Checkbox* own_dir_ = nullptr;
  VEXO_Checkbox* default_dir_ = nullptr;
  VEXO_Edit* dir_ = nullptr;
  VEXO_Button* browse_ = nullptr;
  VEXO_Edit* count_ = nullptr;
  VEXO_Checkbox* auto_install_ = nullptr;
  VEXO_Checkbox* no_auto_install_ = nullptr;
  VEXO_Checkbox* startup_ = nullptr;
  VEXO_Edit* speed_ = nullptr;
  VEXO_Edit* wine_ = nullptr;
};
