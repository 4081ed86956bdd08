#include "app/assoc/bt_list_ctrl.h"

#include <QPainter>

#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/resource_mgr.h"

VEXO_BtListCtrl::VEXO_BtListCtrl(QWidget* parent) : VEXO_ListCtrl(parent) {
  SetImgBk(VEXO_ResourceMgr::Instance()->GetImage("Img/SoftAssociate/Listbg.png"));
}

void VEXO_BtListCtrl::SetRowButton(int item, VEXO_Image* image) {
  if (item < 0 || item >= GetItemCount()) return;
  if (static_cast<int>(buttons_.size()) < GetItemCount()) buttons_.resize(static_cast<std::size_t>(GetItemCount()));
  buttons_[static_cast<std::size_t>(item)] = image;
  viewport()->update();
}

VEXO_Image* VEXO_BtListCtrl::GetRowButton(int item) const {
  return item >= 0 && item < static_cast<int>(buttons_.size()) && item < GetItemCount()
             ? buttons_[static_cast<std::size_t>(item)]
             : nullptr;
}

QRect VEXO_BtListCtrl::ButtonRect(int item) const {
  VEXO_Image* image = GetRowButton(item);
  if (image == nullptr) return QRect();
  const QRect row = GetItemRect(item);
  const int w = image->GetWidth() / 4;
  const int h = std::min(image->GetHeight(), row.height());
  return QRect(row.right() - w - 4, row.top() + (row.height() - h) / 2, w, h);
}

void VEXO_BtListCtrl::paintEvent(QPaintEvent* event) {
  VEXO_ListCtrl::paintEvent(event);
  QPainter painter(viewport());
  for (int i = 0; i < GetItemCount(); ++i) {
    VEXO_Image* image = GetRowButton(i);
    const QRect rect = ButtonRect(i);
    if (image == nullptr || rect.isEmpty()) continue;
    image->Draw(&painter, rect, QRect(0, 0, image->GetWidth() / 4, image->GetHeight()));
  }
}
