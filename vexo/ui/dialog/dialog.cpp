#include "vexo/ui/dialog/dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "vexo/ui/render/image.h"
#include "vexo/ui/render/render_image.h"
#include "vexo/ui/render/render_image9.h"
#include "vexo/ui/widgets/skin_scroll_wnd.h"

namespace {

// Input a disabled window does not take. Entering counts: a control under a blocked window must
// not light up or play its hover sound. Leaving passes, so a look can still go back to normal.
bool IsInputEvent(QEvent::Type type) {
  switch (type) {
    case QEvent::Enter:
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
      return true;
    default:
      return false;
  }
}

}  // namespace

VEXO_Dialog::VEXO_Dialog(QWidget* parent, Kind kind) : QWidget(parent), kind_(kind) {
  if (kind == kTopLevel) setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
}

VEXO_Dialog::~VEXO_Dialog() {
  // No message may reach a half-destroyed window.
  DetachMessages();
  if (input_blocked_ && qApp) qApp->removeEventFilter(this);
  if (loop_) loop_->exit(IDCANCEL);
}

int VEXO_Dialog::SetImage(VEXO_Image* image) {
  auto renderer = std::make_unique<VEXO_RenderImage>();
  renderer->Init(image);
  renderer_ = std::move(renderer);
  title_height_ = 0;
  update();
  return 1;
}

int VEXO_Dialog::SetImage(VEXO_Image* image, int x1, int x2, int y1, int y2) {
  auto renderer = std::make_unique<VEXO_RenderImage9>();
  renderer->Init(image, x1, x2, y1, y2);
  renderer_ = std::move(renderer);
  title_height_ = y1;
  update();
  return 1;
}

void VEXO_Dialog::DrawBackground(QPainter* painter) {
  if (renderer_) renderer_->Draw(painter, rect());
}

void VEXO_Dialog::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  DrawBackground(&painter);
}

int VEXO_Dialog::Transparent(std::uint32_t colour, int, int) {
  if (!renderer_ || !renderer_->GetImage() || renderer_->GetImage()->IsNull()) return 0;
  transparent_colour_ = colour;
  const QRegion region = renderer_->CreateRgn(rect(), colour, colour);
  setMask(region);
  return 1;
}

int VEXO_Dialog::TransparentPng() {
  if (!renderer_ || !renderer_->GetImage() || renderer_->GetImage()->IsNull()) return 0;
  const QRegion region = renderer_->CreateRgnBt(rect(), 0xFF00FF, 0xFF00FF, 1);
  setMask(region);
  return 1;
}

void VEXO_Dialog::ShowMaxSize() {
  saved_rect_ = geometry();
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  setGeometry(screen->availableGeometry());
}

int VEXO_Dialog::SafeGetClientRect(QWidget* window, QRect& rect) const {
  if (!window) {
    rect = QRect();
    return 0;
  }
  rect = window->rect();
  return 1;
}

int VEXO_Dialog::SafeGetClientRect(unsigned id, QRect& rect) const {
  return SafeGetClientRect(Resolve(id), rect);
}

int VEXO_Dialog::SafeMoveWindow(QWidget* window, int x, int y, int w, int h) {
  if (!window) return 0;
  if (w < 0 || h < 0) {
    w = 0;
    h = 0;
  }
  window->setGeometry(x, y, w, h);
  window->update();
  return 1;
}

int VEXO_Dialog::SafeMoveWindow(unsigned id, int x, int y, int w, int h) {
  return SafeMoveWindow(Resolve(id), x, y, w, h);
}

QWidget* VEXO_Dialog::Resolve(unsigned id) const {
  QWidget* widget = FindWidget(id);
  // A window wrapped in skinned scroll bars has given its place, and its id, to the frame.
  if (CSkinScrollWnd* frame = CSkinScrollWnd::FrameOf(widget)) return frame;
  return widget;
}

int VEXO_Dialog::AddWidget(unsigned id, QWidget* widget) {
  widgets_[id] = widget;
  return 1;
}

int VEXO_Dialog::RemoveWidget(unsigned id) {
  widgets_.erase(id);
  return 1;
}

QWidget* VEXO_Dialog::FindWidget(unsigned id) const {
  const auto found = widgets_.find(id);
  return found == widgets_.end() ? nullptr : found->second.data();
}

int VEXO_Dialog::Init(const char* name, int modal) {
  if (!name) return 0;
  layout_ = name;
  return loader_.Load(name, this, modal);
}

int VEXO_Dialog::OnInitDialog() {
  if (!layout_.empty()) loader_.LoadWidget(layout_.c_str(), this);
  return 1;
}

void VEXO_Dialog::InitOnce() {
  if (initialised_) return;
  initialised_ = true;
  OnInitDialog();
}

int VEXO_Dialog::Create() {
  InitOnce();
  show();
  return 1;
}

int VEXO_Dialog::DoModal() {
  if (loop_) return -1;  // already running
  result_ = 0;
  ended_ = false;
  QPointer<VEXO_Dialog> self(this);
  InitOnce();
  // The initialisation may end the dialog (or destroy it) before the loop starts.
  if (!self) return IDCANCEL;
  if (ended_) return result_;
  QEventLoop loop;
  loop_ = &loop;
  show();
  raise();
  activateWindow();
  const int code = loop.exec();
  // EndDialog may have come from a handler that destroyed the window.
  if (self) loop_ = nullptr;
  return code;
}

void VEXO_Dialog::EndDialog(int code) {
  result_ = code;
  ended_ = true;
  hide();
  if (loop_) loop_->exit(code);
}

void VEXO_Dialog::OnClose() { EndDialog(IDCANCEL); }

void VEXO_Dialog::EnableWindow(bool enable) {
  if (enable == !input_blocked_) return;
  input_blocked_ = !enable;
  if (input_blocked_) {
    qApp->installEventFilter(this);
  } else {
    qApp->removeEventFilter(this);
  }
}

bool VEXO_Dialog::eventFilter(QObject* watched, QEvent* event) {
  if (input_blocked_ && watched->isWidgetType() && IsInputEvent(event->type())) {
    // This window and its controls only; windows it owns (message boxes) stay usable.
    auto* widget = static_cast<QWidget*>(watched);
    if (widget == this || (isAncestorOf(widget) && widget->window() == window())) return true;
  }
  return QWidget::eventFilter(watched, event);
}

void VEXO_Dialog::mousePressEvent(QMouseEvent* event) {
  QWidget::mousePressEvent(event);
  if (kind_ == kTopLevel && event->button() == Qt::LeftButton) {
    drag_armed_ = true;
    dragging_manually_ = false;
    drag_press_ = event->globalPosition().toPoint();
    drag_origin_ = pos();
  }
}

void VEXO_Dialog::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  if (!drag_armed_ || !(event->buttons() & Qt::LeftButton)) return;
  const QPoint delta = event->globalPosition().toPoint() - drag_press_;
  if (dragging_manually_) {
    move(drag_origin_ + delta);
    return;
  }
  if (delta.manhattanLength() < QApplication::startDragDistance()) return;
  // The window manager moves the window; where it cannot, the window follows the mouse.
  if (windowHandle() && windowHandle()->startSystemMove()) {
    drag_armed_ = false;
  } else {
    dragging_manually_ = true;
    move(drag_origin_ + delta);
  }
}

void VEXO_Dialog::mouseReleaseEvent(QMouseEvent* event) {
  QWidget::mouseReleaseEvent(event);
  drag_armed_ = false;
  dragging_manually_ = false;
}

void VEXO_Dialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    OnClose();
    return;
  }
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void VEXO_Dialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  OnClose();
}
