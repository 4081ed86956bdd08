#include "vexo/ui/widgets/label.h"

#include <QPainter>

#include "vexo/ui/render/color.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/skin_font.h"

VEXO_Label::VEXO_Label(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents, true);
  VEXO_ApplySkinFont(this);
}

int VEXO_Label::Create(const char* text, unsigned style, const QRect& rect, QWidget* parent,
                       unsigned id) {
  setParent(parent);
  setGeometry(rect);
  style_ = style;
  id_ = id;
  SetWindowText(text);
  show();
  return 1;
}

void VEXO_Label::SetWindowText(const char* text) {
  text_ = QString::fromUtf8(text ? text : "");
  update();
}

std::string VEXO_Label::GetWindowText() const { return text_.toStdString(); }

void VEXO_Label::SetTextColor(std::uint32_t colour) {
  colour_ = colour;
  update();
}

void VEXO_Label::ModifyTextStyle(unsigned remove, unsigned add) {
  style_ = (style_ & ~remove) | add;
  update();
}

unsigned VEXO_Label::TextFormat() const {
  using namespace vexo_dt;
  unsigned format = DT_WORDBREAK;
  switch (style_ & 0x3) {
    case SS_CENTER: format |= DT_CENTER; break;
    case SS_RIGHT: format |= DT_RIGHT; break;
    default: break;
  }
  if (style_ & SS_CENTERIMAGE) format |= DT_VCENTER | DT_SINGLELINE;
  if (style_ & SS_NOPREFIX) format |= DT_NOPREFIX;
  if ((style_ & (SS_ENDELLIPSIS | SS_PATHELLIPSIS)) == SS_ENDELLIPSIS) format |= DT_END_ELLIPSIS;
  if ((style_ & (SS_ENDELLIPSIS | SS_PATHELLIPSIS)) == SS_PATHELLIPSIS) format |= DT_PATH_ELLIPSIS;
  return format;
}

void VEXO_Label::paintEvent(QPaintEvent*) {
  if (text_.isEmpty()) return;
  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(VEXO_ToQColor(isEnabled() ? colour_ : 0x646464u));
  VEXO_DrawText(&painter, text_, rect(), TextFormat(), VEXO_WidgetEscapement(this));
}
