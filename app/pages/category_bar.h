// A column of category buttons at the left of a software page: skinned check boxes stacked from
// the top without gaps, one quarter of their image wide (the images hold four looks side by
// side). Pressing one posts the page its selection message with the category; the selected
// category's button is unticked and all others ticked. Two small buttons scroll the column by
// one button when it is taller than the bar, each enabled while there is more in its direction.
#pragma once

#include <string>
#include <vector>

#include "core/thread/message_target.h"
#include "vexo/ui/dialog/dialog.h"

class VEXO_Button;
class VEXO_Checkbox;

class CSoftCategoryBar : public VEXO_Dialog {
  Q_OBJECT
 public:
  static constexpr int kWidth = 129;
  static constexpr int kScrollButtonHeight = 14;

  struct Entry {
    unsigned id = 0;
    int category = 0;
    std::string image;
    bool shown = true;
  };

  CSoftCategoryBar(QWidget* parent, ds::MsgHandle page, unsigned selectMessage, unsigned upCommand,
                   unsigned downCommand);

  // Replaces the buttons.
  void SetEntries(const std::vector<Entry>& entries);
  void Select(int category);
  int Selected() const { return selected_; }
  VEXO_Checkbox* ButtonFor(int category) const;
  VEXO_Button* ScrollButton(bool up) const { return up ? up_ : down_; }
  int FirstShown() const { return first_; }

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Layout();
  int ShownCount() const;
  int ButtonHeight() const;
  int VisibleButtons() const;

  ds::MsgHandle page_;
  unsigned select_message_;
  unsigned up_command_;
  unsigned down_command_;
  std::vector<Entry> entries_;
  std::vector<VEXO_Checkbox*> buttons_;
  VEXO_Button* up_ = nullptr;
  VEXO_Button* down_ = nullptr;
  int selected_ = -1;
  int first_ = 0;  // index among the shown buttons of the one at the top
};
