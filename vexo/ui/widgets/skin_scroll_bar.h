// A scroll bar painted from a grid image of 9 x 3 equal cells: rows are the looks normal, hot
// and pressed; for a vertical bar columns 0-3 hold the first arrow, the second arrow, the thumb
// and the track, for a horizontal bar columns 4-7. A vertical bar is one cell wide, a horizontal
// one cell high. It keeps the window system's scroll-info rules (the highest position is
// max - page + 1) and, like a scroll-bar control, reports what the user does to its parent
// window as WM_VSCROLL / WM_HSCROLL (code in the low word, position in the high word, the bar
// in lParam) without moving itself: the owner sets the new position. A bar that belongs to a
// scrolling window (a list's own bars, the bars of a CSkinScrollWnd) reports to that window only,
// never to the page around it. Wheel deltas add up to notches of 120; each notch is three line
// steps.
#pragma once

#include <QBasicTimer>
#include <QPointer>
#include <QWidget>

#include "vexo/export.h"

class VEXO_Image;

class VEXO_API CSkinScrollBar : public QWidget {
  Q_OBJECT

 public:
  enum Part { kNone = -1, kArrow1 = 0, kArrow2 = 1, kThumb = 2, kTrack1 = 3, kTrack2 = 4 };

  CSkinScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);
  ~CSkinScrollBar() override;

  int Create(Qt::Orientation orientation, const QRect& rect, QWidget* parent, unsigned id);
  void SetBitmap(VEXO_Image* image);
  VEXO_Image* GetBitmap() const { return image_; }
  bool IsVertical() const { return orientation_ == Qt::Vertical; }

  // Scroll info. SetScrollInfo clamps the position to [min, highest].
  void SetScrollInfo(int min, int max, int page, int pos, bool redraw = true);
  void SetScrollRange(int min, int max, bool redraw = true);
  int SetScrollPos(int pos, bool redraw = true);  // the previous position
  int GetScrollPos() const { return pos_; }
  int GetMin() const { return min_; }
  int GetMax() const { return max_; }
  int GetPage() const { return page_; }
  // The highest position the thumb can reach.
  int GetScrollLimit() const;

  // Thickness (a vertical bar's width, a horizontal bar's height) and arrow length from the
  // image's cells; 16 without an image.
  int GetThickness() const;
  int ArrowLength() const;
  // Geometry of the parts for the current size and position.
  QRect PartRect(int part) const;
  int PartAt(const QPoint& pos) const;
  // The position the thumb would have with its leading edge at `offset` pixels into the track.
  int PositionAtOffset(int offset) const;

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }

  // Makes the bar report to the window it scrolls: `window` gets WM_VSCROLL / WM_HSCROLL when it
  // takes messages, and scrolled() moves it in any case; the parent window hears nothing.
  void SetScrolledWindow(QWidget* window);

 signals:
  // Emitted with every notification sent to the parent window.
  void scrolled(int code, int pos);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  // Sends one notification; false when the receiver destroyed the bar meanwhile.
  bool Notify(int code, int pos);
  int CodeForPart(int part) const;
  QRect CellSource(int column, int look) const;
  int TrackLength() const;
  int ThumbLength() const;

  Qt::Orientation orientation_;
  unsigned id_ = 0;
  VEXO_Image* image_ = nullptr;
  bool owned_by_window_ = false;
  QPointer<QWidget> scrolled_window_;
  int min_ = 0;
  int max_ = 100;
  int page_ = 0;
  int pos_ = 0;
  int hot_part_ = kNone;
  int pressed_part_ = kNone;
  bool tracking_ = false;
  int track_pos_ = 0;
  int drag_offset_ = 0;
  int wheel_delta_ = 0;
  QBasicTimer repeat_;
};
