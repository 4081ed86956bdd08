// The all-software page's pager: five number cells that slide so the chosen page sits in the
// middle cell, and the first / previous / next / last buttons. The window draws the cells from
// this state and forwards clicks to it.
#pragma once

#include <array>

namespace shell {

class Pager {
 public:
  static constexpr int kCells = 5;
  enum class CellState { Normal, Current, Disabled };

  // A new page count: page 1, cells 1 to 5. A count below 1 counts as 0 pages.
  void Reset(int page_count);
  // A click on cell `index` (0..4). Disabled cells and indexes out of range do nothing.
  void ChooseCell(int index);
  void First();
  void Last();
  void Previous();
  void Next();

  int page() const { return page_; }
  int page_count() const { return count_; }
  int CellValue(int index) const { return cells_[index]; }
  CellState StateOf(int index) const;
  bool FirstEnabled() const { return page_ >= 2; }
  bool PreviousEnabled() const { return page_ >= 2; }
  bool NextEnabled() const { return page_ < count_; }
  bool LastEnabled() const { return page_ < count_; }

 private:
  // Shows `page`, sliding the cells so it sits in the middle where the count allows.
  void GoTo(int page);

  int count_ = 0;
  int page_ = 1;
  std::array<int, kCells> cells_{{1, 2, 3, 4, 5}};
};

}  // namespace shell
