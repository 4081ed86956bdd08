// The list's column header: column titles, widths and formats, painted from a background image
// stretched over the whole header (over a red fill, so a missing image shows) and a divider
// image at its own width at the left edge and against the right edge of every column; titles in
// the font "hfont", black, on one line with an end ellipsis, centred or right-aligned as the
// column's format says, else left-aligned. Dragging a divider resizes its column.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

#include "vexo/export.h"

class VEXO_Image;

class VEXO_API VEXO_HeaderCtrl : public QWidget {
  Q_OBJECT

 public:
  // Column formats.
  static constexpr int LVCFMT_LEFT = 0;
  static constexpr int LVCFMT_RIGHT = 1;
  static constexpr int LVCFMT_CENTER = 2;

  explicit VEXO_HeaderCtrl(QWidget* parent = nullptr);

  void SetHeadImg(VEXO_Image* background, VEXO_Image* divider);
  // Inserts a column before `index` (appends past the end); its index.
  int InsertItem(int index, const QString& title, int format, int width);
  bool DeleteItem(int index);
  int GetItemCount() const { return static_cast<int>(columns_.size()); }
  QString GetItemText(int index) const;
  int GetItemFormat(int index) const;
  int GetItemWidth(int index) const;
  bool SetItemWidth(int index, int width);
  // Left edge of column `index` in list coordinates (before the horizontal offset).
  int GetItemLeft(int index) const;
  int GetTotalWidth() const;
  // Rectangle of column `index` in header coordinates.
  QRect GetItemRect(int index) const;
  // The header scrolls with the list: x of list content shown at the header's left edge.
  void SetOffset(int offset);
  int GetOffset() const { return offset_; }
  // Column under x (header coordinates), -1 for none.
  int ColumnAt(int x) const;

 signals:
  void columnsChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  struct Column {
    QString title;
    int format = LVCFMT_LEFT;
    int width = 0;
  };
  // Column whose right edge is within a few pixels of x, -1 for none.
  int DividerAt(int x) const;

  std::vector<Column> columns_;
  VEXO_Image* background_ = nullptr;
  VEXO_Image* divider_ = nullptr;
  int offset_ = 0;
  int resizing_ = -1;
  int resize_from_ = 0;
  int resize_width_ = 0;
};
