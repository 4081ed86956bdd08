#include "vexo/ui/dialog/message_pos.h"

#include <QAbstractEventDispatcher>
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

// Watches every event the application delivers: mouse input sets the recorded position; events
// that do not come from the mouse being handled end it (timer ticks, posted messages and queued
// calls), and so does every new pass of the event loop.
class MessagePosRecorder : public QObject {
 public:
  explicit MessagePosRecorder(QCoreApplication* app) : QObject(app) {
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(app->thread())) {
      connect(dispatcher, &QAbstractEventDispatcher::awake, this, [] { Recorded().valid = false; });
      connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [] { Recorded().valid = false; });
    }
  }

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
      case QEvent::Timer:
      case QEvent::MetaCall:
        Recorded().valid = false;
        break;
      default:
        // Posted window messages travel as events of the registered (user) range.
        if (e->type() >= QEvent::User && e->type() <= QEvent::MaxUser) Recorded().valid = false;
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
