#include "vexo/ui/widgets/edit.h"

#include <QKeyEvent>
#include <QPainter>
#include <QValidator>

#include "core/text/text_codec.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/widgets/control_notify.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/render/state_strip.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/skin_font.h"
#include "vexo/ui/widgets/notify_guard.h"

namespace {

// Pixels between the skin frame and the text on either side.
constexpr int kTextPadding = 4;

// Refuses text longer than the edit's limit in GBK bytes.
class GbkLimitValidator : public QValidator {
 public:
  GbkLimitValidator(QObject* parent, int limit) : QValidator(parent), limit_(limit) {}
  State validate(QString& input, int&) const override {
    if (limit_ <= 0) return Acceptable;
    const std::string utf8 = input.toStdString();
    return ds::GbkByteLength(utf8) <= static_cast<std::size_t>(limit_) ? Acceptable : Invalid;
  }

 private:
  int limit_;
};

}  // namespace

VEXO_Edit::VEXO_Edit(QWidget* parent) : QLineEdit(parent) {
  setFrame(false);
  setAttribute(Qt::WA_MacShowFocusRect, false);
  VEXO_ApplySkinFont(this);
  // Text keeps clear of the frame drawn by the skin image.
  setTextMargins(kTextPadding, 0, kTextPadding, 0);
  ApplyColours();
  connect(this, &QLineEdit::textChanged, this, [this] { OnTextChanged(); });
}

VEXO_Edit::~VEXO_Edit() = default;

int VEXO_Edit::Create(const QRect& rect, QWidget* parent, unsigned id) {
  setParent(parent);
  setGeometry(rect);
  id_ = id;
  show();
  return 1;
}

int VEXO_Edit::Init(VEXO_Image* image) {
  image_ = image;
  update();
  return 1;
}

void VEXO_Edit::SetTextColor(std::uint32_t normal, std::uint32_t disabled) {
  normal_colour_ = normal;
  disabled_colour_ = disabled;
  ApplyColours();
}

void VEXO_Edit::SetLimitText(int bytes) {
  limit_ = bytes > 0 ? bytes : 0;
  const QValidator* old = validator();
  setValidator(limit_ > 0 ? new GbkLimitValidator(this, limit_) : nullptr);
  delete old;
}

void VEXO_Edit::SetWindowText(const char* text) {
  BeginChange();
  setText(QString::fromUtf8(text ? text : ""));
  EndChange();
}

void VEXO_Edit::OnTextChanged() {
  change_pending_ = true;
  // A change from outside any event or text call of ours (a plain setText) is told at once.
  if (handling_ == 0) SendChangeNotifications();
}

void VEXO_Edit::EndChange() {
  if (--handling_ == 0) SendChangeNotifications();
}

void VEXO_Edit::SendChangeNotifications() {
  if (!change_pending_) return;
  change_pending_ = false;
  VEXO_NotifyGuard guard(this);
  Notify(vexo_msg::EN_UPDATE);
  if (guard) Notify(vexo_msg::EN_CHANGE);
}

bool VEXO_Edit::event(QEvent* event) {
  // The line edit's own code runs on after it reports a change; the parent hears of it once that
  // code is done with the edit.
  VEXO_NotifyGuard guard(this);
  BeginChange();
  const bool result = QLineEdit::event(event);
  if (guard) EndChange();
  return result;
}

std::string VEXO_Edit::GetWindowText() const { return text().toStdString(); }

void VEXO_Edit::ApplyColours() {
  QPalette palette = this->palette();
  const bool grey = !isEnabled() || isReadOnly();
  const QColor colour = VEXO_ToQColor(grey ? disabled_colour_ : normal_colour_);
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Text, colour);
    palette.setColor(group, QPalette::Base, Qt::transparent);
    palette.setColor(group, QPalette::Window, Qt::transparent);
  }
  setPalette(palette);
  update();
}

void VEXO_Edit::paintEvent(QPaintEvent* event) {
  if (image_ && !image_->IsNull()) {
    QPainter painter(this);
    const QRect source =
        VEXO_StripCell(image_->GetWidth(), image_->GetHeight(), 2, isEnabled() ? 0 : 1);
    image_->DrawSmooth(&painter, rect(), source);
  }
  QLineEdit::paintEvent(event);
}

void VEXO_Edit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    Notify(VEXO_EN_RETURN);
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void VEXO_Edit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  Notify(vexo_msg::EN_SETFOCUS);
}

void VEXO_Edit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  Notify(vexo_msg::EN_KILLFOCUS);
}

void VEXO_Edit::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::EnabledChange || event->type() == QEvent::ReadOnlyChange) {
    ApplyColours();
  }
}

void VEXO_Edit::Notify(int code) { VEXO_NotifyCommand(this, id_, code); }
