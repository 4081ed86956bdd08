#include "app/pages/row_page.h"

#include <QPainter>
#include <QWheelEvent>
#include <cstdio>

#include "app/pages/page_rows.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/skin_scroll_bar.h"

using namespace page_rows;

CPageRow::CPageRow(QWidget* parent, unsigned id) : QWidget(parent), id_(id) {
  setMouseTracking(true);
  setAttribute(Qt::WA_Hover, true);
}

void CPageRow::SetPlace(int index, int rows) {
  if (index_ == index && rows_ == rows) return;
  index_ = index;
  rows_ = rows;
  update();
}

void CPageRow::SetSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  update();
}

void CPageRow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  char name[32];
  std::snprintf(name, sizeof name, "img/wnd%d.png", RowBackground(index_, rows_, hot_ || selected_));
  if (VEXO_Image* image = VEXO_ResourceMgr::Instance()->GetImage(name)) image->Draw(&painter, rect());
  PaintContent(painter);
}

void CPageRow::enterEvent(QEnterEvent*) {
  hot_ = true;
  update();
}

void CPageRow::leaveEvent(QEvent*) {
  hot_ = false;
  update();
}

CRowPage::CRowPage(QWidget* parent) : VEXO_Dialog(parent, kChild) {
  bar_ = new CSkinScrollBar(Qt::Vertical, this);
  bar_->SetBitmap(VEXO_ResourceMgr::Instance()->GetImage("img/Scrollbar.png"));
  bar_->hide();
}

CRowPage::~CRowPage() { DetachMessages(); }

void CRowPage::DestroyRows() {
  for (CPageRow* row : rows_) delete row;
  rows_.clear();
}

void CRowPage::Layout() {
  const int listed = ListedCount();
  const int wanted = RowsToFill(ListHeight());
  while (static_cast<int>(rows_.size()) < wanted) {
    CPageRow* row = MakeRow(kFirstRowId + static_cast<unsigned>(rows_.size()));
    row->show();
    rows_.push_back(row);
  }
  while (static_cast<int>(rows_.size()) > wanted) {
    delete rows_.back();
    rows_.pop_back();
  }
  scroll_ = ClampScroll(scroll_, listed, ListHeight());
  const int range = ScrollRange(listed, ListHeight());
  bar_->setVisible(range > 0);
  if (range > 0) {
    const int page = std::max(ListHeight(), 100);
    bar_->SetScrollInfo(0, range + page - 1, page, scroll_);
    bar_->setGeometry(width() - bar_->GetThickness(), 0, bar_->GetThickness(), ListHeight());
    bar_->raise();
  }
  PlaceRows();
}

void CRowPage::PlaceRows() {
  const int width_for_rows = bar_->isVisible() ? width() - bar_->GetThickness() : width();
  // Rows beyond the scrolled-out ones are bound to the records from the scroll position on.
  const int first = scroll_ / kRowHeight;
  const int offset = scroll_ % kRowHeight;
  const int count = static_cast<int>(rows_.size());
  for (int i = 0; i < count; ++i) {
    CPageRow* row = rows_[static_cast<std::size_t>(i)];
    row->setGeometry(0, i * kRowHeight - offset, width_for_rows, kRowHeight);
    row->SetPlace(i, count);
    const int record = first + i;
    BindRow(row, record < ListedCount() ? record : -1);
    row->update();
  }
}

void CRowPage::ScrollTo(int pos) {
  const int clamped = ClampScroll(pos, ListedCount(), ListHeight());
  if (clamped == scroll_) return;
  scroll_ = clamped;
  bar_->SetScrollPos(scroll_);
  PlaceRows();
}

void CRowPage::SelectRow(unsigned id) {
  for (CPageRow* row : rows_) row->SetSelected(row->Id() == id);
}

void CRowPage::wheelEvent(QWheelEvent* event) {
  wheel_ += event->angleDelta().y();
  const int notches = wheel_ / 120;
  wheel_ -= notches * 120;
  if (notches != 0) ScrollTo(scroll_ - notches * kWheelStep);
  event->accept();
}

void CRowPage::resizeEvent(QResizeEvent* event) {
  VEXO_Dialog::resizeEvent(event);
  Layout();
}

ds::LResult CRowPage::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message != vexo_msg::WM_VSCROLL) return VEXO_Dialog::WindowProc(message, wparam, lparam);
  const int code = static_cast<int>(vexo_msg::LowWord(wparam));
  const int page = std::max(ListHeight(), 100);
  switch (code) {
    case vexo_msg::SB_LINEUP: ScrollTo(scroll_ - kLineStep); break;
    case vexo_msg::SB_LINEDOWN: ScrollTo(scroll_ + kLineStep); break;
    case vexo_msg::SB_PAGEUP: ScrollTo(scroll_ - page); break;
    case vexo_msg::SB_PAGEDOWN: ScrollTo(scroll_ + page); break;
    case vexo_msg::SB_THUMBTRACK:
    case vexo_msg::SB_THUMBPOSITION: ScrollTo(static_cast<int>(vexo_msg::HighWord(wparam))); break;
    case vexo_msg::SB_TOP: ScrollTo(0); break;
    case vexo_msg::SB_BOTTOM: ScrollTo(ScrollRange(ListedCount(), ListHeight())); break;
    default: break;
  }
  return 0;
}
