// The download list: one 30-pixel row per program of the download queue, in queue order, with
// its icon, name, size, progress bar and percentage, speed, time left or the reason it stopped,
// and buttons to start, pause and cancel it; a top line with the total speed and time left; the
// buttons of all rows (start, pause, cancel all) are the owner's and call StartAll, PauseAll and
// CancelAll. Any window may embed one (main window, upgrade page): it reads the process's queue
// and state manager, keeps itself in step with the queue once a second, and forwards "run the
// installer" (2545) to the window it is embedded in.
#pragma once

#include <QPointer>
#include <string>
#include <vector>

#include "app/downloads/download_row_view.h"
#include "vexo/ui/dialog/dialog.h"

class CSkinScrollBar;
class DownloadQueue;
class SoftwareMgr;
class VEXO_Button;
class CDownloadMgrWnd;

// One row of the list, bound to a program or empty.
class SoftwareDownloadWnd : public VEXO_Dialog {
  Q_OBJECT
 public:
  static constexpr unsigned kStartId = 501;
  static constexpr unsigned kPauseId = 502;
  static constexpr unsigned kCancelId = 503;

  SoftwareDownloadWnd(CDownloadMgrWnd* list, QWidget* parent, unsigned id);

  // Shows the program (null: an empty row) and sets its buttons by status.
  void Bind(SoftwareState* program);
  SoftwareState* program() const { return program_; }
  // 0 first, 1 middle, 2 last: picks the background.
  void SetPosition(int position);
  int position() const { return position_; }
  // Repaints while the program downloads, pauses or is paused.
  void Tick();
  void ApplyButtons(const download_view::RowButtons& buttons);
  void HideButtons();

  // The row's actions (also run by the list's all-rows buttons).
  void StartDownload();
  void PauseDownload();
  void CancelDownload();

  VEXO_Button* Button(unsigned id) const;
  // What the row shows now (tests read it as a person reads the row).
  std::string ProgressText() const;
  std::string SpeedText() const;
  std::string StateText() const;
  double Fraction() const { return progress_.Fraction(); }

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void PlaceButtons();
  void TakeProgress();

  CDownloadMgrWnd* list_;
  SoftwareState* program_ = nullptr;
  int position_ = 0;
  download_view::RowProgress progress_;
  VEXO_Button* buttons_[3] = {nullptr, nullptr, nullptr};
};

class CDownloadMgrWnd : public VEXO_Dialog {
  Q_OBJECT
 public:
  static constexpr unsigned kFirstRowId = 200;
  static constexpr unsigned kScrollBarId = 1100;
  static constexpr int kTopLineHeight = 20;
  static constexpr int kLeftStripWidth = 28;
  static constexpr unsigned kTimerRows = 1;

  explicit CDownloadMgrWnd(QWidget* parent = nullptr);
  ~CDownloadMgrWnd() override;

  // Places the list in `parent` at `rect` and builds its rows.
  int Create(const QRect& rect, QWidget* parent, unsigned id);

  // Rows for the current height and queue; old rows are destroyed.
  void BuildRows();
  // After a queue change: rows re-bound in queue order, spare ones emptied or removed.
  void RefreshRows();
  // After a program was queued: a row appended when the queue outgrew the rows, then refreshed.
  void AddRow();

  void StartAll();
  void PauseAll();
  void CancelAll();
  // The row of program `id` runs its pause (a download that reported a failure); without such
  // a row the queue pauses it. True when something was paused.
  bool PauseProgram(int id);

  int RowCount() const { return static_cast<int>(rows_.size()); }
  SoftwareDownloadWnd* Row(int index) const;
  SoftwareDownloadWnd* RowOf(int id) const;
  std::string TopLine() const { return top_line_; }
  bool IsMouseInside() const { return mouse_inside_; }
  int ScrollPos() const { return scroll_; }
  // The rows' area: below the top line, right of the frame strip, left of the scroll bar.
  QRect RowArea() const;

  // Once a second: in step with the queue, top line rewritten, rows repainted.
  void OnTick();

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;
  void OnTimer(unsigned id) override;

  // Every list alive in the process (the main window refreshes them all after queue changes).
  static const std::vector<CDownloadMgrWnd*>& Instances();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  friend class SoftwareDownloadWnd;
  void RenumberPositions();
  void PlaceRows();
  void UpdateScrollRange();
  void ScrollTo(int pos);
  bool InStepWithQueue() const;
  void DestroyRows();

  std::vector<SoftwareDownloadWnd*> rows_;
  QWidget* area_ = nullptr;  // clips the rows below the top line
  CSkinScrollBar* scroll_bar_ = nullptr;
  int scroll_ = 0;
  bool mouse_inside_ = false;
  std::string top_line_;
};
