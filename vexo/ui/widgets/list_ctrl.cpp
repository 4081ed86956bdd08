#include "vexo/ui/widgets/list_ctrl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "vexo/ui/render/color.h"
#include "vexo/ui/widgets/control_notify.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/widgets/header_ctrl.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/dialog/message_pos.h"
#include "vexo/ui/widgets/skin_scroll_bar.h"
#include "vexo/ui/widgets/skin_scroll_wnd.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/resources/skin_colors.h"
#include "vexo/ui/render/skin_font.h"

VEXO_ListCtrl::VEXO_ListCtrl(QWidget* parent) : QAbstractScrollArea(parent) {
  setFrameShape(QFrame::NoFrame);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  setMouseTracking(true);
  VEXO_ApplySkinFont(this);
  header_ = new VEXO_HeaderCtrl(this);
  connect(header_, &VEXO_HeaderCtrl::columnsChanged, this, [this] {
    UpdateLayout();
    viewport()->update();
  });
  UpdateLayout();
}

VEXO_ListCtrl::~VEXO_ListCtrl() = default;

int VEXO_ListCtrl::Create(const QRect& rect, QWidget* parent, unsigned id) {
  setParent(parent);
  setGeometry(rect);
  id_ = id;
  show();
  return 1;
}

void VEXO_ListCtrl::Init() {
  using namespace vexo_color;
  const std::uint32_t text = VEXO_SkinColor(kListText, 0x000000);
  list_bk_ = VEXO_SkinColor(kListBk, 0xE9E9E9);
  normal_ = {text, VEXO_SkinColor(kListNormalBk, 0xE1E1AF)};
  alternate_bk_ = VEXO_SkinColor(kListAltBk, normal_.background);
  hover_pair_ = {text, VEXO_SkinColor(kListHoverBk, 0xE1E1CD)};
  selected_pair_ = {VEXO_SkinColor(kListSelectedText, 0xFFFFFF), VEXO_SkinColor(kListSelectedBk, 0xC86446)};
  my_pair_ = {0xFFFFFF, 0xC89646};
  grid_ = VEXO_SkinColor(kListGrid, VEXO_CLR_NONE);
  viewport()->update();
}

int VEXO_ListCtrl::InsertColumn(int index, const char* title, int format, int width) {
  return header_->InsertItem(index, QString::fromUtf8(title ? title : ""), format, width);
}

bool VEXO_ListCtrl::DeleteColumn(int index) { return header_->DeleteItem(index); }
int VEXO_ListCtrl::GetColumnCount() const { return header_->GetItemCount(); }
int VEXO_ListCtrl::GetColumnWidth(int index) const { return header_->GetItemWidth(index); }
bool VEXO_ListCtrl::SetColumnWidth(int index, int width) {
  return header_->SetItemWidth(index, width);
}

int VEXO_ListCtrl::InsertItem(int index, const char* text, int image) {
  index = std::clamp(index, 0, GetItemCount());
  Row row;
  row.texts.push_back(QString::fromUtf8(text ? text : ""));
  row.image = image;
  rows_.insert(rows_.begin() + index, std::move(row));
  // Selection and hover follow their rows.
  if (selected_ >= index) ++selected_;
  if (hover_ >= index) ++hover_;
  UpdateLayout();
  viewport()->update();
  return index;
}

bool VEXO_ListCtrl::SetItemText(int item, int sub_item, const char* text) {
  if (item < 0 || item >= GetItemCount() || sub_item < 0) return false;
  auto& texts = rows_[item].texts;
  if (static_cast<int>(texts.size()) <= sub_item) texts.resize(sub_item + 1);
  texts[sub_item] = QString::fromUtf8(text ? text : "");
  UpdateRow(item);
  return true;
}

std::string VEXO_ListCtrl::GetItemText(int item, int sub_item) const {
  if (item < 0 || item >= GetItemCount() || sub_item < 0) return std::string();
  const auto& texts = rows_[item].texts;
  return sub_item < static_cast<int>(texts.size()) ? texts[sub_item].toStdString() : std::string();
}

bool VEXO_ListCtrl::SetItemData(int item, std::uintptr_t data) {
  if (item < 0 || item >= GetItemCount()) return false;
  rows_[item].data = data;
  return true;
}

std::uintptr_t VEXO_ListCtrl::GetItemData(int item) const {
  return item >= 0 && item < GetItemCount() ? rows_[item].data : 0;
}

bool VEXO_ListCtrl::SetItemImage(int item, int image) {
  if (item < 0 || item >= GetItemCount()) return false;
  rows_[item].image = image;
  UpdateRow(item);
  return true;
}

bool VEXO_ListCtrl::DeleteItem(int item) {
  if (item < 0 || item >= GetItemCount()) return false;
  rows_.erase(rows_.begin() + item);
  if (selected_ == item) selected_ = -1;
  else if (selected_ > item) --selected_;
  if (hover_ == item) hover_ = -1;
  else if (hover_ > item) --hover_;
  UpdateLayout();
  viewport()->update();
  return true;
}

void VEXO_ListCtrl::DeleteAllItems() {
  rows_.clear();
  selected_ = -1;
  hover_ = -1;
  UpdateLayout();
  viewport()->update();
}

void VEXO_ListCtrl::SetImageList(const std::vector<QPixmap>& icons) {
  icons_ = icons;
  viewport()->update();
}

void VEXO_ListCtrl::SetRowHeight(int height) {
  row_height_ = std::max(1, height);
  UpdateLayout();
  viewport()->update();
}

QRect VEXO_ListCtrl::GetItemRect(int item) const {
  if (item < 0 || item >= GetItemCount()) return QRect();
  const int x = -horizontalScrollBar()->value();
  const int y = item * row_height_ - verticalScrollBar()->value();
  return QRect(x, y, std::max(header_->GetTotalWidth(), viewport()->width()), row_height_);
}

QRect VEXO_ListCtrl::GetSubItemRect(int item, int sub_item) const {
  const QRect row = GetItemRect(item);
  if (row.isNull() || sub_item < 0 || sub_item >= GetColumnCount()) return QRect();
  return QRect(row.left() + header_->GetItemLeft(sub_item), row.top(),
               header_->GetItemWidth(sub_item), row_height_);
}

int VEXO_ListCtrl::HitTest(const QPoint& point, int* sub_item) const {
  if (sub_item) *sub_item = -1;
  if (!viewport()->rect().contains(point)) return -1;
  const int y = point.y() + verticalScrollBar()->value();
  const int item = y / row_height_;
  if (y < 0 || item >= GetItemCount()) return -1;
  if (sub_item) {
    const int x = point.x() + horizontalScrollBar()->value();
    for (int c = 0; c < GetColumnCount(); ++c) {
      const int left = header_->GetItemLeft(c);
      if (x >= left && x < left + header_->GetItemWidth(c)) *sub_item = c;
    }
  }
  return item;
}

int VEXO_ListCtrl::HitTestMessagePos(int* sub_item) const {
  return HitTest(viewport()->mapFromGlobal(VEXO_GetMessagePos()), sub_item);
}

int VEXO_ListCtrl::GetCountPerPage() const { return viewport()->height() / row_height_; }

int VEXO_ListCtrl::GetTopIndex() const { return verticalScrollBar()->value() / row_height_; }

void VEXO_ListCtrl::EnsureVisible(int item) {
  if (item < 0 || item >= GetItemCount()) return;
  const int top = item * row_height_;
  QScrollBar* bar = verticalScrollBar();
  if (top < bar->value()) bar->setValue(top);
  else if (top + row_height_ > bar->value() + viewport()->height())
    bar->setValue(top + row_height_ - viewport()->height());
}

void VEXO_ListCtrl::SetSelectedRow(int item) {
  if (item < -1 || item >= GetItemCount()) item = -1;
  if (item == selected_) return;
  const int old = selected_;
  selected_ = item;
  UpdateRow(old);
  UpdateRow(item);
}

void VEXO_ListCtrl::SetNormalColor(std::uint32_t text, std::uint32_t background) {
  normal_ = {text, background};
  alternate_bk_ = background;
  viewport()->update();
}
void VEXO_ListCtrl::SetAlternateColor(std::uint32_t background) {
  alternate_bk_ = background;
  viewport()->update();
}
void VEXO_ListCtrl::SetGridColor(std::uint32_t colour) {
  grid_ = colour;
  viewport()->update();
}
void VEXO_ListCtrl::SetHoverColor(std::uint32_t text, std::uint32_t background) {
  hover_pair_ = {text, background};
  viewport()->update();
}
void VEXO_ListCtrl::SetSelectedColor(std::uint32_t text, std::uint32_t background) {
  selected_pair_ = {text, background};
  viewport()->update();
}
void VEXO_ListCtrl::SetMyColor(std::uint32_t text, std::uint32_t background) {
  my_pair_ = {text, background};
}
void VEXO_ListCtrl::SetListBkColor(std::uint32_t colour) {
  list_bk_ = colour;
  viewport()->update();
}
void VEXO_ListCtrl::SetHoverColoring(bool on) {
  hover_colouring_ = on;
  viewport()->update();
}
void VEXO_ListCtrl::SetItemBackground(bool on) {
  item_backgrounds_ = on;
  viewport()->update();
}

void VEXO_ListCtrl::SetListImg(VEXO_Image* item, VEXO_Image* selected, VEXO_Image* decoration,
                               VEXO_Image* hover) {
  item_image_ = item;
  selected_image_ = selected;
  decoration_image_ = decoration;
  hover_image_ = hover;
  if (item) item_backgrounds_ = true;
  if (hover) hover_colouring_ = true;
  viewport()->update();
}

void VEXO_ListCtrl::SetImgBk(VEXO_Image* image) {
  bk_image_ = image;
  viewport()->update();
}

void VEXO_ListCtrl::SetHeadImg(VEXO_Image* background, VEXO_Image* divider) {
  header_->SetHeadImg(background, divider);
  UpdateLayout();
}

void VEXO_ListCtrl::SetScrollImg(VEXO_Image* image) {
  if (!skin_vert_) {
    // The bars scroll this list; the page around it hears nothing of them.
    skin_vert_ = VEXO_MakeSkinBar(Qt::Vertical, this, this, &vert_link_);
    skin_horz_ = VEXO_MakeSkinBar(Qt::Horizontal, this, this, &horz_link_);
  }
  skin_vert_->SetBitmap(image);
  skin_horz_->SetBitmap(image);
  UpdateLayout();
}

void VEXO_ListCtrl::SetNoPaintColIndex(int column) {
  no_paint_column_ = column;
  viewport()->update();
}

void VEXO_ListCtrl::SetWordAlign(unsigned format) {
  word_align_ = format;
  viewport()->update();
}

void VEXO_ListCtrl::UpdateLayout() {
  const int head = header_->isHidden() ? 0 : header_->height();
  // The viewport's size depends on the bars, and the bars' ranges on the viewport: two rounds.
  for (int round = 0; round < 2; ++round) {
    int right = 0;
    int bottom = 0;
    if (skin_vert_) {
      const QSize view(width() - skin_vert_->GetThickness(), height() - head);
      const bool need_v = GetItemCount() * row_height_ > view.height();
      const bool need_h = header_->GetTotalWidth() > (need_v ? view.width() : width());
      right = need_v ? skin_vert_->GetThickness() : 0;
      bottom = need_h ? skin_horz_->GetThickness() : 0;
      skin_vert_->setVisible(need_v);
      skin_horz_->setVisible(need_h);
      skin_vert_->setGeometry(width() - right, head, right, height() - head - bottom);
      skin_horz_->setGeometry(0, height() - bottom, width() - right, bottom);
    }
    setViewportMargins(0, head, right, bottom);
    const QRect view = viewport()->geometry();
    header_->setGeometry(0, 0, width() - right, head);
    QScrollBar* v = verticalScrollBar();
    v->setSingleStep(row_height_);
    v->setPageStep(std::max(1, view.height()));
    v->setRange(0, std::max(0, GetItemCount() * row_height_ - view.height()));
    QScrollBar* h = horizontalScrollBar();
    h->setSingleStep(10);
    h->setPageStep(std::max(1, view.width()));
    h->setRange(0, std::max(0, header_->GetTotalWidth() - view.width()));
  }
  header_->SetOffset(horizontalScrollBar()->value());
  if (vert_link_) vert_link_->Sync();
  if (horz_link_) horz_link_->Sync();
}

void VEXO_ListCtrl::UpdateRow(int item) {
  const QRect row = GetItemRect(item);
  if (!row.isNull()) viewport()->update(QRect(0, row.top(), viewport()->width(), row.height()));
}

void VEXO_ListCtrl::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateLayout();
}

void VEXO_ListCtrl::scrollContentsBy(int, int) {
  header_->SetOffset(horizontalScrollBar()->value());
  viewport()->update();
}

void VEXO_ListCtrl::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.fillRect(event->rect(), VEXO_ToQColor(list_bk_));
  if (GetItemCount() == 0) return;
  const int first = std::max(0, (event->rect().top() + verticalScrollBar()->value()) / row_height_);
  const int last = std::min(GetItemCount() - 1,
                            (event->rect().bottom() + verticalScrollBar()->value()) / row_height_);
  for (int item = first; item <= last; ++item) {
    const QRect row = GetItemRect(item);
    for (int column = 0; column < GetColumnCount(); ++column) {
      const QRect cell = GetSubItemRect(item, column);
      if (cell.width() <= 0 || !cell.intersects(event->rect())) continue;
      PaintCell(&painter, item, column, cell, row);
    }
  }
}

void VEXO_ListCtrl::PaintCell(QPainter* painter, int item, int column, const QRect& cell,
                              const QRect& row) {
  painter->save();
  painter->setClipRect(cell);
  const QString text =
      column < static_cast<int>(rows_[item].texts.size()) ? rows_[item].texts[column] : QString();
  if (column == no_paint_column_) {
    painter->fillRect(cell, VEXO_ToQColor(list_bk_));
    painter->setPen(VEXO_ToQColor(normal_.text));
    VEXO_DrawText(painter, text, cell.adjusted(2, 0, -2, 0),
                  vexo_dt::DT_SINGLELINE | vexo_dt::DT_VCENTER | vexo_dt::DT_END_ELLIPSIS);
    painter->restore();
    return;
  }
  const bool hovered = hover_colouring_ && item == hover_;
  const bool selected = item == selected_;
  const auto usable = [](VEXO_Image* image) { return image && !image->IsNull(); };
  Pair pair = normal_;
  if (hovered) pair = hover_pair_;
  if (selected) pair = selected_pair_;

  const std::uint32_t row_bk = item % 2 ? alternate_bk_ : normal_.background;
  if (usable(bk_image_)) bk_image_->DrawSmooth(painter, row);
  else painter->fillRect(cell, VEXO_ToQColor(row_bk));
  if (hovered) {
    if (usable(hover_image_)) hover_image_->Draw(painter, row);
    else painter->fillRect(cell, VEXO_ToQColor(hover_pair_.background));
  }
  if (item_backgrounds_) {
    if (usable(item_image_)) item_image_->Draw(painter, row);
    else painter->fillRect(cell, VEXO_ToQColor(row_bk));
  }
  if (selected) {
    if (usable(selected_image_)) selected_image_->Draw(painter, row);
    else painter->fillRect(cell, VEXO_ToQColor(selected_pair_.background));
  }
  if (usable(decoration_image_)) {
    const int w = decoration_image_->GetWidth();
    const int h = decoration_image_->GetHeight();
    decoration_image_->Draw(painter, QRect(cell.right() + 1 - w, cell.top() + (cell.height() - h) / 2, w, h));
  }
  if (grid_ != VEXO_CLR_NONE && !selected) {
    painter->fillRect(QRect(cell.left(), cell.bottom(), cell.width(), 1), VEXO_ToQColor(grid_));
  }
  QRect text_rect = cell.adjusted(4, 0, -4, 0);
  const int image = rows_[item].image;
  if (column == 0 && image >= 0 && image < static_cast<int>(icons_.size())) {
    const QPixmap& icon = icons_[image];
    painter->drawPixmap(QRect(cell.left() + 4, cell.top() + (cell.height() - 16) / 2, 16, 16), icon);
    text_rect.setLeft(cell.left() + 24);
  }
  painter->setFont(font());
  painter->setPen(VEXO_ToQColor(pair.text));
  VEXO_DrawText(painter, text, text_rect, word_align_);
  painter->restore();
}

void VEXO_ListCtrl::SetHover(int item) {
  if (item == hover_) return;
  const int old = hover_;
  hover_ = item;
  UpdateRow(old);
  UpdateRow(item);
}

void VEXO_ListCtrl::Notify(int code, const QPoint& at) {
  VEXO_NMITEMACTIVATE info;
  info.hdr.code = code;
  info.iItem = HitTest(at, &info.iSubItem);
  info.ptAction = at;
  VEXO_NotifyParent(this, id_, &info.hdr);
}

void VEXO_ListCtrl::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    const int item = HitTest(at);
    if (item >= 0) SetSelectedRow(item);
    Notify(vexo_msg::NM_CLICK, at);
  }
  event->accept();
}

void VEXO_ListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Notify(vexo_msg::NM_DBLCLK, event->position().toPoint());
  event->accept();
}

void VEXO_ListCtrl::mouseMoveEvent(QMouseEvent* event) {
  SetHover(HitTest(event->position().toPoint()));
  QAbstractScrollArea::mouseMoveEvent(event);
}

void VEXO_ListCtrl::leaveEvent(QEvent* event) {
  SetHover(-1);
  QAbstractScrollArea::leaveEvent(event);
}

bool VEXO_ListCtrl::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Leave) SetHover(-1);
  return QAbstractScrollArea::viewportEvent(event);
}
