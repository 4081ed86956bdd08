// The association settings page: one box per catalogue extension, grouped by extension group in
// a scrolling area (CAssociateInfoShowWnd), "以后不再询问", and tick all / untick all. Applying
// binds every ticked extension to this program and lets go of every other one.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "vexo/ui/dialog/dialog.h"

class CAssociationEngine;
class CMgrConfig;
class QScrollArea;
class VEXO_Button;
class VEXO_Checkbox;

// The scrolling content: group boxes (2015 + group index) over their extension boxes
// (1025 + running index), four columns 83 pixels apart.
class CAssociateInfoShowWnd : public VEXO_Dialog {
  Q_OBJECT
 public:
  static constexpr unsigned kFirstGroup = 2015;
  static constexpr unsigned kFirstExtension = 1025;
  static constexpr int kWidth = 386;

  explicit CAssociateInfoShowWnd(QWidget* parent);
  ~CAssociateInfoShowWnd() override;

  // Lays out the catalogue's groups and extensions once; `page` is told of every click (2524).
  void Build(ds::MsgHandle page);
  // Ticks each extension box from the settings' chosen flags, and each group from its boxes.
  void Tick(CMgrConfig& config);
  void TickAll(bool on);
  // The extension names in box order and their states.
  const std::vector<std::string>& Extensions() const { return extensions_; }
  VEXO_Checkbox* ExtensionBox(int index) const { return boxes_[static_cast<std::size_t>(index)]; }
  VEXO_Checkbox* GroupBox(int index) const { return groups_[static_cast<std::size_t>(index)].box; }
  int GroupCount() const { return static_cast<int>(groups_.size()); }
  int ExtensionIndex(const std::string& ext) const;

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 private:
  struct Group {
    VEXO_Checkbox* box = nullptr;
    std::vector<int> members;  // extension indexes
  };
  void RetickGroup(std::size_t group);

  ds::MsgHandle page_ = 0;
  bool built_ = false;
  std::vector<std::string> extensions_;
  std::vector<VEXO_Checkbox*> boxes_;
  std::vector<int> group_of_;
  std::vector<Group> groups_;
};

class CAssociateFileSetDlg : public VEXO_Dialog {
  Q_OBJECT
 public:
  static constexpr unsigned kTickAll = 1025;
  static constexpr unsigned kUntickAll = 1026;
  static constexpr unsigned kNeverAsk = 1125;
  static constexpr unsigned kMsgBoxClicked = 2524;

  explicit CAssociateFileSetDlg(QWidget* parent);
  ~CAssociateFileSetDlg() override;

  void InitAssociationPage(CMgrConfig& config);
  void ApplyAssociationPage();
  bool IsModified() const { return modified_; }
  CAssociateInfoShowWnd* Info() const { return info_; }
  VEXO_Checkbox* NeverAsk() const { return never_ask_; }

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  int OnInitDialog() override;

 private:
  CMgrConfig* config_ = nullptr;
  std::unique_ptr<CAssociationEngine> engine_;
  bool modified_ = false;
  QScrollArea* area_ = nullptr;
  CAssociateInfoShowWnd* info_ = nullptr;
  VEXO_Checkbox* never_ask_ = nullptr;
};
