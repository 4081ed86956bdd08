#include "vexo/ui/widgets/combo_drop_list.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

#include "vexo/ui/render/color.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/skin_colors.h"
#include "vexo/ui/widgets/combo_box.h"

namespace {
constexpr int kBorder = 1;
constexpr int kBarWidth = 7;
constexpr int kTextPadding = 4;
constexpr int kWheelRows = 3;
}  // namespace

VEXO_ComboDropList::VEXO_ComboDropList(VEXO_ComboBox* owner) : QWidget(nullptr), owner_(owner) {
  setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
  setAttribute(Qt::WA_ShowWithoutActivating, false);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
}

void VEXO_ComboDropList::SetRows(const QStringList& rows, int current) {
  rows_ = rows;
  highlight_ = current >= 0 && current < GetCount() ? current : -1;
  top_ = 0;
  if (highlight_ >= VisibleRows()) ScrollTo(highlight_ - VisibleRows() + 1);
  update();
}

int VEXO_ComboDropList::RowHeight() const { return std::max(20, fontMetrics().height() + 6); }

int VEXO_ComboDropList::PreferredHeight() const {
  return std::clamp(GetCount(), 1, kMaxRows) * RowHeight() + 2 * kBorder;
}

int VEXO_ComboDropList::VisibleRows() const {
  return std::max(1, (height() - 2 * kBorder) / RowHeight());
}

int VEXO_ComboDropList::MaxTop() const { return std::max(0, GetCount() - VisibleRows()); }

QRect VEXO_ComboDropList::BarRect() const {
  if (GetCount() <= VisibleRows()) return QRect();
  return QRect(width() - kBorder - kBarWidth, kBorder, kBarWidth, height() - 2 * kBorder);
}

QRect VEXO_ComboDropList::ThumbRect() const {
  const QRect bar = BarRect();
  if (bar.isEmpty()) return QRect();
  const int thumb = std::max(12, bar.height() * VisibleRows() / GetCount());
  const int room = bar.height() - thumb;
  const int y = MaxTop() > 0 ? room * top_ / MaxTop() : 0;
  return QRect(bar.left() + 1, bar.top() + y, bar.width() - 2, thumb);
}

QRect VEXO_ComboDropList::RowRect(int row) const {
  if (row < top_ || row >= top_ + VisibleRows() || row >= GetCount()) return QRect();
  const int right = BarRect().isEmpty() ? width() - kBorder : BarRect().left();
  return QRect(kBorder, kBorder + (row - top_) * RowHeight(), right - kBorder, RowHeight());
}

int VEXO_ComboDropList::RowAt(const QPoint& pos) const {
  for (int row = top_; row < std::min(GetCount(), top_ + VisibleRows()); ++row) {
    if (RowRect(row).contains(pos)) return row;
  }
  return -1;
}

void VEXO_ComboDropList::ScrollTo(int top) {
  top = std::clamp(top, 0, MaxTop());
  if (top == top_) return;
  top_ = top;
  update();
}

void VEXO_ComboDropList::Highlight(int row) {
  if (row < 0 || row >= GetCount() || row == highlight_) return;
  highlight_ = row;
  if (row < top_) ScrollTo(row);
  else if (row >= top_ + VisibleRows()) ScrollTo(row - VisibleRows() + 1);
  update();
}

void VEXO_ComboDropList::paintEvent(QPaintEvent*) {
  using namespace vexo_color;
  QPainter painter(this);
  const QRect inside = rect().adjusted(kBorder, kBorder, -kBorder, -kBorder);
  if (background_ && !background_->IsNull()) {
    background_->DrawSmooth(&painter, inside);
  } else {
    painter.fillRect(inside, VEXO_ToQColor(VEXO_SkinColor(kListNormalBk, 0xFFFFFF)));
  }
  painter.setPen(VEXO_ToQColor(VEXO_SkinColor(kMenuBorder, 0x7A7A7A)));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));

  painter.setFont(font());
  const QColor text = VEXO_ToQColor(VEXO_SkinColor(kListText, 0x000000));
  const QColor highlight = VEXO_ToQColor(VEXO_SkinColor(kMenuHighlight, 0xC86446));
  const QColor highlight_text = VEXO_ToQColor(VEXO_SkinColor(kMenuHighlightText, 0xFFFFFF));
  for (int row = top_; row < std::min(GetCount(), top_ + VisibleRows()); ++row) {
    const QRect cell = RowRect(row);
    if (row == highlight_) painter.fillRect(cell, highlight);
    painter.setPen(row == highlight_ ? highlight_text : text);
    VEXO_DrawText(&painter, rows_[row], cell.adjusted(kTextPadding, 0, -kTextPadding, 0),
                  vexo_dt::DT_SINGLELINE | vexo_dt::DT_VCENTER | vexo_dt::DT_END_ELLIPSIS |
                      vexo_dt::DT_NOPREFIX);
  }
  const QRect thumb = ThumbRect();
  if (!thumb.isEmpty()) {
    painter.fillRect(BarRect(), VEXO_ToQColor(VEXO_SkinColor(kListAltBk, 0xF0F0F0)));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(VEXO_ToQColor(VEXO_SkinColor(kMenuBorder, 0x7A7A7A)));
    painter.drawRoundedRect(QRectF(thumb), 2.5, 2.5);
  }
}

void VEXO_ComboDropList::DragThumbTo(int y) {
  const QRect bar = BarRect();
  const int room = bar.height() - ThumbRect().height();
  if (room <= 0) return;
  const int offset = std::clamp(y - drag_offset_ - bar.top(), 0, room);
  ScrollTo((offset * MaxTop() + room / 2) / room);
}

void VEXO_ComboDropList::mousePressEvent(QMouseEvent* event) {
  event->accept();
  const QPoint at = event->position().toPoint();
  // While the list is open every press comes here; one outside it (on the combo box too) only
  // closes it.
  if (!rect().contains(at)) {
    Finish(-1);
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  if (BarRect().contains(at)) {
    const QRect thumb = ThumbRect();
    dragging_thumb_ = true;
    drag_offset_ = thumb.contains(at) ? at.y() - thumb.top() : thumb.height() / 2;
    DragThumbTo(at.y());
    return;
  }
  Highlight(RowAt(at));
}

void VEXO_ComboDropList::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (dragging_thumb_) {
    DragThumbTo(at.y());
    return;
  }
  Highlight(RowAt(at));
}

void VEXO_ComboDropList::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  if (dragging_thumb_) {
    dragging_thumb_ = false;
    return;
  }
  // The release of the press that opened the list lands on the combo box: no choice.
  const int row = RowAt(event->position().toPoint());
  if (row >= 0) Finish(row);
}

void VEXO_ComboDropList::wheelEvent(QWheelEvent* event) {
  event->accept();
  wheel_delta_ += event->angleDelta().y();
  while (wheel_delta_ >= 120 || wheel_delta_ <= -120) {
    const bool up = wheel_delta_ > 0;
    wheel_delta_ += up ? -120 : 120;
    ScrollTo(top_ + (up ? -kWheelRows : kWheelRows));
  }
}

void VEXO_ComboDropList::keyPressEvent(QKeyEvent* event) {
  event->accept();
  const bool alt = event->modifiers() & Qt::AltModifier;
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_F4:
      Finish(-1);
      return;
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (alt) return Finish(-1);
      Highlight(highlight_ < 0 ? 0 : highlight_ + (event->key() == Qt::Key_Up ? -1 : 1));
      return;
    case Qt::Key_PageUp:
      Highlight(std::max(0, highlight_ - VisibleRows()));
      return;
    case Qt::Key_PageDown:
      Highlight(std::min(GetCount() - 1, highlight_ + VisibleRows()));
      return;
    case Qt::Key_Home:
      Highlight(0);
      return;
    case Qt::Key_End:
      Highlight(GetCount() - 1);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Finish(highlight_);
      return;
    default:
      event->ignore();
      return;
  }
}

void VEXO_ComboDropList::Finish(int row) {
  if (owner_) {
    owner_->OnDropListDone(row);  // may destroy the combo box; this list lives on until later
  } else {
    hide();
  }
}
