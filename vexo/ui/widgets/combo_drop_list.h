// The list a VEXO_ComboBox drops down: a popup painted in the skin's colours and font, at most
// eight rows high, scrolled by the wheel, the keys and the bar at its right edge. The row under
// the mouse or chosen by the arrow keys is highlighted; a release on a row or Enter chooses it.
// A press anywhere outside the list, Escape, F4 or Alt+Up/Down closes it without a choice. The
// combo box closes it too when it loses focus or its window moves.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "vexo/export.h"

class VEXO_ComboBox;
class VEXO_Image;

class VEXO_API VEXO_ComboDropList : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMaxRows = 8;

  explicit VEXO_ComboDropList(VEXO_ComboBox* owner);

  // Fills the list and highlights `current` (-1 for none), scrolled so that it shows.
  void SetRows(const QStringList& rows, int current);
  void SetBackground(VEXO_Image* image) { background_ = image; }
  int GetCount() const { return static_cast<int>(rows_.size()); }
  int GetHighlight() const { return highlight_; }
  int GetTopRow() const { return top_; }
  int RowHeight() const;
  // The height that shows min(count, kMaxRows) rows.
  int PreferredHeight() const;
  // Row rectangle in the list's coordinates (empty when scrolled out of view).
  QRect RowRect(int row) const;
  int RowAt(const QPoint& pos) const;
  // The scroll bar strip at the right edge; empty when every row shows.
  QRect BarRect() const;
  QRect ThumbRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int VisibleRows() const;
  int MaxTop() const;
  void ScrollTo(int top);
  void Highlight(int row);
  void DragThumbTo(int y);
  // Hands the choice to the combo box (which closes the list); -1 closes without one.
  void Finish(int row);

  QPointer<VEXO_ComboBox> owner_;
  QStringList rows_;
  VEXO_Image* background_ = nullptr;
  int highlight_ = -1;
  int top_ = 0;
  bool dragging_thumb_ = false;
  int drag_offset_ = 0;
  int wheel_delta_ = 0;
};
