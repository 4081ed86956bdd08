#include "vexo/ui/widgets/skin_scroll_wnd.h"

#include <QAbstractScrollArea>
#include <QScrollBar>
#include <QTimerEvent>

#include "vexo/ui/widgets/list_ctrl.h"
#include "vexo/ui/widgets/skin_scroll_bar.h"
#include "vexo/ui/dialog/window_messages.h"

VEXO_ScrollBarLink::VEXO_ScrollBarLink(CSkinScrollBar* skin, QScrollBar* bar, QObject* parent)
    : QObject(parent), skin_(skin), bar_(bar) {
  connect(bar, &QScrollBar::rangeChanged, this, [this] { Sync(); });
  connect(bar, &QScrollBar::valueChanged, this, [this] { Sync(); });
  connect(skin, &CSkinScrollBar::scrolled, this, [this](int code, int pos) { Apply(code, pos); });
  Sync();
}

void VEXO_ScrollBarLink::Sync() {
  if (!skin_ || !bar_) return;
  const int page = std::max(1, bar_->pageStep());
  skin_->SetScrollInfo(bar_->minimum(), bar_->maximum() + page - 1, page, bar_->value());
}

void VEXO_ScrollBarLink::Apply(int code, int pos) {
  if (!bar_) return;
  switch (code) {
    case vexo_msg::SB_LINEUP: bar_->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case vexo_msg::SB_LINEDOWN: bar_->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case vexo_msg::SB_PAGEUP: bar_->triggerAction(QAbstractSlider::SliderPageStepSub); break;
    case vexo_msg::SB_PAGEDOWN: bar_->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
    case vexo_msg::SB_THUMBTRACK:
    case vexo_msg::SB_THUMBPOSITION: bar_->setValue(pos); break;
    case vexo_msg::SB_TOP: bar_->setValue(bar_->minimum()); break;
    case vexo_msg::SB_BOTTOM: bar_->setValue(bar_->maximum()); break;
    default: break;
  }
  Sync();
}

CSkinScrollBar* VEXO_MakeSkinBar(Qt::Orientation orientation, QWidget* holder,
                                 QAbstractScrollArea* window, VEXO_ScrollBarLink** link) {
  const bool vertical = orientation == Qt::Vertical;
  auto* bar = new CSkinScrollBar(orientation, holder);
  bar->SetId(vertical ? CSkinScrollWnd::kVertId : CSkinScrollWnd::kHorzId);
  bar->SetScrolledWindow(window);
  if (vertical) window->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  else window->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  *link = new VEXO_ScrollBarLink(bar, vertical ? window->verticalScrollBar() : window->horizontalScrollBar(), holder);
  return bar;
}

CSkinScrollWnd::CSkinScrollWnd() { setObjectName(QStringLiteral("SkinScrollBarFrame")); }

CSkinScrollWnd::~CSkinScrollWnd() = default;

int CSkinScrollWnd::SkinWindow(QAbstractScrollArea* window, VEXO_Image* image) {
  if (!window || window_) return 0;
  window_ = window;
  setParent(window->parentWidget());
  setGeometry(window->geometry());
  setProperty("controlId", window->property("controlId"));
  // The frame takes the window's place, and with it its control id.
  if (auto* list = qobject_cast<VEXO_ListCtrl*>(window)) id_ = list->GetId();
  else id_ = window->property("controlId").toUInt();
  limit_ = new QWidget(this);
  limit_->setObjectName(QStringLiteral("LIMIT"));
  limit_->setProperty("controlId", kLimitId);
  window->setParent(limit_);
  horz_ = VEXO_MakeSkinBar(Qt::Horizontal, this, window, &horz_link_);
  horz_->SetBitmap(image);
  vert_ = VEXO_MakeSkinBar(Qt::Vertical, this, window, &vert_link_);
  vert_->SetBitmap(image);
  connect(window->horizontalScrollBar(), &QScrollBar::rangeChanged, this, [this] { Layout(); });
  connect(window->verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] { Layout(); });
  window->show();
  limit_->show();
  show();
  Layout();
  timer_.start(500, this);
  return 1;
}

CSkinScrollWnd* CSkinScrollWnd::FrameOf(const QWidget* window) {
  QWidget* limit = window ? window->parentWidget() : nullptr;
  auto* frame = limit ? qobject_cast<CSkinScrollWnd*>(limit->parentWidget()) : nullptr;
  return frame && frame->GetLimit() == limit && frame->GetWindow() == window ? frame : nullptr;
}

bool CSkinScrollWnd::IssbHorzShow() const { return horz_ && !horz_->isHidden(); }
bool CSkinScrollWnd::IssbVertShow() const { return vert_ && !vert_->isHidden(); }
int CSkinScrollWnd::GetHorzWidth() const { return IssbVertShow() ? vert_->width() : 0; }

void CSkinScrollWnd::Resync() {
  if (horz_link_) horz_link_->Sync();
  if (vert_link_) vert_link_->Sync();
  Layout();
}

void CSkinScrollWnd::Layout() {
  if (!window_ || !limit_) return;
  QScrollBar* h = window_->horizontalScrollBar();
  QScrollBar* v = window_->verticalScrollBar();
  const bool show_v = v->maximum() > v->minimum();
  const bool show_h = h->maximum() > h->minimum();
  const int vw = show_v ? vert_->GetThickness() : 0;
  const int hh = show_h ? horz_->GetThickness() : 0;
  limit_->setGeometry(0, 0, std::max(0, width() - vw), std::max(0, height() - hh));
  window_->setGeometry(limit_->rect());
  vert_->setVisible(show_v);
  horz_->setVisible(show_h);
  if (show_v) vert_->setGeometry(width() - vw, 0, vw, height() - hh);
  if (show_h) horz_->setGeometry(0, height() - hh, width() - vw, hh);
}

void CSkinScrollWnd::resizeEvent(QResizeEvent*) { Layout(); }

void CSkinScrollWnd::timerEvent(QTimerEvent* event) {
  if (event->timerId() != timer_.timerId()) return QWidget::timerEvent(event);
  Resync();
}

CSkinScrollWnd* SkinWndScrollimg(QAbstractScrollArea* window, VEXO_Image* image) {
  if (!window) return nullptr;
  auto* frame = new CSkinScrollWnd;
  if (!frame->SkinWindow(window, image)) {
    delete frame;
    return nullptr;
  }
  return frame;
}
