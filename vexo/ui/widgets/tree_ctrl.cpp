#include "vexo/ui/widgets/tree_ctrl.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/resources/skin_colors.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/render/skin_font.h"
#include "vexo/ui/render/state_strip.h"
#include "vexo/ui/widgets/skin_scroll_bar.h"
#include "vexo/ui/widgets/skin_scroll_wnd.h"
#include "vexo/ui/widgets/notify_guard.h"

struct VEXO_TreeNode {
  QString text;
  int image = -1;
  int selected_image = -1;
  std::uintptr_t data = 0;
  bool expanded = false;
  bool marked_children = false;  // shows a button before it has children
  VEXO_TreeNode* parent = nullptr;
  std::vector<std::unique_ptr<VEXO_TreeNode>> children;
};

namespace {
constexpr int kIconSize = 16;
constexpr int kGap = 3;
}  // namespace

VEXO_TreeCtrl::VEXO_TreeCtrl(QWidget* parent) : QAbstractScrollArea(parent) {
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  VEXO_ApplySkinFont(this);
  // Rows in the skin's list colours; the tree's own where the skin has none.
  using namespace vexo_color;
  bk_colour_ = VEXO_SkinColor(kListNormalBk, bk_colour_);
  text_colour_ = VEXO_SkinColor(kListText, text_colour_);
  selected_text_ = VEXO_SkinColor(kListSelectedText, selected_text_);
  selected_bk_ = VEXO_SkinColor(kListSelectedBk, selected_bk_);
  hover_bk_ = VEXO_SkinColor(kListHoverBk, hover_bk_);
  row_height_ = std::max(18, QFontMetrics(font()).height() + 6);
  UpdateLayout();
}

VEXO_TreeCtrl::~VEXO_TreeCtrl() = default;

int VEXO_TreeCtrl::Create(const QRect& rect, QWidget* parent, unsigned id) {
  setParent(parent);
  setGeometry(rect);
  id_ = id;
  show();
  return 1;
}

// ---- items ----

VEXO_HTREEITEM VEXO_TreeCtrl::InsertItem(const char* text, int image, int selected_image,
                                         VEXO_HTREEITEM parent, VEXO_HTREEITEM after) {
  if (parent && !IsItem(parent)) return nullptr;
  auto& siblings = parent ? parent->children : roots_;
  auto node = std::make_unique<VEXO_TreeNode>();
  node->text = QString::fromUtf8(text ? text : "");
  node->image = image;
  node->selected_image = selected_image;
  node->parent = parent;
  VEXO_TreeNode* raw = node.get();
  auto at = siblings.end();
  if (after) {
    at = std::find_if(siblings.begin(), siblings.end(),
                      [after](const auto& sibling) { return sibling.get() == after; });
    if (at == siblings.end()) return nullptr;
    ++at;
  }
  siblings.insert(at, std::move(node));
  live_.insert(raw);
  Changed();
  return raw;
}

void VEXO_TreeCtrl::RemoveNode(VEXO_TreeNode* node) {
  for (auto& child : node->children) RemoveNode(child.get());
  live_.erase(node);
  if (selected_ == node) selected_ = nullptr;
  if (hover_ == node) hover_ = nullptr;
  if (editing_ == node) EndEditLabelNow(true);
}

int VEXO_TreeCtrl::DeleteItem(VEXO_HTREEITEM item) {
  if (!IsItem(item)) return 0;
  RemoveNode(item);
  auto& siblings = item->parent ? item->parent->children : roots_;
  siblings.erase(std::find_if(siblings.begin(), siblings.end(),
                              [item](const auto& sibling) { return sibling.get() == item; }));
  Changed();
  return 1;
}

void VEXO_TreeCtrl::DeleteAllItems() {
  for (auto& root : roots_) RemoveNode(root.get());
  roots_.clear();
  Changed();
}

VEXO_HTREEITEM VEXO_TreeCtrl::GetRootItem() const { return roots_.empty() ? nullptr : roots_.front().get(); }

VEXO_HTREEITEM VEXO_TreeCtrl::GetChildItem(VEXO_HTREEITEM item) const {
  if (!item) return GetRootItem();
  return IsItem(item) && !item->children.empty() ? item->children.front().get() : nullptr;
}

VEXO_HTREEITEM VEXO_TreeCtrl::GetNextSiblingItem(VEXO_HTREEITEM item) const {
  if (!IsItem(item)) return nullptr;
  const auto& siblings = item->parent ? item->parent->children : roots_;
  for (std::size_t i = 0; i + 1 < siblings.size(); ++i) {
    if (siblings[i].get() == item) return siblings[i + 1].get();
  }
  return nullptr;
}

VEXO_HTREEITEM VEXO_TreeCtrl::GetPrevSiblingItem(VEXO_HTREEITEM item) const {
  if (!IsItem(item)) return nullptr;
  const auto& siblings = item->parent ? item->parent->children : roots_;
  for (std::size_t i = 1; i < siblings.size(); ++i) {
    if (siblings[i].get() == item) return siblings[i - 1].get();
  }
  return nullptr;
}

VEXO_HTREEITEM VEXO_TreeCtrl::GetParentItem(VEXO_HTREEITEM item) const {
  return IsItem(item) ? item->parent : nullptr;
}

VEXO_HTREEITEM VEXO_TreeCtrl::GetNextVisibleItem(VEXO_HTREEITEM item) const {
  const int row = RowOf(item);
  return row >= 0 && row + 1 < static_cast<int>(Rows().size()) ? Rows()[row + 1] : nullptr;
}

VEXO_HTREEITEM VEXO_TreeCtrl::GetPrevVisibleItem(VEXO_HTREEITEM item) const {
  const int row = RowOf(item);
  return row > 0 ? Rows()[row - 1] : nullptr;
}

std::string VEXO_TreeCtrl::GetItemText(VEXO_HTREEITEM item) const {
  return IsItem(item) ? item->text.toStdString() : std::string();
}

int VEXO_TreeCtrl::SetItemText(VEXO_HTREEITEM item, const char* text) {
  if (!IsItem(item)) return 0;
  item->text = QString::fromUtf8(text ? text : "");
  Changed();
  return 1;
}

std::uintptr_t VEXO_TreeCtrl::GetItemData(VEXO_HTREEITEM item) const { return IsItem(item) ? item->data : 0; }

int VEXO_TreeCtrl::SetItemData(VEXO_HTREEITEM item, std::uintptr_t data) {
  if (!IsItem(item)) return 0;
  item->data = data;
  return 1;
}

int VEXO_TreeCtrl::SetItemImage(VEXO_HTREEITEM item, int image, int selected_image) {
  if (!IsItem(item)) return 0;
  item->image = image;
  item->selected_image = selected_image;
  viewport()->update();
  return 1;
}

int VEXO_TreeCtrl::GetItemImage(VEXO_HTREEITEM item, int* image, int* selected_image) const {
  if (!IsItem(item)) return 0;
  if (image) *image = item->image;
  if (selected_image) *selected_image = item->selected_image;
  return 1;
}

bool VEXO_TreeCtrl::ItemHasChildren(VEXO_HTREEITEM item) const {
  return IsItem(item) && (!item->children.empty() || item->marked_children);
}

int VEXO_TreeCtrl::SetItemHasChildren(VEXO_HTREEITEM item, bool has) {
  if (!IsItem(item)) return 0;
  item->marked_children = has;
  viewport()->update();
  return 1;
}

int VEXO_TreeCtrl::Expand(VEXO_HTREEITEM item, unsigned code) {
  if (!IsItem(item)) return 0;
  bool open = item->expanded;
  switch (code & 0x3) {
    case vexo_msg::TVE_EXPAND: open = true; break;
    case vexo_msg::TVE_COLLAPSE: open = false; break;
    case vexo_msg::TVE_TOGGLE: open = !item->expanded; break;
    default: return 0;
  }
  if (open == item->expanded) return 0;
  item->expanded = open;
  // A selection inside a closed item moves up to it.
  if (!open) {
    for (VEXO_TreeNode* p = selected_ ? selected_->parent : nullptr; p; p = p->parent) {
      if (p == item) {
        selected_ = item;
        break;
      }
    }
  }
  Changed();
  return 1;
}

bool VEXO_TreeCtrl::IsExpanded(VEXO_HTREEITEM item) const { return IsItem(item) && item->expanded; }

int VEXO_TreeCtrl::SelectItem(VEXO_HTREEITEM item) {
  if (item && !IsItem(item)) return 0;
  VEXO_NotifyGuard guard(this);
  if (!UserSelect(item, vexo_msg::TVC_UNKNOWN) || !guard) return 0;
  return selected_ == item ? 1 : 0;
}

void VEXO_TreeCtrl::EnsureVisible(VEXO_HTREEITEM item) {
  if (!IsItem(item)) return;
  for (VEXO_TreeNode* p = item->parent; p; p = p->parent) p->expanded = true;
  Changed();
  const int top = RowOf(item) * row_height_;
  QScrollBar* bar = verticalScrollBar();
  if (top < bar->value()) bar->setValue(top);
  else if (top + row_height_ > bar->value() + viewport()->height())
    bar->setValue(top + row_height_ - viewport()->height());
}

// ---- rows and geometry ----

const std::vector<VEXO_TreeNode*>& VEXO_TreeCtrl::Rows() const {
  if (!rows_valid_) {
    rows_.clear();
    std::vector<VEXO_TreeNode*> stack;
    for (auto it = roots_.rbegin(); it != roots_.rend(); ++it) stack.push_back(it->get());
    while (!stack.empty()) {
      VEXO_TreeNode* node = stack.back();
      stack.pop_back();
      rows_.push_back(node);
      if (!node->expanded) continue;
      for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) stack.push_back(it->get());
    }
    rows_valid_ = true;
  }
  return rows_;
}

int VEXO_TreeCtrl::RowOf(VEXO_HTREEITEM item) const {
  if (!IsItem(item)) return -1;
  const auto& rows = Rows();
  const auto it = std::find(rows.begin(), rows.end(), item);
  return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
}

int VEXO_TreeCtrl::Depth(VEXO_HTREEITEM item) const {
  int depth = 0;
  for (VEXO_TreeNode* p = item->parent; p; p = p->parent) ++depth;
  return depth;
}

int VEXO_TreeCtrl::GetVisibleCount() const { return viewport()->height() / row_height_; }

int VEXO_TreeCtrl::TextLeft(VEXO_HTREEITEM item) const {
  int x = 2 + Depth(item) * indent_ + indent_;
  if (!icons_.empty()) x += kIconSize + kGap;
  return x;
}

QRect VEXO_TreeCtrl::GetItemRect(VEXO_HTREEITEM item, bool text_only) const {
  const int row = RowOf(item);
  if (row < 0) return QRect();
  const int y = row * row_height_ - verticalScrollBar()->value();
  const int x0 = -horizontalScrollBar()->value();
  if (!text_only) return QRect(0, y, viewport()->width(), row_height_);
  const int left = x0 + TextLeft(item);
  const int w = QFontMetrics(font()).horizontalAdvance(item->text) + 2 * kGap;
  return QRect(left, y, w, row_height_);
}

VEXO_HTREEITEM VEXO_TreeCtrl::HitTest(const QPoint& point, unsigned* flags) const {
  if (flags) *flags = vexo_msg::TVHT_NOWHERE;
  if (!viewport()->rect().contains(point)) return nullptr;
  const int y = point.y() + verticalScrollBar()->value();
  const int row = y / row_height_;
  if (y < 0 || row >= static_cast<int>(Rows().size())) return nullptr;
  VEXO_TreeNode* item = Rows()[row];
  if (flags) {
    const int x = point.x() + horizontalScrollBar()->value();
    const int button = 2 + Depth(item) * indent_;
    const int label = TextLeft(item);
    if (x < button) *flags = vexo_msg::TVHT_ONITEMINDENT;
    else if (x < button + indent_) *flags = ItemHasChildren(item) ? vexo_msg::TVHT_ONITEMBUTTON : vexo_msg::TVHT_ONITEMINDENT;
    else if (x < label) *flags = vexo_msg::TVHT_ONITEMICON;
    else if (x < label + QFontMetrics(font()).horizontalAdvance(item->text) + 2 * kGap) *flags = vexo_msg::TVHT_ONITEMLABEL;
    else *flags = vexo_msg::TVHT_ONITEMRIGHT;
  }
  return item;
}

void VEXO_TreeCtrl::Changed() {
  rows_valid_ = false;
  UpdateLayout();
  viewport()->update();
}

void VEXO_TreeCtrl::UpdateLayout() {
  const auto& rows = Rows();
  int content_width = 0;
  const QFontMetrics metrics(font());
  for (VEXO_TreeNode* node : rows) {
    content_width = std::max(content_width, TextLeft(node) + metrics.horizontalAdvance(node->text) + 2 * kGap);
  }
  const int content_height = static_cast<int>(rows.size()) * row_height_;
  for (int round = 0; round < 2; ++round) {
    int right = 0;
    int bottom = 0;
    if (skin_vert_) {
      const bool need_v = content_height > height();
      const bool need_h = content_width > (need_v ? width() - skin_vert_->GetThickness() : width());
      right = need_v ? skin_vert_->GetThickness() : 0;
      bottom = need_h ? skin_horz_->GetThickness() : 0;
      skin_vert_->setVisible(need_v);
      skin_horz_->setVisible(need_h);
      skin_vert_->setGeometry(width() - right, 0, right, height() - bottom);
      skin_horz_->setGeometry(0, height() - bottom, width() - right, bottom);
    }
    setViewportMargins(0, 0, right, bottom);
    const QSize view = viewport()->size();
    verticalScrollBar()->setSingleStep(row_height_);
    verticalScrollBar()->setPageStep(std::max(1, view.height()));
    verticalScrollBar()->setRange(0, std::max(0, content_height - view.height()));
    horizontalScrollBar()->setSingleStep(10);
    horizontalScrollBar()->setPageStep(std::max(1, view.width()));
    horizontalScrollBar()->setRange(0, std::max(0, content_width - view.width()));
  }
  if (vert_link_) vert_link_->Sync();
  if (horz_link_) horz_link_->Sync();
}

void VEXO_TreeCtrl::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateLayout();
}

void VEXO_TreeCtrl::scrollContentsBy(int, int) {
  if (editor_ && IsItem(editing_)) editor_->setGeometry(GetItemRect(editing_, true).adjusted(0, 1, 40, -1));
  viewport()->update();
}

// ---- looks ----

void VEXO_TreeCtrl::SetImageList(const std::vector<QPixmap>& icons) {
  icons_ = icons;
  Changed();
}

void VEXO_TreeCtrl::SetExpandImage(VEXO_Image* image) {
  expand_image_ = image;
  viewport()->update();
}

void VEXO_TreeCtrl::SetScrollImg(VEXO_Image* image) {
  if (!skin_vert_) {
    // The bars scroll this tree (as the list's do); the page around it hears nothing of them.
    skin_vert_ = VEXO_MakeSkinBar(Qt::Vertical, this, this, &vert_link_);
    skin_horz_ = VEXO_MakeSkinBar(Qt::Horizontal, this, this, &horz_link_);
  }
  skin_vert_->SetBitmap(image);
  skin_horz_->SetBitmap(image);
  UpdateLayout();
}

void VEXO_TreeCtrl::SetBkColor(std::uint32_t colour) {
  bk_colour_ = colour;
  viewport()->update();
}
void VEXO_TreeCtrl::SetTextColor(std::uint32_t colour) {
  text_colour_ = colour;
  viewport()->update();
}
void VEXO_TreeCtrl::SetSelectedColor(std::uint32_t text, std::uint32_t background) {
  selected_text_ = text;
  selected_bk_ = background;
  viewport()->update();
}
void VEXO_TreeCtrl::SetHoverColor(std::uint32_t background) {
  hover_bk_ = background;
  viewport()->update();
}
void VEXO_TreeCtrl::SetItemHeight(int height) {
  row_height_ = std::max(1, height);
  Changed();
}

void VEXO_TreeCtrl::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.fillRect(event->rect(), VEXO_ToQColor(bk_colour_));
  painter.setFont(font());
  const auto& rows = Rows();
  const int offset = verticalScrollBar()->value();
  const int first = std::max(0, (event->rect().top() + offset) / row_height_);
  const int last = std::min(static_cast<int>(rows.size()) - 1, (event->rect().bottom() + offset) / row_height_);
  const int x0 = -horizontalScrollBar()->value();
  const bool enabled = isEnabled();
  for (int row = first; row <= last; ++row) {
    VEXO_TreeNode* node = rows[row];
    const int y = row * row_height_ - offset;
    const bool selected = node == selected_;
    const QRect label = GetItemRect(node, true);
    // The selected row's label takes the selection colours; the row under the mouse a pale band.
    if (node == hover_ && !selected && enabled) {
      painter.fillRect(QRect(0, y, viewport()->width(), row_height_), VEXO_ToQColor(hover_bk_));
    }
    if (selected) {
      const std::uint32_t back = enabled ? selected_bk_ : 0xDDDDDD;
      painter.fillRect(label, VEXO_ToQColor(back));
    }
    const int button = x0 + 2 + Depth(node) * indent_;
    if (ItemHasChildren(node) && expand_image_ && !expand_image_->IsNull()) {
      const QRect source = VEXO_StripCell(expand_image_->GetWidth(), expand_image_->GetHeight(), 2,
                                          node->expanded ? 1 : 0);
      expand_image_->Draw(&painter, QRect(button + (indent_ - source.width()) / 2,
                                          y + (row_height_ - source.height()) / 2, source.width(),
                                          source.height()),
                          source);
    }
    if (!icons_.empty()) {
      const int index = selected && node->selected_image >= 0 ? node->selected_image : node->image;
      if (index >= 0 && index < static_cast<int>(icons_.size())) {
        painter.drawPixmap(QRect(button + indent_, y + (row_height_ - kIconSize) / 2, kIconSize, kIconSize),
                           icons_[index]);
      }
    }
    std::uint32_t colour = selected && enabled ? selected_text_ : text_colour_;
    if (!enabled) colour = 0x646464;
    painter.setPen(VEXO_ToQColor(colour));
    VEXO_DrawText(&painter, node->text, label.adjusted(kGap, 0, 0, 0),
                  vexo_dt::DT_SINGLELINE | vexo_dt::DT_VCENTER | vexo_dt::DT_NOPREFIX);
  }
}

// ---- notified changes ----

bool VEXO_TreeCtrl::UserSelect(VEXO_HTREEITEM item, unsigned action) {
  if (item == selected_) return true;
  VEXO_NotifyGuard guard(this);
  VEXO_NMTREEVIEW info;
  info.hdr.code = vexo_msg::TVN_SELCHANGING;
  info.action = action;
  info.itemOld = selected_;
  info.itemNew = item;
  const ds::LResult veto = VEXO_NotifyParent(this, id_, &info.hdr);
  if (!guard) return false;
  if (veto != 0 || (item && !IsItem(item))) return true;
  VEXO_HTREEITEM old = selected_;
  selected_ = item;
  viewport()->update();
  if (item) EnsureVisible(item);
  VEXO_NMTREEVIEW done;
  done.hdr.code = vexo_msg::TVN_SELCHANGED;
  done.action = action;
  done.itemOld = IsItem(old) ? old : nullptr;
  done.itemNew = item;
  VEXO_NotifyParent(this, id_, &done.hdr);
  return guard.Alive();
}

bool VEXO_TreeCtrl::UserExpand(VEXO_HTREEITEM item, unsigned code) {
  if (!IsItem(item)) return true;
  const bool open = code == vexo_msg::TVE_TOGGLE ? !item->expanded : code == vexo_msg::TVE_EXPAND;
  if (open == item->expanded) return true;
  if (open && !ItemHasChildren(item)) return true;
  VEXO_NotifyGuard guard(this);
  VEXO_NMTREEVIEW info;
  info.hdr.code = vexo_msg::TVN_ITEMEXPANDING;
  info.action = open ? vexo_msg::TVE_EXPAND : vexo_msg::TVE_COLLAPSE;
  info.itemNew = item;
  const ds::LResult veto = VEXO_NotifyParent(this, id_, &info.hdr);
  // The parent may have filled the item, deleted it, or destroyed the tree.
  if (!guard) return false;
  if (veto != 0 || !IsItem(item)) return true;
  Expand(item, open ? vexo_msg::TVE_EXPAND : vexo_msg::TVE_COLLAPSE);
  // An item that turned out to have no children loses its button.
  if (open && item->children.empty()) item->marked_children = false;
  VEXO_NMTREEVIEW done = info;
  done.hdr.code = vexo_msg::TVN_ITEMEXPANDED;
  VEXO_NotifyParent(this, id_, &done.hdr);
  return guard.Alive();
}

bool VEXO_TreeCtrl::NotifySimple(int code) {
  VEXO_NotifyGuard guard(this);
  VEXO_NMHDR header;
  header.code = code;
  VEXO_NotifyParent(this, id_, &header);
  return guard.Alive();
}

// ---- label editing ----

QLineEdit* VEXO_TreeCtrl::EditLabel(VEXO_HTREEITEM item) {
  if (!IsItem(item)) return nullptr;
  EndEditLabelNow(false);
  VEXO_NotifyGuard guard(this);
  VEXO_NMTVDISPINFO info;
  info.hdr.code = vexo_msg::TVN_BEGINLABELEDIT;
  info.item = item;
  const std::string text = item->text.toStdString();
  info.pszText = text.c_str();
  const ds::LResult refuse = VEXO_NotifyParent(this, id_, &info.hdr);
  if (!guard || refuse != 0 || !IsItem(item)) return nullptr;
  EnsureVisible(item);
  editing_ = item;
  editor_ = new QLineEdit(viewport());
  editor_->setFont(font());
  editor_->setText(item->text);
  editor_->selectAll();
  editor_->setGeometry(GetItemRect(item, true).adjusted(0, 1, 40, -1));
  editor_->installEventFilter(this);
  editor_->show();
  editor_->setFocus();
  return editor_;
}

int VEXO_TreeCtrl::EndEditLabelNow(bool cancel) {
  if (!editor_) return 0;
  QLineEdit* editor = editor_;
  VEXO_HTREEITEM item = editing_;
  editor_ = nullptr;
  editing_ = nullptr;
  const std::string text = editor->text().toStdString();
  editor->removeEventFilter(this);
  editor->hide();
  editor->deleteLater();
  if (!IsItem(item)) return 1;
  VEXO_NotifyGuard guard(this);
  VEXO_NMTVDISPINFO info;
  info.hdr.code = vexo_msg::TVN_ENDLABELEDIT;
  info.item = item;
  info.pszText = cancel ? nullptr : text.c_str();
  const ds::LResult accept = VEXO_NotifyParent(this, id_, &info.hdr);
  if (!guard) return 1;
  if (!cancel && accept != 0 && IsItem(item)) SetItemText(item, text.c_str());
  setFocus();
  return 1;
}

bool VEXO_TreeCtrl::eventFilter(QObject* watched, QEvent* event) {
  if (editor_ && watched == editor_) {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        EndEditLabelNow(key == Qt::Key_Escape);
        return true;
      }
    } else if (event->type() == QEvent::FocusOut) {
      EndEditLabelNow(false);
    }
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

// ---- input ----

void VEXO_TreeCtrl::SetHover(VEXO_HTREEITEM item) {
  if (item == hover_) return;
  hover_ = item;
  viewport()->update();
}

void VEXO_TreeCtrl::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  const QPoint at = event->position().toPoint();
  unsigned flags = 0;
  VEXO_HTREEITEM item = HitTest(at, &flags);
  if (item && (flags & vexo_msg::TVHT_ONITEMBUTTON)) {
    if (!UserExpand(item, vexo_msg::TVE_TOGGLE)) return;
  } else if (item) {
    const bool was_selected = item == selected_;
    if (!UserSelect(item, vexo_msg::TVC_BYMOUSE)) return;
    if (was_selected && edit_labels_ && (flags & vexo_msg::TVHT_ONITEMLABEL)) {
      if (!NotifySimple(vexo_msg::NM_CLICK)) return;
      EditLabel(item);
      return;
    }
  }
  NotifySimple(vexo_msg::NM_CLICK);
}

void VEXO_TreeCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  unsigned flags = 0;
  VEXO_HTREEITEM item = HitTest(event->position().toPoint(), &flags);
  if (!NotifySimple(vexo_msg::NM_DBLCLK)) return;
  if (IsItem(item) && !(flags & vexo_msg::TVHT_ONITEMBUTTON)) UserExpand(item, vexo_msg::TVE_TOGGLE);
}

void VEXO_TreeCtrl::mouseMoveEvent(QMouseEvent* event) {
  SetHover(HitTest(event->position().toPoint()));
  QAbstractScrollArea::mouseMoveEvent(event);
}

bool VEXO_TreeCtrl::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Leave) SetHover(nullptr);
  return QAbstractScrollArea::viewportEvent(event);
}

void VEXO_TreeCtrl::keyPressEvent(QKeyEvent* event) {
  const auto& rows = Rows();
  if (rows.empty()) return QAbstractScrollArea::keyPressEvent(event);
  VEXO_HTREEITEM current = selected_;
  VEXO_HTREEITEM target = nullptr;
  switch (event->key()) {
    case Qt::Key_Up: target = current ? GetPrevVisibleItem(current) : rows.front(); break;
    case Qt::Key_Down: target = current ? GetNextVisibleItem(current) : rows.front(); break;
    case Qt::Key_Home: target = rows.front(); break;
    case Qt::Key_End: target = rows.back(); break;
    case Qt::Key_Right:
      event->accept();
      if (!current) return;
      if (ItemHasChildren(current) && !current->expanded) {
        UserExpand(current, vexo_msg::TVE_EXPAND);
        return;
      }
      target = GetChildItem(current);
      break;
    case Qt::Key_Left:
      event->accept();
      if (!current) return;
      if (current->expanded) {
        UserExpand(current, vexo_msg::TVE_COLLAPSE);
        return;
      }
      target = current->parent;
      break;
    case Qt::Key_Plus:
    case Qt::Key_Minus:
      event->accept();
      if (current) UserExpand(current, event->key() == Qt::Key_Plus ? vexo_msg::TVE_EXPAND : vexo_msg::TVE_COLLAPSE);
      return;
    case Qt::Key_F2:
      event->accept();
      if (current && edit_labels_) EditLabel(current);
      return;
    default:
      return QAbstractScrollArea::keyPressEvent(event);
  }
  event->accept();
  if (target) UserSelect(target, vexo_msg::TVC_BYKEYBOARD);
}
