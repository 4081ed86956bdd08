#include "vexo/ui/widgets/mll_button.h"

#include <QPainter>
#include <cinttypes>
#include <cstdio>

#include "vexo/ui/render/image.h"
#include "vexo/ui/render/state_strip.h"

VEXO_MLLButton::VEXO_MLLButton(QWidget* parent) : VEXO_TransparentBt(parent) {}

void VEXO_MLLButton::SetMLLImage(VEXO_Image* image, int single_state) {
  overlay_ = image;
  single_state_ = single_state != 0;
  update();
}

void VEXO_MLLButton::SetImgNormalRect(const QRect& rect) {
  normal_rect_ = rect;
  update();
}

void VEXO_MLLButton::SetNumImg(std::int64_t number) {
  char text[32];
  std::snprintf(text, sizeof text, "%" PRId64, number);
  number_text_ = text;
  has_number_ = true;
  update();
}

void VEXO_MLLButton::ClearNumImg() {
  has_number_ = false;
  number_text_.clear();
  update();
}

void VEXO_MLLButton::SetBgStyle(int style) {
  bg_style_ = style;
  update();
}

QRect VEXO_MLLButton::OverlaySource(int state) const {
  if (!overlay_ || overlay_->IsNull()) return QRect();
  if (single_state_) return QRect(0, 0, overlay_->GetWidth(), overlay_->GetHeight());
  return VEXO_StripCell(overlay_->GetWidth(), overlay_->GetHeight(), 4,
                        VEXO_ButtonStripIndex(state));
}

QRect VEXO_MLLButton::DigitSource(int state, int digit) const {
  const QRect cell = OverlaySource(state);
  if (cell.isEmpty() || digit < 0 || digit > 9) return QRect();
  const int width = cell.width() / 10;
  return QRect(cell.left() + digit * width, cell.top(), width, cell.height());
}

void VEXO_MLLButton::DrawButton(QPainter* painter, int state) {
  VEXO_Button::DrawButton(painter, state);
  if (!overlay_ || overlay_->IsNull()) return;
  const QRect target = normal_rect_.isEmpty() ? rect() : normal_rect_;
  if (!has_number_) {
    const QRect source = OverlaySource(state);
    if (!source.isEmpty()) overlay_->Draw(painter, target, source);
    return;
  }
  int x = target.left();
  for (char c : number_text_) {
    if (c < '0' || c > '9') continue;
    const QRect source = DigitSource(state, c - '0');
    if (source.isEmpty()) return;
    overlay_->Draw(painter, QRect(x, target.top(), source.width(), source.height()), source);
    x += source.width();
  }
}
