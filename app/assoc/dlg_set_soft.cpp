#include "app/assoc/dlg_set_soft.h"

#include "app/catalogue/software_state.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/checkbox.h"
#include "vexo/ui/widgets/image_button.h"

namespace {

VEXO_Image* Image(const char* name) { return VEXO_ResourceMgr::Instance()->GetImage(name); }

}  // namespace

CDlgSetSoft::CDlgSetSoft(QWidget* parent) : VEXO_Dialog(parent, kChild) { resize(464, 376); }

CDlgSetSoft::~CDlgSetSoft() { DetachMessages(); }

int CDlgSetSoft::OnInitDialog() {
  if (VEXO_Image* background = Image("img/OftenSoftSet.png")) SetImage(background);
  for (int slot = 0; slot < ProgramPicker::kPerPage; ++slot) {
    auto* box = new VEXO_Checkbox(this);
    const int column = slot / 6;
    const int row = slot % 6;
    box->Create("", QRect(50 + 194 * column, 51 + 48 * row, 180, 20), this, kFirstBox + static_cast<unsigned>(slot));
    box->Init(Image("img/checkbox.png"), VEXO_Checkbox::kLeftCentre, 0xFFFFFFFFu);
    AddWidget(kFirstBox + static_cast<unsigned>(slot), box);
    boxes_[static_cast<std::size_t>(slot)] = box;
  }
  for (int cell = 0; cell < shell::Pager::kCells; ++cell) {
    auto* button = new VEXO_Button(this);
    button->Create("", QRect(272 + 20 * cell, 340, 18, 18), this, kFirstCell + static_cast<unsigned>(cell));
    AddWidget(kFirstCell + static_cast<unsigned>(cell), button);
    cells_[static_cast<std::size_t>(cell)] = button;
  }
  VEXO_AddImageButtons(this, {{kFirstPage, "img/Firstpage.png", QRect(200, 340, 30, 18)},
                              {kPreviousPage, "img/Frontpage.png", QRect(236, 340, 30, 18)},
                              {kNextPage, "img/Nextpage.png", QRect(376, 340, 30, 18)},
                              {kLastPage, "img/Lastpage.png", QRect(412, 340, 30, 18)},
                              {kMoveTop, "img/MoveTop.png", QRect(16, 340, 50, 20)},
                              {kMoveUp, "img/up.png", QRect(72, 340, 50, 20)},
                              {kMoveDown, "img/down.png", QRect(128, 340, 50, 20)}});
  return 1;
}

void CDlgSetSoft::InitPage(const std::vector<SoftwareState*>& common, const std::vector<SoftwareState*>& all) {
  Create();
  picker_.Reset(common, all);
  chosen_ = -1;
  Fill();
}

void CDlgSetSoft::Fill() {
  const int first = picker_.PageFirst();
  for (int slot = 0; slot < ProgramPicker::kPerPage; ++slot) {
    VEXO_Checkbox* box = boxes_[static_cast<std::size_t>(slot)];
    const int index = first + slot;
    box->setVisible(index < picker_.PageEnd());
    if (index >= picker_.PageEnd()) continue;
    box->setText(QString::fromStdString(picker_.At(index)->name));
    box->SetCheck(picker_.Ticked(index) ? 1 : 0);
  }
  const shell::Pager& pager = picker_.Pager();
  for (int cell = 0; cell < shell::Pager::kCells; ++cell) {
    VEXO_Button* button = cells_[static_cast<std::size_t>(cell)];
    const shell::Pager::CellState state = pager.StateOf(cell);
    button->setVisible(state != shell::Pager::CellState::Disabled);
    button->SetImage(Image(state == shell::Pager::CellState::Current ? "img/numberclick.png" : "img/number.png"));
    button->setText(QString::number(pager.CellValue(cell)));
  }
}

ds::LResult CDlgSetSoft::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message != vexo_msg::WM_COMMAND || vexo_msg::HighWord(wparam) != vexo_msg::BN_CLICKED)
    return VEXO_Dialog::WindowProc(message, wparam, lparam);
  const unsigned id = vexo_msg::LowWord(wparam);
  shell::Pager& pager = picker_.Pager();
  if (id >= kFirstBox && id < kFirstBox + ProgramPicker::kPerPage) {
    chosen_ = picker_.PageFirst() + static_cast<int>(id - kFirstBox);
    picker_.SetTicked(chosen_, boxes_[id - kFirstBox]->GetCheck() != 0);
    return 1;
  }
  if (id >= kFirstCell && id < kFirstCell + shell::Pager::kCells) {
    pager.ChooseCell(static_cast<int>(id - kFirstCell));
  } else {
    switch (id) {
      case kFirstPage: pager.First(); break;
      case kPreviousPage: pager.Previous(); break;
      case kNextPage: pager.Next(); break;
      case kLastPage: pager.Last(); break;
      case kMoveTop: chosen_ = picker_.MoveTop(chosen_); break;
      case kMoveUp: chosen_ = picker_.MoveUp(chosen_); break;
      case kMoveDown: chosen_ = picker_.MoveDown(chosen_); break;
      default: return 1;
    }
  }
  Fill();
  return 1;
}
