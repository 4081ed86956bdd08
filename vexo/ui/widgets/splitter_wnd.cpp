#include "vexo/ui/widgets/splitter_wnd.h"

#include <algorithm>

#include "vexo/ui/widgets/split_bar.h"

VEXO_SplitterWnd::VEXO_SplitterWnd(bool side_by_side, QWidget* parent)
    : QWidget(parent), side_by_side_(side_by_side), bar_(new VEXO_SplitBar(this)) {
  bar_->Create(side_by_side ? VEXO_SplitBar::SPS_VERTICAL : VEXO_SplitBar::SPS_HORIZONTAL,
               QRect(0, 0, bar_width_, bar_width_), this, 0);
  connect(bar_.data(), &VEXO_SplitBar::moved, this, [this](int pos) {
    split_ = Clamp(pos);
    Layout();
  });
  Layout();
}

CxSplitterWnd::CxSplitterWnd(QWidget* parent) : VEXO_SplitterWnd(true, parent) {}
CySplitterWnd::CySplitterWnd(QWidget* parent) : VEXO_SplitterWnd(false, parent) {}

int VEXO_SplitterWnd::Create(const QRect& rect, QWidget* parent, unsigned id) {
  setParent(parent);
  setGeometry(rect);
  id_ = id;
  show();
  return 1;
}

void VEXO_SplitterWnd::SetPanes(QWidget* first, QWidget* second) {
  panes_[0] = first;
  panes_[1] = second;
  for (QWidget* pane : {first, second}) {
    if (pane) {
      pane->setParent(this);
      pane->show();
    }
  }
  if (bar_) bar_->raise();
  Layout();
}

QWidget* VEXO_SplitterWnd::GetPane(int index) const {
  return index == 0 || index == 1 ? panes_[index].data() : nullptr;
}

void VEXO_SplitterWnd::SetMinSizes(int first, int second) {
  min_[0] = std::max(0, first);
  min_[1] = std::max(0, second);
  split_ = Clamp(split_);
  Layout();
}

void VEXO_SplitterWnd::SetSplitPos(int pos) {
  split_ = Clamp(pos);
  Layout();
}

void VEXO_SplitterWnd::SetBarWidth(int width) {
  bar_width_ = std::max(1, width);
  split_ = Clamp(split_);
  Layout();
}

void VEXO_SplitterWnd::SetBarImage(VEXO_Image* image) {
  if (bar_) bar_->SetImage(image);
}

int VEXO_SplitterWnd::Length() const { return side_by_side_ ? width() : height(); }

int VEXO_SplitterWnd::Clamp(int pos) const {
  // When the window is too small for both minimums the first pane keeps its own.
  const int highest = std::max(min_[0], Length() - bar_width_ - min_[1]);
  return std::clamp(pos, min_[0], highest);
}

void VEXO_SplitterWnd::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  split_ = Clamp(split_);
  Layout();
}

void VEXO_SplitterWnd::Layout() {
  const int length = Length();
  const int across = side_by_side_ ? height() : width();
  const int second_start = split_ + bar_width_;
  const int second_length = std::max(0, length - second_start);
  auto place = [this](QWidget* widget, int from, int size, int across_size) {
    if (!widget) return;
    widget->setGeometry(side_by_side_ ? QRect(from, 0, size, across_size) : QRect(0, from, across_size, size));
  };
  place(panes_[0], 0, split_, across);
  place(bar_, split_, bar_width_, across);
  place(panes_[1], second_start, second_length, across);
  if (bar_) bar_->SetRange(min_[0], std::max(min_[0], length - bar_width_ - min_[1]));
}
