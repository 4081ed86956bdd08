// What the upgrade and uninstall pages share: a child page of the main window holding a column
// of 43-pixel row windows over the listed records, a skinned vertical scroll bar that shows only
// when the rows do not fit, scrolling by arrow (10 pixels), wheel notch (129 pixels) and page,
// and rows with the "img/wnd%d.png" backgrounds that light up under the mouse or when selected.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "vexo/ui/dialog/dialog.h"

class CSkinScrollBar;

// One row window: paints its background by position and hover; the page binds it to a record.
class CPageRow : public QWidget {
 public:
  CPageRow(QWidget* parent, unsigned id);
  unsigned Id() const { return id_; }
  void SetPlace(int index, int rows);
  void SetSelected(bool selected);
  bool IsSelected() const { return selected_; }
  bool IsHot() const { return hot_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  // The row's own content over its background.
  virtual void PaintContent(QPainter& painter) = 0;

 private:
  unsigned id_;
  int index_ = 0;
  int rows_ = 1;
  bool selected_ = false;
  bool hot_ = false;
};

class CRowPage : public VEXO_Dialog {
  Q_OBJECT
 public:
  explicit CRowPage(QWidget* parent);
  ~CRowPage() override;

  int ScrollPos() const { return scroll_; }
  const std::vector<CPageRow*>& Rows() const { return rows_; }
  // Scrolls to `pos` (clamped) and moves the rows.
  void ScrollTo(int pos);
  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  // Records listed now, and the height the rows may fill.
  virtual int ListedCount() const = 0;
  virtual int ListHeight() const { return height(); }
  // Makes row `index` (control id kFirstRowId + index) for the page.
  virtual CPageRow* MakeRow(unsigned id) = 0;
  // Binds row `index` to the record at `record` (-1 for none) after a layout or a scroll.
  virtual void BindRow(CPageRow* row, int record) = 0;

  // Rows to fill the list height, each placed at y = index * 43 - scroll offset, full width, and
  // bound to the records from the scroll position on; the scroll bar shown when the records do
  // not fit.
  void Layout();
  // Marks the row with control id `id` selected and every other row not.
  void SelectRow(unsigned id);
  void DestroyRows();
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PlaceRows();

  std::vector<CPageRow*> rows_;
  CSkinScrollBar* bar_ = nullptr;
  int scroll_ = 0;
  int wheel_ = 0;
};
