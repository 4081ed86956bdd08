// A draggable split bar between two panes. A bar of style SPS_VERTICAL is a vertical strip that
// moves left and right; SPS_HORIZONTAL a horizontal one that moves up and down. The mouse drags
// it within its range (positions of its leading edge in the parent's coordinates); when the drag
// ends on a new place the parent window is sent WM_NOTIFY with VEXO_SPN_SIZED and a
// VEXO_NMSPLITBAR telling how far it moved. It paints its image stretched, or a flat colour.
#pragma once

#include <QWidget>
#include <cstdint>

#include "vexo/export.h"
#include "vexo/ui/widgets/control_notify.h"

class VEXO_Image;

// Toolkit-only notification: the bar was dragged to a new place.
constexpr int VEXO_SPN_SIZED = 0x0F10;

struct VEXO_NMSPLITBAR {
  VEXO_NMHDR hdr;
  int delta = 0;  // how far it moved, positive right or down
  int pos = 0;    // its new leading edge
};

class VEXO_API VEXO_SplitBar : public QWidget {
  Q_OBJECT

 public:
  static constexpr unsigned SPS_VERTICAL = 0x0001;
  static constexpr unsigned SPS_HORIZONTAL = 0x0002;

  explicit VEXO_SplitBar(QWidget* parent = nullptr);
  ~VEXO_SplitBar() override;

  int Create(unsigned style, const QRect& rect, QWidget* parent, unsigned id);
  bool IsVertical() const { return vertical_; }
  // Where the leading edge may go (inclusive).
  void SetRange(int min, int max);
  int GetMin() const { return min_; }
  int GetMax() const { return max_; }
  // The leading edge (x of a vertical bar, y of a horizontal one) in the parent's coordinates.
  int GetPos() const;
  // Moves the bar (clamped to the range) without notifications.
  void SetPos(int pos);
  void SetImage(VEXO_Image* image);
  void SetColor(std::uint32_t colour);
  bool IsDragging() const { return dragging_; }

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }

 signals:
  // Emitted as the bar moves during a drag and once when it ends (toolkit use only).
  void moved(int pos);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int Along(const QPoint& parent_point) const;

  unsigned id_ = 0;
  bool vertical_ = true;
  int min_ = 0;
  int max_ = 100000;
  VEXO_Image* image_ = nullptr;
  std::uint32_t colour_ = 0xE4D3C3;
  bool dragging_ = false;
  int grab_ = 0;
  int start_ = 0;
};
