#include "app/assoc/program_picker.h"

#include <algorithm>

void ProgramPicker::Reset(const std::vector<SoftwareState*>& common, const std::vector<SoftwareState*>& all) {
  items_.clear();
  for (SoftwareState* program : common)
    if (program != nullptr) items_.push_back({program, true});
  for (SoftwareState* program : all) {
    const bool listed = std::any_of(items_.begin(), items_.end(), [program](const Item& item) { return item.program == program; });
    if (program != nullptr && !listed) items_.push_back({program, false});
  }
  pager_.Reset((Count() + kPerPage - 1) / kPerPage);
  changed_ = false;
}

int ProgramPicker::PageEnd() const { return std::min(Count(), PageFirst() + kPerPage); }

void ProgramPicker::SetTicked(int index, bool ticked) {
  if (index < 0 || index >= Count()) return;
  items_[static_cast<std::size_t>(index)].ticked = ticked;
  changed_ = true;
}

int ProgramPicker::Show(int index) {
  // Page forward or back until the item's page shows.
  const int page = index / kPerPage + 1;
  while (pager_.page() < page && pager_.NextEnabled()) pager_.Next();
  while (pager_.page() > page && pager_.PreviousEnabled()) pager_.Previous();
  changed_ = true;
  return index;
}

int ProgramPicker::MoveTop(int index) {
  if (index <= 0 || index >= Count()) return index;
  const Item item = items_[static_cast<std::size_t>(index)];
  items_.erase(items_.begin() + index);
  items_.insert(items_.begin(), item);
  return Show(0);
}

int ProgramPicker::MoveUp(int index) {
  if (index <= 0 || index >= Count()) return index;
  std::swap(items_[static_cast<std::size_t>(index)], items_[static_cast<std::size_t>(index - 1)]);
  return Show(index - 1);
}

int ProgramPicker::MoveDown(int index) {
  if (index < 0 || index + 1 >= Count()) return index;
  std::swap(items_[static_cast<std::size_t>(index)], items_[static_cast<std::size_t>(index + 1)]);
  return Show(index + 1);
}

std::vector<SoftwareState*> ProgramPicker::Ticked() const {
  std::vector<SoftwareState*> ticked;
  for (const Item& item : items_)
    if (item.ticked) ticked.push_back(item.program);
  return ticked;
}
