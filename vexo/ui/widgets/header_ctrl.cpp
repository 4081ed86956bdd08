#include "vexo/ui/widgets/header_ctrl.h"

#include <QMouseEvent>
#include <QPainter>

#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/font.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/resource_mgr.h"

VEXO_HeaderCtrl::VEXO_HeaderCtrl(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setFixedHeight(22);
}

void VEXO_HeaderCtrl::SetHeadImg(VEXO_Image* background, VEXO_Image* divider) {
  background_ = background;
  divider_ = divider;
  if (background && !background->IsNull()) setFixedHeight(background->GetHeight());
  update();
}

int VEXO_HeaderCtrl::InsertItem(int index, const QString& title, int format, int width) {
  index = std::clamp(index, 0, GetItemCount());
  columns_.insert(columns_.begin() + index, Column{title, format, std::max(0, width)});
  update();
  emit columnsChanged();
  return index;
}

bool VEXO_HeaderCtrl::DeleteItem(int index) {
  if (index < 0 || index >= GetItemCount()) return false;
  columns_.erase(columns_.begin() + index);
  update();
  emit columnsChanged();
  return true;
}

QString VEXO_HeaderCtrl::GetItemText(int index) const {
  return index >= 0 && index < GetItemCount() ? columns_[index].title : QString();
}

int VEXO_HeaderCtrl::GetItemFormat(int index) const {
  return index >= 0 && index < GetItemCount() ? columns_[index].format : LVCFMT_LEFT;
}

int VEXO_HeaderCtrl::GetItemWidth(int index) const {
  return index >= 0 && index < GetItemCount() ? columns_[index].width : 0;
}

bool VEXO_HeaderCtrl::SetItemWidth(int index, int width) {
  if (index < 0 || index >= GetItemCount()) return false;
  columns_[index].width = std::max(0, width);
  update();
  emit columnsChanged();
  return true;
}

int VEXO_HeaderCtrl::GetItemLeft(int index) const {
  int left = 0;
  for (int i = 0; i < index && i < GetItemCount(); ++i) left += columns_[i].width;
  return left;
}

int VEXO_HeaderCtrl::GetTotalWidth() const { return GetItemLeft(GetItemCount()); }

QRect VEXO_HeaderCtrl::GetItemRect(int index) const {
  if (index < 0 || index >= GetItemCount()) return QRect();
  return QRect(GetItemLeft(index) - offset_, 0, columns_[index].width, height());
}

void VEXO_HeaderCtrl::SetOffset(int offset) {
  offset_ = offset;
  update();
}

int VEXO_HeaderCtrl::ColumnAt(int x) const {
  for (int i = 0; i < GetItemCount(); ++i) {
    if (GetItemRect(i).contains(x, 0)) return i;
  }
  return -1;
}

int VEXO_HeaderCtrl::DividerAt(int x) const {
  for (int i = GetItemCount() - 1; i >= 0; --i) {
    const int edge = GetItemRect(i).right() + 1;
    if (x >= edge - 3 && x <= edge + 3) return i;
  }
  return -1;
}

void VEXO_HeaderCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::red);
  if (background_ && !background_->IsNull()) background_->Draw(&painter, rect());
  const bool has_divider = divider_ && !divider_->IsNull();
  const int divider_width = has_divider ? divider_->GetWidth() : 0;
  if (has_divider) divider_->Draw(&painter, QRect(0, 0, divider_width, height()));

  VEXO_Font* font = VEXO_ResourceMgr::Instance()->GetFont("hfont");
  painter.setFont(font ? font->GetQFont() : this->font());
  painter.setPen(Qt::black);
  for (int i = 0; i < GetItemCount(); ++i) {
    const QRect cell = GetItemRect(i);
    if (has_divider) {
      divider_->Draw(&painter, QRect(cell.right() + 1 - divider_width, 0, divider_width, height()));
    }
    unsigned format = vexo_dt::DT_SINGLELINE | vexo_dt::DT_VCENTER | vexo_dt::DT_END_ELLIPSIS |
                      vexo_dt::DT_NOPREFIX;
    if (columns_[i].format == LVCFMT_CENTER) format |= vexo_dt::DT_CENTER;
    else if (columns_[i].format == LVCFMT_RIGHT) format |= vexo_dt::DT_RIGHT;
    VEXO_DrawText(&painter, columns_[i].title, cell.adjusted(4, 0, -4, 0), format);
  }
}

void VEXO_HeaderCtrl::mousePressEvent(QMouseEvent* event) {
  const int x = event->position().toPoint().x();
  resizing_ = event->button() == Qt::LeftButton ? DividerAt(x) : -1;
  if (resizing_ >= 0) {
    resize_from_ = x;
    resize_width_ = columns_[resizing_].width;
  }
  event->accept();
}

void VEXO_HeaderCtrl::mouseMoveEvent(QMouseEvent* event) {
  const int x = event->position().toPoint().x();
  if (resizing_ >= 0) {
    SetItemWidth(resizing_, resize_width_ + x - resize_from_);
    return;
  }
  setCursor(DividerAt(x) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void VEXO_HeaderCtrl::mouseReleaseEvent(QMouseEvent*) { resizing_ = -1; }
