// A label whose text scrolls upwards, a line-by-line ticker (news, notices): the caption is laid
// out word-wrapped over the label's width and drawn moved up by the scroll position. VScroll moves
// it; VSrcollBegin starts a timer that does so, VSrcollEnd stops it. Once the position passes the
// scroll maximum (SetSrcollMax; 0 means the text's own height) the text comes in again from the
// bottom edge. The mouse over the label holds the text still (not on a window whose input is
// blocked). Background, font, colours and SS_NOTIFY clicks as VEXO_BLabel's.
#pragma once

#include <QBasicTimer>

#include "vexo/ui/widgets/b_label.h"

class VEXO_API VEXO_SrcollLabel : public VEXO_BLabel {
  Q_OBJECT

 public:
  explicit VEXO_SrcollLabel(QWidget* parent = nullptr);
  ~VEXO_SrcollLabel() override;

  // Moves the text up by `pixels` (down for a negative value), wrapping as described. The new
  // position.
  int VScroll(int pixels = 1);
  // Starts scrolling one pixel every `interval_ms` milliseconds.
  void VSrcollBegin(int interval_ms = 40);
  void VSrcollEnd();
  bool IsSrcolling() const { return timer_.isActive(); }
  // The position past which the text wraps; 0 for the height of the laid-out text.
  void SetSrcollMax(int max);
  int GetSrcollMax() const { return max_; }
  int GetSrcollPos() const { return pos_; }
  void SetSrcollPos(int pos);
  // Height of the caption laid out over the label's width.
  int TextHeight() const;
  bool IsHeld() const { return held_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  int Limit() const;

  QBasicTimer timer_;
  int pos_ = 0;
  int max_ = 0;
  bool held_ = false;
};
