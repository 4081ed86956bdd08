// The skinned tree: items with a text, an optional icon from the tree's image list and any number
// of children, shown as indented rows with an expand button (from a two-look image: collapsed,
// expanded) in front of every item that has, or says it has, children. Text is drawn in the skin
// font; rows take the skin's list colours (plain, hover, selected, text) unless set here.
//
// It notifies the parent window as the window system's tree does (WM_NOTIFY):
// - TVN_SELCHANGING (non-zero answer keeps the old selection) and TVN_SELCHANGED, with a
//   VEXO_NMTREEVIEW whose action says how (mouse, keyboard, or a call);
// - TVN_ITEMEXPANDING (non-zero answer refuses) and TVN_ITEMEXPANDED when the user opens or
//   closes an item (button click, double click, keys); Expand() from code sends none. An item
//   marked with SetItemHasChildren shows its button before it has children, so a parent can fill
//   it on TVN_ITEMEXPANDING: lazy loading, with a "Loading..." placeholder if it likes;
// - TVN_BEGINLABELEDIT (non-zero answer refuses) and TVN_ENDLABELEDIT (a VEXO_NMTVDISPINFO; the
//   text is null when the edit was cancelled; a non-zero answer takes the new text);
// - NM_CLICK and NM_DBLCLK.
// Handlers may delete items, or the tree itself; the tree checks before it goes on.
#pragma once

#include <QAbstractScrollArea>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "vexo/export.h"
#include "vexo/ui/widgets/control_notify.h"

class CSkinScrollBar;
class QLineEdit;
class VEXO_Image;
class VEXO_ScrollBarLink;

struct VEXO_TreeNode;
using VEXO_HTREEITEM = VEXO_TreeNode*;

namespace vexo_msg {
constexpr int TVN_SELCHANGING = -401;
constexpr int TVN_SELCHANGED = -402;
constexpr int TVN_ITEMEXPANDING = -405;
constexpr int TVN_ITEMEXPANDED = -406;
constexpr int TVN_BEGINLABELEDIT = -410;
constexpr int TVN_ENDLABELEDIT = -411;
// Expand codes (also the action of the expand notifications).
constexpr unsigned TVE_COLLAPSE = 0x0001;
constexpr unsigned TVE_EXPAND = 0x0002;
constexpr unsigned TVE_TOGGLE = 0x0003;
// Selection actions.
constexpr unsigned TVC_UNKNOWN = 0x0000;
constexpr unsigned TVC_BYMOUSE = 0x0001;
constexpr unsigned TVC_BYKEYBOARD = 0x0002;
// Hit-test flags.
constexpr unsigned TVHT_NOWHERE = 0x0001;
constexpr unsigned TVHT_ONITEMICON = 0x0002;
constexpr unsigned TVHT_ONITEMLABEL = 0x0004;
constexpr unsigned TVHT_ONITEMINDENT = 0x0008;
constexpr unsigned TVHT_ONITEMBUTTON = 0x0010;
constexpr unsigned TVHT_ONITEMRIGHT = 0x0020;
}  // namespace vexo_msg

struct VEXO_NMTREEVIEW {
  VEXO_NMHDR hdr;
  unsigned action = 0;
  VEXO_HTREEITEM itemOld = nullptr;
  VEXO_HTREEITEM itemNew = nullptr;
  QPoint ptDrag;
};

struct VEXO_NMTVDISPINFO {
  VEXO_NMHDR hdr;
  VEXO_HTREEITEM item = nullptr;
  const char* pszText = nullptr;  // UTF-8; the new label at TVN_ENDLABELEDIT, null when cancelled
};

class VEXO_API VEXO_TreeCtrl : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit VEXO_TreeCtrl(QWidget* parent = nullptr);
  ~VEXO_TreeCtrl() override;

  int Create(const QRect& rect, QWidget* parent, unsigned id);

  // Items. `parent` null inserts at the top level; `after` null appends, else the new item
  // follows `after` (which must be a child of `parent`). Null when `parent` is not an item.
  VEXO_HTREEITEM InsertItem(const char* text, int image = -1, int selected_image = -1,
                            VEXO_HTREEITEM parent = nullptr, VEXO_HTREEITEM after = nullptr);
  // Deletes the item and everything under it. 1, or 0 for no item.
  int DeleteItem(VEXO_HTREEITEM item);
  void DeleteAllItems();
  int GetCount() const { return static_cast<int>(live_.size()); }
  bool IsItem(VEXO_HTREEITEM item) const { return item && live_.count(item) != 0; }

  VEXO_HTREEITEM GetRootItem() const;
  VEXO_HTREEITEM GetChildItem(VEXO_HTREEITEM item) const;
  VEXO_HTREEITEM GetNextSiblingItem(VEXO_HTREEITEM item) const;
  VEXO_HTREEITEM GetPrevSiblingItem(VEXO_HTREEITEM item) const;
  VEXO_HTREEITEM GetParentItem(VEXO_HTREEITEM item) const;
  // The next and previous rows shown (children of collapsed items are skipped).
  VEXO_HTREEITEM GetNextVisibleItem(VEXO_HTREEITEM item) const;
  VEXO_HTREEITEM GetPrevVisibleItem(VEXO_HTREEITEM item) const;

  std::string GetItemText(VEXO_HTREEITEM item) const;
  int SetItemText(VEXO_HTREEITEM item, const char* text);
  std::uintptr_t GetItemData(VEXO_HTREEITEM item) const;
  int SetItemData(VEXO_HTREEITEM item, std::uintptr_t data);
  int SetItemImage(VEXO_HTREEITEM item, int image, int selected_image);
  int GetItemImage(VEXO_HTREEITEM item, int* image, int* selected_image) const;
  // Whether the item shows an expand button: it has children, or was marked as having some.
  bool ItemHasChildren(VEXO_HTREEITEM item) const;
  // Marks an item as having children before they are inserted (or clears the mark).
  int SetItemHasChildren(VEXO_HTREEITEM item, bool has);

  // Opens, closes or toggles an item without notifications. 1, or 0 when nothing changed.
  int Expand(VEXO_HTREEITEM item, unsigned code);
  bool IsExpanded(VEXO_HTREEITEM item) const;

  VEXO_HTREEITEM GetSelectedItem() const { return selected_; }
  // Selects `item` (null clears the selection), with the selection notifications
  // (action TVC_UNKNOWN). 1 when the selection is `item` afterwards.
  int SelectItem(VEXO_HTREEITEM item);
  // Opens the item's ancestors and scrolls it into view.
  void EnsureVisible(VEXO_HTREEITEM item);

  // The item at `point` (viewport coordinates) and where on it (TVHT_*); null for none.
  VEXO_HTREEITEM HitTest(const QPoint& point, unsigned* flags = nullptr) const;
  // The item's row, or with `text_only` its label, in viewport coordinates; empty when the item
  // is not shown.
  QRect GetItemRect(VEXO_HTREEITEM item, bool text_only = false) const;
  int GetVisibleCount() const;

  // Label editing: on with SetEditLabels(true) for F2 and a click on the selected label;
  // EditLabel starts it from code. The edit, or null when editing was refused.
  void SetEditLabels(bool on) { edit_labels_ = on; }
  QLineEdit* EditLabel(VEXO_HTREEITEM item);
  QLineEdit* GetEditControl() const { return editor_; }
  // Ends the edit in progress: `cancel` drops the text. 1 when an edit was in progress.
  int EndEditLabelNow(bool cancel);

  // Icons (16 x 16) by image index.
  void SetImageList(const std::vector<QPixmap>& icons);
  // The expand button strip: collapsed (left half), expanded (right half).
  void SetExpandImage(VEXO_Image* image);
  // Skinned vertical and horizontal scroll bars from a 9 x 3 grid image; they scroll the tree
  // and send their scroll messages to it, not to the page around it.
  void SetScrollImg(VEXO_Image* image);
  CSkinScrollBar* GetSkinVertBar() const { return skin_vert_; }

  // Colours (0x00BBGGRR).
  void SetBkColor(std::uint32_t colour);
  void SetTextColor(std::uint32_t colour);
  void SetSelectedColor(std::uint32_t text, std::uint32_t background);
  void SetHoverColor(std::uint32_t background);
  void SetItemHeight(int height);
  int GetItemHeight() const { return row_height_; }
  int GetIndent() const { return indent_; }
  VEXO_HTREEITEM GetHoverItem() const { return hover_; }

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  const std::vector<VEXO_TreeNode*>& Rows() const;
  int RowOf(VEXO_HTREEITEM item) const;
  int Depth(VEXO_HTREEITEM item) const;
  int TextLeft(VEXO_HTREEITEM item) const;
  void Changed();
  void UpdateLayout();
  void SetHover(VEXO_HTREEITEM item);
  void RemoveNode(VEXO_TreeNode* node);
  // The notified changes a user asks for; false when the tree was destroyed meanwhile.
  bool UserSelect(VEXO_HTREEITEM item, unsigned action);
  bool UserExpand(VEXO_HTREEITEM item, unsigned code);
  bool NotifySimple(int code);

  unsigned id_ = 0;
  std::vector<std::unique_ptr<VEXO_TreeNode>> roots_;
  std::unordered_set<VEXO_TreeNode*> live_;
  mutable std::vector<VEXO_TreeNode*> rows_;
  mutable bool rows_valid_ = false;
  VEXO_HTREEITEM selected_ = nullptr;
  VEXO_HTREEITEM hover_ = nullptr;
  VEXO_HTREEITEM editing_ = nullptr;
  QLineEdit* editor_ = nullptr;
  bool edit_labels_ = false;
  std::vector<QPixmap> icons_;
  VEXO_Image* expand_image_ = nullptr;
  int row_height_ = 20;
  int indent_ = 16;
  std::uint32_t bk_colour_ = 0xFFFFFF;
  std::uint32_t text_colour_ = 0x2B2B2B;
  std::uint32_t selected_text_ = 0xFFFFFF;
  std::uint32_t selected_bk_ = 0xD37F2D;
  std::uint32_t hover_bk_ = 0xFBF1E8;
  CSkinScrollBar* skin_vert_ = nullptr;
  CSkinScrollBar* skin_horz_ = nullptr;
  VEXO_ScrollBarLink* vert_link_ = nullptr;
  VEXO_ScrollBarLink* horz_link_ = nullptr;
};
