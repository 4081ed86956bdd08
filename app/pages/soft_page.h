// What the all-software and common-software pages share: a header band with the column
// captions, the category bar at the left, the items (SoftInfoShow) from x 130, the item actions (download, pause, resume, install, run,
// upgrade), the launching list of programs whose installer runs, and the notice for an
// installer that could not start.
#pragma once

#include <memory>
#include <set>
#include <string>

#include "app/pages/gadget.h"
#include "app/pages/soft_info_show.h"
#include "vexo/ui/dialog/dialog.h"

class CDlgSysMsg;
class CSoftCategoryBar;
class VEXO_HeaderCtrl;
class SoftwareMgr;
class DownloadQueue;

// Messages of the software pages.
constexpr unsigned kMsgStartDownload = 2526;
constexpr unsigned kMsgSelectCategory = 1005;
constexpr unsigned kMsgSelectCommonCategory = 1999;
constexpr unsigned kMsgPageChanged = 2968;
// To the main window: the download list has a new program (0x9EA).
constexpr unsigned kMsgDownloadsChanged = 0x9EA;

class CSoftPage : public VEXO_Dialog, public SoftPageHost, public IGadget {
  Q_OBJECT
 public:
  static constexpr int kListX = 130;
  // The header band over the category bar and the items, with the column captions.
  static constexpr int kHeaderHeight = 24;

  // `main` hears what the pages ask of the main window (download list, paused downloads).
  CSoftPage(QWidget* parent, ds::MsgHandle main);
  ~CSoftPage() override;

  SoftInfoShow* Items() const { return items_; }
  CSoftCategoryBar* CategoryBar() const { return bar_; }
  VEXO_HeaderCtrl* Header() const { return header_; }
  CDlgSysMsg* Notice() const { return notice_.get(); }
  const std::set<int>& Launching() const { return launching_; }

  bool IsLaunching(int id) const override { return launching_.count(id) != 0; }
  void OnItemButton(SoftwareState* program) override;
  void HideGadget() override;
  void ResizeGadget(int width, int height) override { resize(width, height); }

  // Runs the downloaded installer of `id` on a worker (2545).
  void RunInstaller(int id);
  // Redraws the items whose record changed.
  void RefreshChanged();

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // What an item's install click does with an installer that is there.
  virtual void InstallFromItem(int id) { RunInstaller(id); }
  virtual void LayoutChildren();

  SoftwareMgr* Software() const;
  DownloadQueue* Queue() const;
  std::string InstallerPath(const SoftwareState& program) const;
  void ShowNotice(const std::string& text);
  void StartDownload(int id);
  // The item's program starts downloading (as an upgrade when `upgrade`): its status, and its
  // counters from zero.
  void MarkDownloading(SoftwareState* program, bool upgrade);

  ds::MsgHandle main_;
  VEXO_HeaderCtrl* header_ = nullptr;
  SoftInfoShow* items_ = nullptr;
  CSoftCategoryBar* bar_ = nullptr;
  std::set<int> launching_;
  std::unique_ptr<CDlgSysMsg> notice_;
};
