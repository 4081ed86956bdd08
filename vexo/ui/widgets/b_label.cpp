#include "vexo/ui/widgets/b_label.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/render/render_image.h"
#include "vexo/ui/render/render_image9.h"
#include "vexo/ui/render/skin_font.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/control_notify.h"

// The skin font comes with the label.
VEXO_BLabel::VEXO_BLabel(QWidget* parent) : VEXO_Label(parent), bk_colour_(VEXO_CLR_NONE) {}

VEXO_BLabel::~VEXO_BLabel() = default;

int VEXO_BLabel::Create(const char* text, unsigned style, const QRect& rect, QWidget* parent,
                        unsigned id) {
  VEXO_Label::Create(text, style, rect, parent, id);
  SetNotify((style & SS_NOTIFY) != 0);
  return 1;
}

void VEXO_BLabel::SetNotify(bool on) {
  ModifyTextStyle(on ? 0 : SS_NOTIFY, on ? SS_NOTIFY : 0);
  setAttribute(Qt::WA_TransparentForMouseEvents, !on);
  setMouseTracking(on);
  if (!on) SetHot(false);
}

void VEXO_BLabel::SetBkColor(std::uint32_t colour) {
  bk_colour_ = colour;
  update();
}

void VEXO_BLabel::SetBkImage(VEXO_Image* image) {
  bk_.reset();
  if (image) {
    bk_ = std::make_unique<VEXO_RenderImage>();
    bk_->Init(image);
  }
  update();
}

void VEXO_BLabel::SetBkImage(VEXO_Image* image, int x1, int x2, int y1, int y2) {
  bk_.reset();
  if (image) {
    auto renderer = std::make_unique<VEXO_RenderImage9>();
    renderer->Init(image, x1, x2, y1, y2);
    bk_ = std::move(renderer);
  }
  update();
}

void VEXO_BLabel::SetFontName(const char* name) {
  VEXO_SetWidgetFont(this, name ? VEXO_ResourceMgr::Instance()->GetFont(name) : nullptr);
}

void VEXO_BLabel::SetHotColor(std::uint32_t colour) {
  hot_colour_ = colour;
  update();
}

void VEXO_BLabel::SetHot(bool hot) {
  if (hot == hot_) return;
  hot_ = hot;
  update();
}

void VEXO_BLabel::DrawBackground(QPainter* painter) {
  if (bk_colour_ != VEXO_CLR_NONE) painter->fillRect(rect(), VEXO_ToQColor(bk_colour_));
  if (bk_) bk_->Draw(painter, rect());
}

void VEXO_BLabel::PrepareText(QPainter* painter) {
  QFont f = font();
  if (hot_) f.setUnderline(true);
  painter->setFont(f);
  std::uint32_t colour = GetTextColor();
  if (!isEnabled()) colour = 0x646464;
  else if (hot_) colour = hot_colour_;
  painter->setPen(VEXO_ToQColor(colour));
}

void VEXO_BLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  DrawBackground(&painter);
  if (GetText().isEmpty()) return;
  PrepareText(&painter);
  VEXO_DrawText(&painter, GetText(), rect(), TextFormat(), VEXO_WidgetEscapement(this));
}

void VEXO_BLabel::enterEvent(QEnterEvent* event) {
  SetHot((GetStyle() & SS_NOTIFY) && isEnabled());
  VEXO_Label::enterEvent(event);
}

void VEXO_BLabel::leaveEvent(QEvent* event) {
  SetHot(false);
  VEXO_Label::leaveEvent(event);
}

void VEXO_BLabel::mousePressEvent(QMouseEvent* event) {
  // Without SS_NOTIFY the press belongs to whatever lies under the label.
  if (!(GetStyle() & SS_NOTIFY)) return event->ignore();
  event->accept();
  pressed_ = event->button() == Qt::LeftButton;
}

void VEXO_BLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (!(GetStyle() & SS_NOTIFY)) return event->ignore();
  event->accept();
  const bool click = pressed_ && event->button() == Qt::LeftButton &&
                     rect().contains(event->position().toPoint());
  pressed_ = false;
  // Last thing done: the parent may destroy the label while it handles the click.
  if (click) VEXO_NotifyCommand(this, GetId(), vexo_msg::STN_CLICKED);
}

void VEXO_BLabel::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!(GetStyle() & SS_NOTIFY)) return event->ignore();
  event->accept();
  if (event->button() == Qt::LeftButton) VEXO_NotifyCommand(this, GetId(), vexo_msg::STN_DBLCLK);
}

void VEXO_BLabel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange && !isEnabled()) SetHot(false);
  VEXO_Label::changeEvent(event);
}
