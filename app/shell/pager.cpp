#include "app/shell/pager.h"

#include <algorithm>

namespace shell {

void Pager::Reset(int page_count) {
  count_ = std::max(page_count, 0);
  page_ = 1;
  for (int i = 0; i < kCells; ++i) cells_[i] = i + 1;
}

void Pager::GoTo(int page) {
  if (count_ < 1) return;
  page_ = std::clamp(page, 1, count_);
  const int first = count_ <= kCells ? 1 : std::clamp(page_ - kCells / 2, 1, count_ - kCells + 1);
  for (int i = 0; i < kCells; ++i) cells_[i] = first + i;
}

void Pager::ChooseCell(int index) {
  if (index < 0 || index >= kCells || StateOf(index) == CellState::Disabled) return;
  GoTo(cells_[index]);
}

void Pager::First() { GoTo(1); }
void Pager::Last() { GoTo(count_); }
void Pager::Previous() { if (PreviousEnabled()) GoTo(page_ - 1); }
void Pager::Next() { if (NextEnabled()) GoTo(page_ + 1); }

Pager::CellState Pager::StateOf(int index) const {
  if (cells_[index] > count_) return CellState::Disabled;
  return cells_[index] == page_ ? CellState::Current : CellState::Normal;
}

}  // namespace shell
