#include "vexo/ui/dialog/message_pos.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QWheelEvent>

namespace {

struct RecordedPos {
  bool valid = false;
  QPoint global;
};

RecordedPos& Recorded() {
  static RecordedPos pos;
  return pos;
}

// Watches every event the application delivers; mouse input sets the recorded position.
class MessagePosRecorder : public QObject {
 public:
  explicit MessagePosRecorder(QObject* parent) : QObject(parent) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    switch (e->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
        Recorded().global = static_cast<QMouseEvent*>(e)->globalPosition().toPoint();
        Recorded().valid = true;
        break;
      case QEvent::Wheel:
        Recorded().global = static_cast<QWheelEvent*>(e)->globalPosition().toPoint();
        Recorded().valid = true;
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, e);
  }
};

}  // namespace

QPoint VEXO_GetMessagePos() { return Recorded().valid ? Recorded().global : QCursor::pos(); }

void VEXO_SetMessagePos(const QPoint& global) {
  Recorded().global = global;
  Recorded().valid = true;
}

void VEXO_ClearMessagePos() { Recorded().valid = false; }

void VEXO_InstallMessagePosRecorder() {
  static QPointer<QCoreApplication> installed_on;
  QCoreApplication* app = QCoreApplication::instance();
  // Filters are installed from the application's own thread; a later application (tests make
  // several) gets its own recorder, owned by it.
  if (app == nullptr || QThread::currentThread() != app->thread() || app == installed_on) return;
  installed_on = app;
  app->installEventFilter(new MessagePosRecorder(app));
}
