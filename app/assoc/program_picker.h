// The rules of the often-used programs page, without a window: the catalogue's programs with the
// current often-used ones first (ticked), shown twelve to a page under the five-cell pager, and
// moved to the top or one place up or down.
#pragma once
#include <vector>

#include "app/shell/pager.h"

struct SoftwareState;

class ProgramPicker {
 public:
  static constexpr int kPerPage = 12;

  // `common`: the often-used programs now, in order; `all`: every catalogue program offered.
  void Reset(const std::vector<SoftwareState*>& common, const std::vector<SoftwareState*>& all);

  int Count() const { return static_cast<int>(items_.size()); }
  SoftwareState* At(int index) const { return items_[static_cast<std::size_t>(index)].program; }
  bool Ticked(int index) const { return items_[static_cast<std::size_t>(index)].ticked; }
  void SetTicked(int index, bool ticked);
  // The indexes of the current page's items.
  int PageFirst() const { return (pager_.page() - 1) * kPerPage; }
  int PageEnd() const;

  // Moves item `index` to the top, one up or one down; the item's new index (the pager follows
  // it to its page).
  int MoveTop(int index);
  int MoveUp(int index);
  int MoveDown(int index);

  // The ticked programs in the order shown.
  std::vector<SoftwareState*> Ticked() const;
  bool Changed() const { return changed_; }
  shell::Pager& Pager() { return pager_; }
  const shell::Pager& Pager() const { return pager_; }

 private:
  struct Item {
    SoftwareState* program;
    bool ticked;
  };
  int Show(int index);

  std::vector<Item> items_;
  shell::Pager pager_;
  bool changed_ = false;
};
