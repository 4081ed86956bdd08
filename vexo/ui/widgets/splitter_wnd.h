// Splitter windows: two panes with a split bar between them, side by side (CxSplitterWnd) or one
// above the other (CySplitterWnd). Dragging the bar resizes the panes; neither pane gets smaller
// than its minimum size, and a resize of the window keeps the first pane's size as far as the
// minimums allow.
#pragma once

#include <QPointer>
#include <QWidget>

#include "vexo/export.h"

class VEXO_Image;
class VEXO_SplitBar;

class VEXO_API VEXO_SplitterWnd : public QWidget {
  Q_OBJECT

 public:
  int Create(const QRect& rect, QWidget* parent, unsigned id);
  // The two panes (either may be null); they become children of the splitter.
  void SetPanes(QWidget* first, QWidget* second);
  QWidget* GetPane(int index) const;
  void SetMinSizes(int first, int second);
  // Size of the first pane (clamped to the minimums).
  void SetSplitPos(int pos);
  int GetSplitPos() const { return split_; }
  void SetBarWidth(int width);
  int GetBarWidth() const { return bar_width_; }
  void SetBarImage(VEXO_Image* image);
  VEXO_SplitBar* GetBar() const { return bar_.data(); }
  bool IsSideBySide() const { return side_by_side_; }

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }

 protected:
  VEXO_SplitterWnd(bool side_by_side, QWidget* parent);
  void resizeEvent(QResizeEvent* event) override;

 private:
  int Length() const;
  int Clamp(int pos) const;
  void Layout();

  bool side_by_side_;
  unsigned id_ = 0;
  QPointer<VEXO_SplitBar> bar_;  // the owner may destroy the bar
  QPointer<QWidget> panes_[2];
  int min_[2] = {20, 20};
  int split_ = 100;
  int bar_width_ = 5;
};

class VEXO_API CxSplitterWnd : public VEXO_SplitterWnd {
  Q_OBJECT

 public:
  explicit CxSplitterWnd(QWidget* parent = nullptr);
};

class VEXO_API CySplitterWnd : public VEXO_SplitterWnd {
  Q_OBJECT

 public:
  explicit CySplitterWnd(QWidget* parent = nullptr);
};
