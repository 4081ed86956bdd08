#include "vexo/ui/widgets/combo_box.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QApplication>
#include <QScreen>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

#include "core/text/ascii.h"
#include "core/text/text_codec.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/widgets/control_notify.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/render/render_image.h"
#include "vexo/ui/render/state_strip.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/skin_font.h"
#include "vexo/ui/widgets/combo_drop_list.h"

namespace {
constexpr int kNormal = 1;
constexpr int kHot = 2;
constexpr int kDisabled = 3;
constexpr int kPressed = 4;
// Pixels between the frame and the text, as in the edit.
constexpr int kTextPadding = 6;
}  // namespace

VEXO_ComboBox::VEXO_ComboBox(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  VEXO_ApplySkinFont(this);
}

VEXO_ComboBox::~VEXO_ComboBox() {
  WatchOwners(false);
  if (!list_) return;
  // The owner may destroy the combo box from the choice notification, which the list sends
  // from inside its own mouse or key handling: the list goes once that handling is over.
  list_->removeEventFilter(this);
  list_->hide();
  list_->deleteLater();
}

int VEXO_ComboBox::Create(unsigned style, const QRect& rect, QWidget* parent, unsigned id) {
  setParent(parent);
  setGeometry(rect);
  sorted_ = (style & CBS_SORT) != 0;
  id_ = id;
  show();
  return 1;
}

int VEXO_ComboBox::Init(VEXO_Image* frame, VEXO_Image* list_background) {
  frame_ = frame;
  list_background_ = list_background;
  update();
  return 1;
}

int VEXO_ComboBox::SetButtonImage(VEXO_Image* image, int fixsize, std::uint32_t colour) {
  button_ = std::make_unique<VEXO_RenderImage>();
  button_->Init(image);
  button_->SetTransparentColor(colour);
  button_fixsize_ = fixsize != 0;
  update();
  return 1;
}

void VEXO_ComboBox::SetTextColor(std::uint32_t colour) {
  text_colour_ = colour;
  update();
}

int VEXO_ComboBox::AddString(const char* text) {
  Item item;
  item.text = text ? text : "";
  item.gbk = ds::Utf8ToGbk(item.text);
  int index = GetCount();
  if (sorted_) {
    const auto at = std::upper_bound(items_.begin(), items_.end(), item.gbk,
                                     [](const std::string& key, const Item& other) {
                                       return key < other.gbk;
                                     });
    index = static_cast<int>(at - items_.begin());
  }
  items_.insert(items_.begin() + index, std::move(item));
  if (current_ >= index) ++current_;
  return index;
}

int VEXO_ComboBox::InsertString(int index, const char* text) {
  if (index < -1 || index > GetCount()) return CB_ERR;
  if (index == -1) index = GetCount();
  Item item;
  item.text = text ? text : "";
  item.gbk = ds::Utf8ToGbk(item.text);
  items_.insert(items_.begin() + index, std::move(item));
  if (current_ >= index) ++current_;
  return index;
}

int VEXO_ComboBox::DeleteString(int index) {
  if (index < 0 || index >= GetCount()) return CB_ERR;
  items_.erase(items_.begin() + index);
  if (current_ == index) current_ = CB_ERR;
  else if (current_ > index) --current_;
  update();
  return GetCount();
}

void VEXO_ComboBox::ResetContent() {
  items_.clear();
  current_ = CB_ERR;
  update();
}

int VEXO_ComboBox::SetCurSel(int index) {
  if (index < 0 || index >= GetCount()) {
    current_ = CB_ERR;
    update();
    return CB_ERR;
  }
  current_ = index;
  update();
  return index;
}

std::string VEXO_ComboBox::GetLBText(int index) const {
  return index >= 0 && index < GetCount() ? items_[index].text : std::string();
}

int VEXO_ComboBox::SetItemData(int index, std::uintptr_t data) {
  if (index < 0 || index >= GetCount()) return CB_ERR;
  items_[index].data = data;
  return 0;
}

std::uintptr_t VEXO_ComboBox::GetItemData(int index) const {
  return index >= 0 && index < GetCount() ? items_[index].data : 0;
}

namespace {

// GBK texts equal but for the letter case of ASCII characters. The second byte of a
// double-byte character may look like an ASCII letter; it is compared exactly.
bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x >= 0x81) {  // lead byte: it and its second byte must match exactly
      if (x != y) return false;
      if (i + 1 < a.size()) {
        ++i;
        if (a[i] != b[i]) return false;
      }
      continue;
    }
    if (ds::AsciiToLower(x) != ds::AsciiToLower(y)) return false;
  }
  return true;
}

}  // namespace

int VEXO_ComboBox::FindStringExact(int start, const char* text) const {
  const std::string wanted = ds::Utf8ToGbk(text ? text : "");
  const int count = GetCount();
  // Searches from the item after `start` round to `start` itself, letter case ignored for ASCII.
  for (int n = 1; n <= count; ++n) {
    const int index = (start + n + count) % count;
    if (SameIgnoringAsciiCase(items_[index].gbk, wanted)) return index;
  }
  return CB_ERR;
}

QRect VEXO_ComboBox::ButtonRect() const {
  VEXO_Image* image = button_ ? button_->GetImage() : nullptr;
  if (button_fixsize_ && image && !image->IsNull()) {
    const int w = image->GetWidth() / 4;
    const int h = image->GetHeight();
    return QRect(width() - w, (height() - h) / 2, w, h);
  }
  return QRect(width() - height(), 0, height(), height());
}

void VEXO_ComboBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (frame_ && !frame_->IsNull()) {
    frame_->Draw(&painter, rect(),
                 VEXO_StripCell(frame_->GetWidth(), frame_->GetHeight(), 2, isEnabled() ? 0 : 1));
  }
  VEXO_Image* image = button_ ? button_->GetImage() : nullptr;
  const QRect button = ButtonRect();
  if (image && !image->IsNull()) {
    const int state = isEnabled() ? button_state_ : kDisabled;
    button_->Draw(&painter, button,
                  VEXO_StripCell(image->GetWidth(), image->GetHeight(), 4,
                                 VEXO_ButtonStripIndex(state)));
  }
  if (current_ >= 0) {
    painter.setFont(font());
    painter.setPen(VEXO_ToQColor(isEnabled() ? text_colour_ : 0x646464u));
    VEXO_DrawText(&painter, QString::fromStdString(items_[current_].text),
                  QRect(kTextPadding, 0, button.left() - kTextPadding, height()),
                  vexo_dt::DT_SINGLELINE | vexo_dt::DT_VCENTER | vexo_dt::DT_END_ELLIPSIS |
                      vexo_dt::DT_NOPREFIX);
  }
}

void VEXO_ComboBox::SetButtonState(int state) {
  if (button_state_ == state) return;
  button_state_ = state;
  update();
}

void VEXO_ComboBox::enterEvent(QEnterEvent*) {
  if (isEnabled() && button_state_ == kNormal) SetButtonState(kHot);
}

void VEXO_ComboBox::leaveEvent(QEvent*) {
  if (isEnabled() && !GetDroppedState()) SetButtonState(kNormal);
}

void VEXO_ComboBox::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton || !isEnabled()) return;
  setFocus();
  SetButtonState(kPressed);
  ShowDropDown(!GetDroppedState());
}

void VEXO_ComboBox::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (isEnabled() && !GetDroppedState()) {
    SetButtonState(rect().contains(event->position().toPoint()) ? kHot : kNormal);
  }
}

void VEXO_ComboBox::keyPressEvent(QKeyEvent* event) {
  const bool alt = event->modifiers() & Qt::AltModifier;
  if (event->key() == Qt::Key_F4 || (alt && (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up))) {
    event->accept();
    if (isEnabled()) ShowDropDown(!GetDroppedState());
    return;
  }
  const int step = event->key() == Qt::Key_Down ? 1 : event->key() == Qt::Key_Up ? -1 : 0;
  if (step == 0 || GetCount() == 0) return QWidget::keyPressEvent(event);
  event->accept();
  const int next = std::clamp(current_ < 0 ? 0 : current_ + step, 0, GetCount() - 1);
  if (next != current_) ChooseByUser(next);
}

void VEXO_ComboBox::wheelEvent(QWheelEvent* event) { event->ignore(); }

void VEXO_ComboBox::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) {
    button_state_ = isEnabled() ? kNormal : kDisabled;
    if (!isEnabled()) ShowDropDown(false);
    update();
  }
  QWidget::changeEvent(event);
}

void VEXO_ComboBox::ChooseByUser(int index) {
  SetCurSel(index);
  VEXO_NotifyCommand(this, id_, vexo_msg::CBN_SELCHANGE);
}

void VEXO_ComboBox::ShowDropDown(bool show) {
  if (!show) {
    WatchOwners(false);
    if (list_) list_->hide();
    SetButtonState(isEnabled() ? (underMouse() ? kHot : kNormal) : kDisabled);
    return;
  }
  if (!isVisible() || !isEnabled()) return;
  if (!list_) {
    list_ = new VEXO_ComboDropList(this);
    list_->installEventFilter(this);
  }
  QStringList rows;
  for (const Item& item : items_) rows << QString::fromStdString(item.text);
  list_->setFont(font());
  list_->SetBackground(list_background_);
  list_->resize(width(), 10);
  list_->SetRows(rows, current_);
  const QSize size(width(), list_->PreferredHeight());
  // Below the box, or above it when the screen has no room below.
  QPoint at = mapToGlobal(QPoint(0, height()));
  if (QScreen* screen = this->screen()) {
    const QRect room = screen->availableGeometry();
    if (at.y() + size.height() > room.bottom() + 1 && mapToGlobal(QPoint(0, 0)).y() - size.height() >= room.top())
      at = mapToGlobal(QPoint(0, -size.height()));
  }
  list_->setGeometry(QRect(at, size));
  list_->SetRows(rows, current_);  // scrolled for the final height
  list_->show();
  list_->setFocus(Qt::PopupFocusReason);
  WatchOwners(true);
}

bool VEXO_ComboBox::GetDroppedState() const { return list_ && list_->isVisible(); }

void VEXO_ComboBox::OnDropListDone(int row) {
  ShowDropDown(false);
  if (row >= 0 && row != current_) ChooseByUser(row);  // last: the parent may destroy the box
}

void VEXO_ComboBox::WatchOwners(bool on) {
  for (const QPointer<QWidget>& widget : watched_) {
    if (widget) widget->removeEventFilter(this);
  }
  watched_.clear();
  if (!on) return;
  for (QWidget* widget = parentWidget(); widget; widget = widget->parentWidget()) {
    widget->installEventFilter(this);
    watched_.emplace_back(widget);
    if (widget->isWindow()) break;
  }
}

void VEXO_ComboBox::focusOutEvent(QFocusEvent* event) {
  // Focus passing to the dropped list is no loss.
  if (event->reason() != Qt::PopupFocusReason && GetDroppedState() &&
      QApplication::focusWidget() != list_) {
    ShowDropDown(false);
  }
  QWidget::focusOutEvent(event);
}

void VEXO_ComboBox::hideEvent(QHideEvent* event) {
  if (GetDroppedState()) ShowDropDown(false);
  QWidget::hideEvent(event);
}

bool VEXO_ComboBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_) {
    if (event->type() == QEvent::Hide) {
      WatchOwners(false);
      SetButtonState(isEnabled() ? (underMouse() ? kHot : kNormal) : kDisabled);
    }
    return QWidget::eventFilter(watched, event);
  }
  // The window (or a page between it and the box) moved, changed size, went away or lost
  // activation: the list would hang in the air.
  switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Hide:
    case QEvent::WindowDeactivate:
      if (GetDroppedState() && !(event->type() == QEvent::WindowDeactivate &&
                                 QApplication::activeWindow() == list_)) {
        ShowDropDown(false);
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}
