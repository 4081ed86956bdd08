// The custom-drawn report list: rows of text cells under a skinned header, each cell painted
// from colour pairs (text, background) and images: the normal pair, the hover pair for the row
// under the mouse (when hover colouring is on), the selected pair for the selected row. Layers,
// bottom to top: background image or normal background colour; hover image or colour; the item
// image (when item backgrounds are on); selected image or colour; the decoration image at its
// own size against the cell's right edge; the row line, when set; then the row's small icon and
// the text. Odd rows may take an alternate normal background. Row images
// are stretched over the whole row and clipped to each cell, so a row reads as one piece.
// Clicks select the row under the mouse and notify the parent window (WM_NOTIFY with NM_CLICK
// or NM_DBLCLK and a VEXO_NMITEMACTIVATE). Scrolling is by pixel.
#pragma once

#include <QAbstractScrollArea>
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "vexo/export.h"

class CSkinScrollBar;
class VEXO_HeaderCtrl;
class VEXO_Image;
class VEXO_ScrollBarLink;

class VEXO_API VEXO_ListCtrl : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit VEXO_ListCtrl(QWidget* parent = nullptr);
  ~VEXO_ListCtrl() override;

  int Create(const QRect& rect, QWidget* parent, unsigned id);
  // Colours of the skin (vexo/ui/resources/skin_colors.h) where it defines them, else the
  // defaults: list background 0xE9E9E9, text 0x000000; normal pair black on 0xE1E1AF (odd rows
  // alike, no row lines), hover pair black on 0xE1E1CD, selected pair white on 0xC86446, "my"
  // pair white on 0xC89646.
  void Init();

  // Columns.
  int InsertColumn(int index, const char* title, int format = 0, int width = 80);
  bool DeleteColumn(int index);
  int GetColumnCount() const;
  int GetColumnWidth(int index) const;
  bool SetColumnWidth(int index, int width);
  VEXO_HeaderCtrl* GetHeaderCtrl() const { return header_; }

  // Rows (texts are UTF-8).
  int InsertItem(int index, const char* text, int image = -1);
  bool SetItemText(int item, int sub_item, const char* text);
  std::string GetItemText(int item, int sub_item) const;
  bool SetItemData(int item, std::uintptr_t data);
  std::uintptr_t GetItemData(int item) const;
  bool SetItemImage(int item, int image);
  bool DeleteItem(int item);
  void DeleteAllItems();
  int GetItemCount() const { return static_cast<int>(rows_.size()); }

  // Small icons (16 x 16) drawn at the label position of each row by image index.
  void SetImageList(const std::vector<QPixmap>& icons);

  void SetRowHeight(int height);
  int GetRowHeight() const { return row_height_; }
  // Row (and column in `sub_item`) at `point` in viewport coordinates; -1 for none.
  int HitTest(const QPoint& point, int* sub_item = nullptr) const;
  // The same for the global position of the input event being handled.
  int HitTestMessagePos(int* sub_item = nullptr) const;
  int GetCountPerPage() const;
  int GetTopIndex() const;
  void EnsureVisible(int item);
  // Row rectangle in viewport coordinates.
  QRect GetItemRect(int item) const;
  QRect GetSubItemRect(int item, int sub_item) const;

  void SetSelectedRow(int item);
  int GetSelectedRow() const { return selected_; }
  int GetHoverRow() const { return hover_; }

  // Colour pairs (0x00BBGGRR).
  void SetNormalColor(std::uint32_t text, std::uint32_t background);
  void SetHoverColor(std::uint32_t text, std::uint32_t background);
  void SetSelectedColor(std::uint32_t text, std::uint32_t background);
  void SetMyColor(std::uint32_t text, std::uint32_t background);
  void SetListBkColor(std::uint32_t colour);
  // Background of odd rows in the normal look (the normal background by default).
  void SetAlternateColor(std::uint32_t background);
  // A one-pixel line along the bottom of each row; VEXO_CLR_NONE (the default) for none.
  void SetGridColor(std::uint32_t colour);
  void SetHoverColoring(bool on);
  void SetItemBackground(bool on);

  // Item, selected, decoration and hover images; a non-null item image turns item backgrounds
  // on, a non-null hover image turns hover colouring on.
  void SetListImg(VEXO_Image* item, VEXO_Image* selected, VEXO_Image* decoration,
                  VEXO_Image* hover);
  void SetImgBk(VEXO_Image* image);
  void SetHeadImg(VEXO_Image* background, VEXO_Image* divider);
  // Skinned vertical and horizontal scroll bars from a 9 x 3 grid image.
  void SetScrollImg(VEXO_Image* image);
  CSkinScrollBar* GetSkinVertBar() const { return skin_vert_; }
  // A column left to the plain drawing (list background, left-aligned text); -1 for none.
  void SetNoPaintColIndex(int column);
  // DrawText format of the cell texts (default: centred on one line).
  void SetWordAlign(unsigned format);

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  struct Row {
    std::vector<QString> texts;
    std::uintptr_t data = 0;
    int image = -1;
  };
  struct Pair {
    std::uint32_t text;
    std::uint32_t background;
  };

  void PaintCell(QPainter* painter, int item, int column, const QRect& cell, const QRect& row);
  void UpdateLayout();
  void UpdateRow(int item);
  void SetHover(int item);
  void Notify(int code, const QPoint& at);

  unsigned id_ = 0;
  VEXO_HeaderCtrl* header_ = nullptr;
  std::vector<Row> rows_;
  std::vector<QPixmap> icons_;
  int row_height_ = 22;
  int selected_ = -1;
  int hover_ = -1;
  std::uint32_t list_bk_ = 0xE9E9E9;
  Pair normal_{0x000000, 0xE1E1AF};
  Pair hover_pair_{0x000000, 0xE1E1CD};
  Pair selected_pair_{0xFFFFFF, 0xC86446};
  Pair my_pair_{0xFFFFFF, 0xC89646};
  std::uint32_t alternate_bk_ = 0xE1E1AF;
  std::uint32_t grid_ = 0xFFFFFFFFu;
  bool hover_colouring_ = false;
  bool item_backgrounds_ = false;
  VEXO_Image* item_image_ = nullptr;
  VEXO_Image* selected_image_ = nullptr;
  VEXO_Image* decoration_image_ = nullptr;
  VEXO_Image* hover_image_ = nullptr;
  VEXO_Image* bk_image_ = nullptr;
  int no_paint_column_ = -1;
  unsigned word_align_ = 37;
  CSkinScrollBar* skin_vert_ = nullptr;
  CSkinScrollBar* skin_horz_ = nullptr;
  VEXO_ScrollBarLink* vert_link_ = nullptr;
  VEXO_ScrollBarLink* horz_link_ = nullptr;
};
