#include "vexo/ui/widgets/skin_scroll_bar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <QWheelEvent>
#include <algorithm>

#include "vexo/ui/widgets/control_notify.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/dialog/message_window.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/widgets/notify_guard.h"

namespace {
constexpr int kMinThumb = 8;
constexpr int kRepeatDelayMs = 300;
constexpr int kRepeatMs = 60;
constexpr int kLinesPerNotch = 3;
}  // namespace

CSkinScrollBar::CSkinScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation) {
  setMouseTracking(true);
}

CSkinScrollBar::~CSkinScrollBar() = default;

int CSkinScrollBar::Create(Qt::Orientation orientation, const QRect& rect, QWidget* parent,
                           unsigned id) {
  orientation_ = orientation;
  setParent(parent);
  setGeometry(rect);
  id_ = id;
  show();
  return 1;
}

void CSkinScrollBar::SetBitmap(VEXO_Image* image) {
  image_ = image;
  update();
}

void CSkinScrollBar::SetScrollInfo(int min, int max, int page, int pos, bool redraw) {
  min_ = min;
  max_ = std::max(min, max);
  page_ = std::max(0, page);
  pos_ = std::clamp(pos, min_, std::max(min_, GetScrollLimit()));
  if (redraw) update();
}

void CSkinScrollBar::SetScrollRange(int min, int max, bool redraw) {
  SetScrollInfo(min, max, page_, pos_, redraw);
}

int CSkinScrollBar::SetScrollPos(int pos, bool redraw) {
  const int old = pos_;
  pos_ = std::clamp(pos, min_, std::max(min_, GetScrollLimit()));
  if (redraw) update();
  return old;
}

int CSkinScrollBar::GetScrollLimit() const {
  return page_ > 0 ? std::max(min_, max_ - page_ + 1) : max_;
}

int CSkinScrollBar::GetThickness() const {
  if (!image_ || image_->IsNull()) return 16;
  return IsVertical() ? image_->GetWidth() / 9 : image_->GetHeight() / 3;
}

int CSkinScrollBar::ArrowLength() const {
  if (!image_ || image_->IsNull()) return 16;
  return IsVertical() ? image_->GetHeight() / 3 : image_->GetWidth() / 9;
}

int CSkinScrollBar::TrackLength() const {
  const int length = IsVertical() ? height() : width();
  return std::max(0, length - 2 * ArrowLength());
}

int CSkinScrollBar::ThumbLength() const {
  const int track = TrackLength();
  const int range = max_ - min_ + 1;
  int thumb = page_ > 0 ? static_cast<int>(static_cast<long long>(track) * page_ / range)
                        : ArrowLength();
  thumb = std::max(thumb, std::min(kMinThumb, track));
  return std::min(thumb, track);
}

int CSkinScrollBar::PositionAtOffset(int offset) const {
  const int room = TrackLength() - ThumbLength();
  const int limit = GetScrollLimit();
  if (room <= 0 || limit <= min_) return min_;
  offset = std::clamp(offset, 0, room);
  return min_ + static_cast<int>((static_cast<long long>(offset) * (limit - min_) + room / 2) / room);
}

QRect CSkinScrollBar::PartRect(int part) const {
  const int arrow = ArrowLength();
  const int length = IsVertical() ? height() : width();
  const int thick = IsVertical() ? width() : height();
  const int track = TrackLength();
  const int thumb = ThumbLength();
  const int limit = GetScrollLimit();
  const int shown = tracking_ ? track_pos_ : pos_;
  const int room = track - thumb;
  const int thumb_at =
      arrow + (limit > min_ && room > 0
                   ? static_cast<int>(static_cast<long long>(shown - min_) * room / (limit - min_))
                   : 0);
  int from = 0;
  int size = 0;
  switch (part) {
    case kArrow1: from = 0; size = std::min(arrow, length / 2); break;
    case kArrow2: size = std::min(arrow, length / 2); from = length - size; break;
    case kThumb: from = thumb_at; size = thumb; break;
    case kTrack1: from = arrow; size = thumb_at - arrow; break;
    case kTrack2: from = thumb_at + thumb; size = arrow + track - from; break;
    default: return QRect();
  }
  if (size <= 0) return QRect();
  return IsVertical() ? QRect(0, from, thick, size) : QRect(from, 0, size, thick);
}

int CSkinScrollBar::PartAt(const QPoint& pos) const {
  for (int part : {kArrow1, kArrow2, kThumb, kTrack1, kTrack2}) {
    if (PartRect(part).contains(pos)) return part;
  }
  return kNone;
}

QRect CSkinScrollBar::CellSource(int column, int look) const {
  const int w = image_->GetWidth() / 9;
  const int h = image_->GetHeight() / 3;
  return QRect((IsVertical() ? column : column + 4) * w, look * h, w, h);
}

void CSkinScrollBar::paintEvent(QPaintEvent*) {
  if (!image_ || image_->IsNull()) return;
  QPainter painter(this);
  const auto look = [this](int part) {
    if (pressed_part_ == part) return 2;
    return hot_part_ == part ? 1 : 0;
  };
  // Track over the whole length between the arrows; the pressed half shows pressed.
  const int arrow = ArrowLength();
  const QRect track = IsVertical() ? QRect(0, arrow, width(), TrackLength())
                                   : QRect(arrow, 0, TrackLength(), height());
  image_->Draw(&painter, track, CellSource(3, 0));
  for (int part : {kTrack1, kTrack2}) {
    if (pressed_part_ == part) image_->Draw(&painter, PartRect(part), CellSource(3, 2));
  }
  image_->Draw(&painter, PartRect(kArrow1), CellSource(0, look(kArrow1)));
  image_->Draw(&painter, PartRect(kArrow2), CellSource(1, look(kArrow2)));
  if (max_ > min_ && GetScrollLimit() > min_) {
    image_->Draw(&painter, PartRect(kThumb), CellSource(2, look(kThumb)));
  }
}

int CSkinScrollBar::CodeForPart(int part) const {
  switch (part) {
    case kArrow1: return vexo_msg::SB_LINEUP;
    case kArrow2: return vexo_msg::SB_LINEDOWN;
    case kTrack1: return vexo_msg::SB_PAGEUP;
    case kTrack2: return vexo_msg::SB_PAGEDOWN;
    default: return -1;
  }
}

void CSkinScrollBar::SetScrolledWindow(QWidget* window) {
  owned_by_window_ = true;
  scrolled_window_ = window;
}

bool CSkinScrollBar::Notify(int code, int pos) {
  VEXO_NotifyGuard guard(this);
  emit scrolled(code, pos);
  if (!guard) return false;
  VEXO_MessageWindow* target =
      owned_by_window_ ? dynamic_cast<VEXO_MessageWindow*>(scrolled_window_.data())
                       : VEXO_FindParentWindow(this);
  if (target) {
    target->SendMessage(IsVertical() ? vexo_msg::WM_VSCROLL : vexo_msg::WM_HSCROLL,
                        vexo_msg::MakeWParam(static_cast<unsigned>(code),
                                             static_cast<unsigned>(pos)),
                        reinterpret_cast<ds::LParam>(this));
  }
  return static_cast<bool>(guard);
}

void CSkinScrollBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  event->accept();
  const QPoint at = event->position().toPoint();
  pressed_part_ = PartAt(at);
  if (pressed_part_ == kThumb) {
    tracking_ = true;
    track_pos_ = pos_;
    const QRect thumb = PartRect(kThumb);
    drag_offset_ = IsVertical() ? at.y() - thumb.top() : at.x() - thumb.left();
  } else if (pressed_part_ != kNone) {
    if (!Notify(CodeForPart(pressed_part_), pos_)) return;
    repeat_.start(kRepeatDelayMs, Qt::PreciseTimer, this);
  }
  update();
}

void CSkinScrollBar::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (tracking_) {
    const int offset = (IsVertical() ? at.y() : at.x()) - drag_offset_ - ArrowLength();
    const int pos = PositionAtOffset(offset);
    if (pos != track_pos_) {
      track_pos_ = pos;
      if (!Notify(vexo_msg::SB_THUMBTRACK, pos)) return;
      update();
    }
    return;
  }
  const int part = PartAt(at);
  if (part != hot_part_) {
    hot_part_ = part;
    update();
  }
}

void CSkinScrollBar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  repeat_.stop();
  const int pressed = pressed_part_;
  pressed_part_ = kNone;
  update();
  if (tracking_) {
    tracking_ = false;
    if (!Notify(vexo_msg::SB_THUMBPOSITION, track_pos_)) return;
  }
  if (pressed != kNone) Notify(vexo_msg::SB_ENDSCROLL, pos_);
}

void CSkinScrollBar::leaveEvent(QEvent*) {
  hot_part_ = kNone;
  update();
}

void CSkinScrollBar::wheelEvent(QWheelEvent* event) {
  event->accept();
  wheel_delta_ += event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
  bool moved = false;
  while (wheel_delta_ >= 120 || wheel_delta_ <= -120) {
    moved = true;
    const bool up = wheel_delta_ > 0;
    wheel_delta_ += up ? -120 : 120;
    for (int i = 0; i < kLinesPerNotch; ++i) {
      if (!Notify(up ? vexo_msg::SB_LINEUP : vexo_msg::SB_LINEDOWN, pos_)) return;
    }
  }
  if (moved) Notify(vexo_msg::SB_ENDSCROLL, pos_);
}

void CSkinScrollBar::timerEvent(QTimerEvent* event) {
  if (event->timerId() != repeat_.timerId()) return QWidget::timerEvent(event);
  repeat_.start(kRepeatMs, Qt::PreciseTimer, this);
  const QPoint at = mapFromGlobal(QCursor::pos());
  // Page steps stop once the thumb has reached the cursor.
  if (pressed_part_ != kNone && PartAt(at) == pressed_part_) {
    Notify(CodeForPart(pressed_part_), pos_);
  }
}
