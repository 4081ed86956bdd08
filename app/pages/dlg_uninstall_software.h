// The uninstall page: every program the registry lists as installed (the machine's native and
// 32-bit keys and the user's, Wine's prefix included), searchable by name and pinyin, each row
// with its icon and an uninstall button that starts the program's own uninstaller. When that
// uninstaller ends the list is read again.
#pragma once

#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/pages/row_page.h"
#include "app/pages/uninstall_list.h"

#include <QMessageBox>
class VEXO_Button;
class VEXO_Icon;
class VEXO_Label;

// Messages of the page.
constexpr unsigned kMsgSelectRow = 2535;         // wParam: the row's control id
constexpr unsigned kMsgUninstallerEnded = 2546;  // a started uninstaller has ended
constexpr unsigned kMsgSearchReset = 0x9FA;      // to the parent: back from a search to all
constexpr unsigned kUninstallBackButton = 1131;
constexpr char kUninstallStartFailed[] = "无法启动卸载程序";
constexpr char kNoSearchResult[] = "没有搜索到相关软件";

class UninstallSoftwareWnd;

class CdlgUninstallSoftware : public CRowPage {
  Q_OBJECT
 public:
  explicit CdlgUninstallSoftware(QWidget* parent,
                                 UninstallList::Scan scan = [] { return ScanUninstallEntries(); });
  ~CdlgUninstallSoftware() override;

  // The page slots: show (scan, lay out, show), hide, resize to the parent's page area.
  void ShowPage();
  void HidePage();
  void ResizePage();
  // The page's place in its parent, without taking the focus.
  void PlacePage();
  // The main window's search box: "" or the hint shows everything again.
  void SearchInstalled(const std::string& query);
  // Scans again keeping the current search (refresh button, an uninstaller ended).
  void Rescan();

  // Installed programs the last scan found, and the ones shown.
  int InstalledCount() const { return static_cast<int>(list_.Scanned().size()); }
  const UninstallList& List() const { return list_; }
  // Called with InstalledCount() after every scan (the main window's count label).
  void SetCountListener(std::function<void(int)> listener) { count_listener_ = std::move(listener); }

  // The row showing entry `index` of the shown list, or null when it is scrolled out.
  UninstallSoftwareWnd* RowOf(int index) const;
  VEXO_Button* BackButton() const { return back_; }
  VEXO_Label* NoResultLabel() const { return no_result_; }
  // The last "can't start the uninstaller" message box (null when none is open).
  QMessageBox* FailureBox() const { return failure_box_; }

  // The row icon of an icon source, loaded once; null when it names no icon.
  VEXO_Icon* IconFor(const std::string& iconSource);

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  int ListedCount() const override { return static_cast<int>(list_.Shown().size()); }
  CPageRow* MakeRow(unsigned id) override;
  void BindRow(CPageRow* row, int record) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void EnsureControls();
  void AfterScan();
  void Uninstall(int entry, unsigned row_id);
  void ShowStartFailure(const std::string& command, int code);

  UninstallList list_;
  VEXO_Button* back_ = nullptr;
  VEXO_Label* no_result_ = nullptr;
  QPointer<QMessageBox> failure_box_;
  std::map<std::string, std::unique_ptr<VEXO_Icon>> icons_;
  std::function<void(int)> count_listener_;
};

// One row: the program's icon (or the default image), its name, the uninstall button.
class UninstallSoftwareWnd : public CPageRow {
 public:
  UninstallSoftwareWnd(CdlgUninstallSoftware* page, unsigned id);
  void Bind(int entry, const UninstallEntry* data, VEXO_Icon* icon);
  int Entry() const { return entry_; }
  const std::string& Name() const { return name_; }
  VEXO_Icon* Icon() const { return icon_; }
  VEXO_Button* UninstallButton() const { return button_; }

 protected:
  void PaintContent(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  int entry_ = -1;
  std::string name_;
  VEXO_Icon* icon_ = nullptr;
  VEXO_Button* button_ = nullptr;
};

// Control id of row `row`'s uninstall button.
constexpr unsigned kUninstallButtonBase = 40000;
