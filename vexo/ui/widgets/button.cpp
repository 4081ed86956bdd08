#include "vexo/ui/widgets/button.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "vexo/ui/widgets/bc_menu.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/widgets/control_notify.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/render/render_image.h"
#include "vexo/ui/render/render_image9.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/render/state_strip.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/skin_font.h"
#include "vexo/ui/widgets/notify_guard.h"

namespace {

constexpr std::uint32_t kDisabledText = 0x646464;

bool IsPressKey(int key) {
  return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter ||
         key == Qt::Key_Select;
}

}  // namespace

VEXO_Button::VEXO_Button(QWidget* parent) : QAbstractButton(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  VEXO_ApplySkinFont(this);
  connect(this, &QAbstractButton::clicked, this, [this] { OnClicked(); });
}

VEXO_Button::~VEXO_Button() = default;

int VEXO_Button::Create(const char* text, const QRect& rect, QWidget* parent, unsigned id) {
  setParent(parent);
  setGeometry(rect);
  setText(QString::fromUtf8(text ? text : ""));
  id_ = id;
  show();
  return 1;
}

void VEXO_Button::ApplyRenderer(std::unique_ptr<VEXO_RenderImage> renderer, VEXO_Image* image,
                                int fixsize, std::uint32_t colour) {
  renderer->SetTransparentColor(colour);
  renderer_ = std::move(renderer);
  state_ = isEnabled() ? kNormal : kDisabled;
  if (fixsize && image && !image->IsNull()) {
    resize(image->GetWidth() / StateCount(), image->GetHeight());
  }
  update();
}

int VEXO_Button::SetImage(VEXO_Image* image, int fixsize, std::uint32_t colour) {
  auto renderer = std::make_unique<VEXO_RenderImage>();
  renderer->Init(image);
  ApplyRenderer(std::move(renderer), image, fixsize, colour);
  return 1;
}

int VEXO_Button::SetImage(VEXO_Image* image, int x1, int x2, int y1, int y2, int fixsize,
                          std::uint32_t colour) {
  auto renderer = std::make_unique<VEXO_RenderImage9>();
  renderer->Init(image, x1, x2, y1, y2);
  ApplyRenderer(std::move(renderer), image, fixsize, colour);
  return 1;
}

int VEXO_Button::SetImageEx(VEXO_Image* image, int shaped, std::uint32_t colour) {
  SetImage(image, shaped, colour);
  if (!shaped) return 1;
  if (!image || image->IsNull()) return 0;
  resize(image->GetWidth() / StateCount(), image->GetHeight());
  const QRegion region = renderer_->CreateRgnBt(rect(), colour, colour, StateCount());
  if (region.isEmpty()) return 0;
  setMask(region);
  shaped_ = true;
  return 1;
}

void VEXO_Button::SetButtonFontColor(std::uint32_t colour) {
  text_colour_ = colour;
  update();
}

int VEXO_Button::SetMenu(const BCMenuItem* items, int count, ds::MsgHandle owner, bool redraw) {
  menu_owner_ = owner;
  int result = 0;
  if (!items || count <= 0) {
    menu_.reset();
  } else {
    auto menu = std::make_unique<BCMenu>();
    if (menu->LoadMenu(items, count)) {
      menu_ = std::move(menu);
    } else {
      menu_.reset();
      result = 1;
    }
  }
  if (redraw) update();
  return result;
}

void VEXO_Button::SetMenuCallback(ds::MsgHandle window, unsigned message, ds::LParam parameter) {
  callback_window_ = window;
  callback_message_ = message;
  callback_parameter_ = parameter;
}

QRect VEXO_Button::StateSource(int state) const {
  VEXO_Image* image = renderer_ ? renderer_->GetImage() : nullptr;
  if (!image || image->IsNull()) return QRect();
  const int states = StateCount();
  const int index = states >= 4 ? VEXO_ButtonStripIndex(state) : 0;
  return VEXO_StripCell(image->GetWidth(), image->GetHeight(), states, index);
}

QSize VEXO_Button::sizeHint() const {
  const QRect source = StateSource(kNormal);
  return source.isEmpty() ? QSize(75, 23) : source.size();
}

void VEXO_Button::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  int state = state_;
  if (!isEnabled()) state = kDisabled;
  else if (showing_menu_) state = kPressed;
  DrawButton(&painter, state);
}

void VEXO_Button::DrawButton(QPainter* painter, int state) {
  if (renderer_) {
    const QRect source = StateSource(state);
    if (!source.isEmpty()) renderer_->Draw(painter, rect(), source);
  }
  DrawCaption(painter, state);
}

void VEXO_Button::DrawCaption(QPainter* painter, int state) {
  if (text().isEmpty()) return;
  painter->setPen(VEXO_ToQColor(state == kDisabled ? kDisabledText : text_colour_));
  painter->setFont(font());
  VEXO_DrawText(painter, text(), rect(), vexo_dt::kCentredLine, VEXO_WidgetEscapement(this));
}

void VEXO_Button::SetState(int state) {
  if (state_ == state) return;
  state_ = state;
  update();
}

void VEXO_Button::BecomeHot() {
  const bool was_on = mouse_on_;
  mouse_on_ = true;
  if (!isEnabled()) return;
  if (state_ == kNormal) SetState(kHot);
  if (!was_on && play_sound_ && !sound_.empty() && resources_) resources_->Sound(sound_.c_str());
}

void VEXO_Button::enterEvent(QEnterEvent* event) {
  BecomeHot();
  QAbstractButton::enterEvent(event);
}

void VEXO_Button::leaveEvent(QEvent* event) {
  mouse_on_ = false;
  if (isEnabled()) SetState(kNormal);
  update();
  QAbstractButton::leaveEvent(event);
}

void VEXO_Button::mouseMoveEvent(QMouseEvent* event) {
  if (state_ == kNormal && rect().contains(event->position().toPoint())) BecomeHot();
  QAbstractButton::mouseMoveEvent(event);
}

void VEXO_Button::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && isEnabled()) SetState(kPressed);
  QAbstractButton::mousePressEvent(event);
}

void VEXO_Button::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && isEnabled()) {
    const bool inside = rect().contains(event->position().toPoint());
    mouse_on_ = inside;
    SetState(inside ? kHot : kNormal);
  }
  // Default handling last: the click it reports may close or hide the button's window.
  QAbstractButton::mouseReleaseEvent(event);
}

void VEXO_Button::keyPressEvent(QKeyEvent* event) {
  if (IsPressKey(event->key())) {
    event->accept();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

void VEXO_Button::keyReleaseEvent(QKeyEvent* event) {
  if (IsPressKey(event->key())) {
    event->accept();
    return;
  }
  QAbstractButton::keyReleaseEvent(event);
}

void VEXO_Button::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) {
    state_ = isEnabled() ? kNormal : kDisabled;
    repaint();
  }
  QAbstractButton::changeEvent(event);
}

void VEXO_Button::OnClicked() {
  if (menu_ && !menu_->IsEmpty()) {
    ShowMenu();
    return;
  }
  VEXO_NotifyCommand(this, id_, vexo_msg::BN_CLICKED);
}

void VEXO_Button::ShowMenu() {
  // The callback and the menu's own loop may destroy the button.
  VEXO_NotifyGuard guard(this);
  setFocus();
  showing_menu_ = true;
  update();
  if (callback_window_ != 0) {
    ds::SendMessageTo(callback_window_, callback_message_,
                      reinterpret_cast<ds::WParam>(menu_.get()), callback_parameter_);
    if (!guard) return;
  }
  // The callback may have removed the menu.
  const ds::MsgHandle owner = menu_owner_;
  const unsigned command = menu_ ? menu_->TrackPopupMenu(mapToGlobal(rect().bottomLeft())) : 0;
  if (command != 0 && owner != 0) {
    ds::PostMessageTo(owner, vexo_msg::WM_COMMAND, vexo_msg::MakeWParam(command, 0), 0);
  }
  if (!guard) return;
  showing_menu_ = false;
  mouse_on_ = underMouse();
  if (isEnabled()) state_ = mouse_on_ ? kHot : kNormal;
  update();
}
