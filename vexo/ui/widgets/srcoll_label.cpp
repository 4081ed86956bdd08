#include "vexo/ui/widgets/srcoll_label.h"

#include <QEnterEvent>
#include <QPainter>
#include <QTimerEvent>

#include "vexo/ui/render/draw_text.h"

VEXO_SrcollLabel::VEXO_SrcollLabel(QWidget* parent) : VEXO_BLabel(parent) {
  // Hover holds the text, so the label follows the mouse even without SS_NOTIFY.
  setAttribute(Qt::WA_TransparentForMouseEvents, false);
  setAttribute(Qt::WA_Hover, true);
}

VEXO_SrcollLabel::~VEXO_SrcollLabel() = default;

int VEXO_SrcollLabel::TextHeight() const {
  if (GetText().isEmpty() || width() <= 0) return 0;
  const QFontMetrics metrics(font());
  return metrics.boundingRect(QRect(0, 0, width(), 100000), Qt::TextWordWrap, GetText()).height();
}

int VEXO_SrcollLabel::Limit() const { return max_ > 0 ? max_ : TextHeight(); }

int VEXO_SrcollLabel::VScroll(int pixels) {
  pos_ += pixels;
  const int limit = Limit();
  if (pos_ > limit) pos_ = -height();       // gone past the top: in again from the bottom
  else if (pos_ < -height()) pos_ = limit;  // scrolled back below the bottom
  update();
  return pos_;
}

void VEXO_SrcollLabel::VSrcollBegin(int interval_ms) {
  timer_.start(std::max(1, interval_ms), Qt::PreciseTimer, this);
}

void VEXO_SrcollLabel::VSrcollEnd() { timer_.stop(); }

void VEXO_SrcollLabel::SetSrcollMax(int max) { max_ = std::max(0, max); }

void VEXO_SrcollLabel::SetSrcollPos(int pos) {
  pos_ = pos;
  update();
}

void VEXO_SrcollLabel::timerEvent(QTimerEvent* event) {
  if (event->timerId() != timer_.timerId()) return VEXO_BLabel::timerEvent(event);
  if (!held_) VScroll(1);
}

void VEXO_SrcollLabel::enterEvent(QEnterEvent* event) {
  held_ = true;
  VEXO_BLabel::enterEvent(event);
}

void VEXO_SrcollLabel::leaveEvent(QEvent* event) {
  held_ = false;
  VEXO_BLabel::leaveEvent(event);
}

void VEXO_SrcollLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  DrawBackground(&painter);
  if (GetText().isEmpty()) return;
  PrepareText(&painter);
  painter.setClipRect(rect());
  const int h = std::max(TextHeight(), height());
  // Word-wrapped from the top of the moved text; the style's alignment bits still apply.
  const unsigned format = (TextFormat() & ~(vexo_dt::DT_SINGLELINE | vexo_dt::DT_VCENTER | vexo_dt::DT_END_ELLIPSIS |
                                          vexo_dt::DT_PATH_ELLIPSIS)) | vexo_dt::DT_WORDBREAK;
  VEXO_DrawText(&painter, GetText(), QRect(0, -pos_, width(), h), format);
}
