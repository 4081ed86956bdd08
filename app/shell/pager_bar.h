// The all-software page's pager as the main window shows it: first, previous, next and last
// (1130, 1150, 1135, 1131) and five number cells drawn from the digit strips, the current page's
// cell from "img/numberclick.png". Buttons and cells tell the main window by WM_COMMAND; the
// cells use 1136 to 1140.
#pragma once

#include "app/shell/pager.h"
#include "vexo/ui/dialog/dialog.h"

class VEXO_Button;

class CPagerBar : public VEXO_Dialog {
  Q_OBJECT
 public:
  static constexpr unsigned kFirst = 1130;
  static constexpr unsigned kLast = 1131;
  static constexpr unsigned kPrevious = 1150;
  static constexpr unsigned kNext = 1135;
  static constexpr unsigned kFirstCell = 1136;
  static constexpr int kCellSpacing = 20;
  static constexpr int kWidth = 4 * 52 + 5 * kCellSpacing;
  static constexpr int kHeight = 20;

  CPagerBar(QWidget* parent, const shell::Pager& pager, ds::MsgHandle main);
  // Enables the buttons and redraws the cells from the pager.
  void Sync();
  VEXO_Button* Button(unsigned id) const;
  QRect CellRect(int index) const;
  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  const shell::Pager& pager_;
  ds::MsgHandle main_;
};
