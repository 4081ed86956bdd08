#include "vexo/ui/widgets/tab_ctrl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "vexo/ui/render/color.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/render/render_image9.h"
#include "vexo/ui/render/skin_font.h"
#include "vexo/ui/render/state_strip.h"
#include "vexo/ui/widgets/control_notify.h"
#include "vexo/ui/widgets/notify_guard.h"

namespace {
constexpr int kTabPadding = 14;
constexpr int kMinTabWidth = 56;
}  // namespace

VEXO_TabCtrl::VEXO_TabCtrl(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  VEXO_ApplySkinFont(this);
}

VEXO_TabCtrl::~VEXO_TabCtrl() = default;

int VEXO_TabCtrl::Create(const QRect& rect, QWidget* parent, unsigned id) {
  setParent(parent);
  setGeometry(rect);
  id_ = id;
  show();
  return 1;
}

int VEXO_TabCtrl::Init(VEXO_Image* image, int x1, int x2, int y1, int y2) {
  renderer_ = std::make_unique<VEXO_RenderImage9>();
  renderer_->Init(image, x1, x2, y1, y2);
  LayoutPages();
  update();
  return 1;
}

void VEXO_TabCtrl::SetTextColor(std::uint32_t normal, std::uint32_t selected) {
  text_colour_ = normal;
  selected_colour_ = selected;
  update();
}

int VEXO_TabCtrl::StripHeight() const {
  VEXO_Image* image = renderer_ ? renderer_->GetImage() : nullptr;
  if (image && !image->IsNull()) return image->GetHeight();
  return QFontMetrics(font()).height() + 8;
}

QRect VEXO_TabCtrl::GetPageRect() const {
  const int strip = StripHeight();
  return QRect(0, strip, width(), std::max(0, height() - strip));
}

QRect VEXO_TabCtrl::GetItemRect(int index) const {
  if (index < 0 || index >= GetItemCount()) return QRect();
  const QFontMetrics metrics(font());
  int x = 0;
  for (int i = 0;; ++i) {
    const int w = std::max(kMinTabWidth, metrics.horizontalAdvance(tabs_[i].title) + 2 * kTabPadding);
    if (i == index) return QRect(x, 0, w, StripHeight());
    x += w;
  }
}

int VEXO_TabCtrl::HitTest(const QPoint& point) const {
  for (int i = 0; i < GetItemCount(); ++i) {
    if (GetItemRect(i).contains(point)) return i;
  }
  return -1;
}

QWidget* VEXO_TabCtrl::GetPage(int index) const {
  return index >= 0 && index < GetItemCount() ? tabs_[index].page : nullptr;
}

std::string VEXO_TabCtrl::GetItemText(int index) const {
  return index >= 0 && index < GetItemCount() ? tabs_[index].title.toStdString() : std::string();
}

int VEXO_TabCtrl::AddPage(const char* title, QWidget* page) {
  tabs_.push_back({QString::fromUtf8(title ? title : ""), page});
  if (page) {
    page->setParent(this);
    page->hide();
  }
  if (current_ < 0) current_ = 0;
  LayoutPages();
  ShowCurrentPage();
  update();
  return GetItemCount() - 1;
}

int VEXO_TabCtrl::RemovePage(int index) {
  if (index < 0 || index >= GetItemCount()) return 0;
  if (QWidget* page = tabs_[index].page) page->hide();
  tabs_.erase(tabs_.begin() + index);
  if (hot_ == index) hot_ = -1;
  else if (hot_ > index) --hot_;
  if (current_ >= index) current_ = std::max(current_ == index ? index - 1 : current_ - 1,
                                             GetItemCount() > 0 ? 0 : -1);
  ShowCurrentPage();
  update();
  return 1;
}

int VEXO_TabCtrl::SetCurSel(int index) {
  if (index < 0 || index >= GetItemCount()) return -1;
  const int previous = current_;
  current_ = index;
  ShowCurrentPage();
  update();
  return previous;
}

void VEXO_TabCtrl::LayoutPages() {
  const QRect area = GetPageRect();
  for (const Tab& tab : tabs_) {
    if (tab.page) tab.page->setGeometry(area);
  }
}

void VEXO_TabCtrl::ShowCurrentPage() {
  for (int i = 0; i < GetItemCount(); ++i) {
    if (QWidget* page = tabs_[i].page) page->setVisible(i == current_);
  }
}

void VEXO_TabCtrl::ChangeSelection(int index) {
  if (index < 0 || index >= GetItemCount() || index == current_) return;
  VEXO_NotifyGuard guard(this);
  VEXO_NMHDR changing;
  changing.code = vexo_msg::TCN_SELCHANGING;
  const ds::LResult veto = VEXO_NotifyParent(this, id_, &changing);
  // The parent may have destroyed the control, or removed tabs, while it decided.
  if (!guard || veto != 0 || index >= GetItemCount()) return;
  SetCurSel(index);
  VEXO_NMHDR change;
  change.code = vexo_msg::TCN_SELCHANGE;
  VEXO_NotifyParent(this, id_, &change);
}

void VEXO_TabCtrl::SetHot(int index) {
  if (index == hot_) return;
  hot_ = index;
  update();
}

void VEXO_TabCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  VEXO_Image* image = renderer_ ? renderer_->GetImage() : nullptr;
  const bool skinned = image && !image->IsNull();
  const int strip = StripHeight();
  int right = 0;
  for (int i = 0; i < GetItemCount(); ++i) {
    const QRect tab = GetItemRect(i);
    right = tab.right() + 1;
    const bool selected = i == current_;
    if (skinned) {
      renderer_->Draw(&painter, tab, VEXO_StripCell(image->GetWidth(), image->GetHeight(), 2, selected ? 1 : 0));
    }
    std::uint32_t colour = selected || i == hot_ ? selected_colour_ : text_colour_;
    if (!isEnabled()) colour = 0x646464;
    painter.setPen(VEXO_ToQColor(colour));
    VEXO_DrawText(&painter, tabs_[i].title, tab.adjusted(4, selected ? 1 : 3, -4, 0),
                  vexo_dt::kCentredLine | vexo_dt::DT_NOPREFIX | vexo_dt::DT_END_ELLIPSIS);
  }
  // The base line of the other tabs runs on to the right edge.
  if (skinned && right < width()) {
    const QRect source = VEXO_StripCell(image->GetWidth(), image->GetHeight(), 2, 0);
    image->Draw(&painter, QRect(right, strip - 1, width() - right, 1),
                QRect(source.center().x(), source.bottom(), 1, 1));
  }
}

void VEXO_TabCtrl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayoutPages();
}

void VEXO_TabCtrl::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  ChangeSelection(HitTest(event->position().toPoint()));
}

void VEXO_TabCtrl::mouseMoveEvent(QMouseEvent* event) {
  SetHot(!isEnabled() ? -1 : HitTest(event->position().toPoint()));
  QWidget::mouseMoveEvent(event);
}

void VEXO_TabCtrl::leaveEvent(QEvent* event) {
  SetHot(-1);
  QWidget::leaveEvent(event);
}

void VEXO_TabCtrl::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
    event->accept();
    const int step = event->key() == Qt::Key_Left ? -1 : 1;
    ChangeSelection(current_ + step);
    return;
  }
  QWidget::keyPressEvent(event);
}

void VEXO_TabCtrl::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    update();
  } else if (event->type() == QEvent::EnabledChange && !isEnabled()) {
    hot_ = -1;
    update();
  }
  QWidget::changeEvent(event);
}
