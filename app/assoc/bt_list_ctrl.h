// The program's list of the open-with chooser: the report list drawn over the skinned list
// background "Img/SoftAssociate/Listbg.png", with, for rows that have one, a button image (the
// first of its four looks) at the row's right edge.
#pragma once
#include <vector>

#include "vexo/ui/widgets/list_ctrl.h"

class VEXO_Image;

class VEXO_BtListCtrl : public VEXO_ListCtrl {
  Q_OBJECT
 public:
  explicit VEXO_BtListCtrl(QWidget* parent = nullptr);
  // The button image of row `item` (null for none); rows inserted later have none.
  void SetRowButton(int item, VEXO_Image* image);
  VEXO_Image* GetRowButton(int item) const;
  // Where row `item`'s button is drawn, in viewport coordinates; empty without one.
  QRect ButtonRect(int item) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<VEXO_Image*> buttons_;
};
