// The often-used programs page: the catalogue's programs twelve to a page in two columns of six
// check boxes, the five-cell pager with first / previous / next / last, and moving the chosen
// program to the top, up or down. The ticked programs, in the order shown, become the list.
#pragma once
#include <array>
#include <vector>

#include "app/assoc/program_picker.h"
#include "vexo/ui/dialog/dialog.h"

class VEXO_Button;
class VEXO_Checkbox;

class CDlgSetSoft : public VEXO_Dialog {
  Q_OBJECT
 public:
  static constexpr unsigned kFirstBox = 2200;   // + slot 0..11
  static constexpr unsigned kFirstCell = 2250;  // + cell 0..4
  static constexpr unsigned kFirstPage = 2260;
  static constexpr unsigned kPreviousPage = 2261;
  static constexpr unsigned kNextPage = 2262;
  static constexpr unsigned kLastPage = 2263;
  static constexpr unsigned kMoveTop = 2270;
  static constexpr unsigned kMoveUp = 2271;
  static constexpr unsigned kMoveDown = 2272;

  explicit CDlgSetSoft(QWidget* parent);
  ~CDlgSetSoft() override;

  void InitPage(const std::vector<SoftwareState*>& common, const std::vector<SoftwareState*>& all);
  const ProgramPicker& Picker() const { return picker_; }
  VEXO_Checkbox* Box(int slot) const { return boxes_[static_cast<std::size_t>(slot)]; }
  VEXO_Button* Cell(int cell) const { return cells_[static_cast<std::size_t>(cell)]; }
  int Chosen() const { return chosen_; }

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  int OnInitDialog() override;

 private:
  void Fill();

  ProgramPicker picker_;
  int chosen_ = -1;  // the item the order buttons move
  std::array<VEXO_Checkbox*, ProgramPicker::kPerPage> boxes_{};
  std::array<VEXO_Button*, shell::Pager::kCells> cells_{};
};
