#include "vexo/ui/widgets/split_bar.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "vexo/ui/render/color.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/widgets/notify_guard.h"

VEXO_SplitBar::VEXO_SplitBar(QWidget* parent) : QWidget(parent) { setCursor(Qt::SplitHCursor); }

VEXO_SplitBar::~VEXO_SplitBar() = default;

int VEXO_SplitBar::Create(unsigned style, const QRect& rect, QWidget* parent, unsigned id) {
  vertical_ = (style & SPS_HORIZONTAL) == 0;
  setCursor(vertical_ ? Qt::SplitHCursor : Qt::SplitVCursor);
  setParent(parent);
  setGeometry(rect);
  id_ = id;
  show();
  return 1;
}

void VEXO_SplitBar::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
}

int VEXO_SplitBar::GetPos() const { return vertical_ ? x() : y(); }

void VEXO_SplitBar::SetPos(int pos) {
  pos = std::clamp(pos, min_, max_);
  if (vertical_) move(pos, y());
  else move(x(), pos);
}

void VEXO_SplitBar::SetImage(VEXO_Image* image) {
  image_ = image;
  update();
}

void VEXO_SplitBar::SetColor(std::uint32_t colour) {
  colour_ = colour;
  update();
}

int VEXO_SplitBar::Along(const QPoint& parent_point) const {
  return vertical_ ? parent_point.x() : parent_point.y();
}

void VEXO_SplitBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (image_ && !image_->IsNull()) image_->DrawSmooth(&painter, rect());
  else painter.fillRect(rect(), VEXO_ToQColor(colour_));
}

void VEXO_SplitBar::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  dragging_ = true;
  start_ = GetPos();
  grab_ = Along(mapToParent(event->position().toPoint())) - start_;
}

void VEXO_SplitBar::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const int pos = std::clamp(Along(mapToParent(event->position().toPoint())) - grab_, min_, max_);
  if (pos == GetPos()) return;
  SetPos(pos);
  emit moved(pos);
}

void VEXO_SplitBar::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (!dragging_ || event->button() != Qt::LeftButton) return;
  dragging_ = false;
  const int pos = GetPos();
  if (pos == start_) return;
  VEXO_NotifyGuard guard(this);
  emit moved(pos);
  if (!guard) return;  // whoever heard the move destroyed the bar
  VEXO_NMSPLITBAR info;
  info.hdr.code = VEXO_SPN_SIZED;
  info.delta = pos - start_;
  info.pos = pos;
  VEXO_NotifyParent(this, id_, &info.hdr);  // last: the parent may destroy the bar
}
