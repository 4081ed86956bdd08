#include "vexo/ui/dialog/message_window.h"

#include <QBasicTimer>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>
#include <QTimerEvent>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

#include "vexo/ui/dialog/message_pos.h"
#include "vexo/ui/dialog/window_messages.h"

namespace {

// One send waiting for the owner thread.
struct PendingSend {
  std::mutex mutex;
  std::condition_variable done_cv;
  bool done = false;
  ds::LResult result = 0;

  void Complete(ds::LResult value) {
    std::lock_guard<std::mutex> lock(mutex);
    if (done) return;
    result = value;
    done = true;
    done_cv.notify_all();
  }
};

QEvent::Type MessageEventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

class MessageEvent : public QEvent {
 public:
  MessageEvent(unsigned message, ds::WParam wparam, ds::LParam lparam,
               std::shared_ptr<PendingSend> pending)
      : QEvent(MessageEventType()),
        message(message),
        wparam(wparam),
        lparam(lparam),
        pending(std::move(pending)) {}
  unsigned message;
  ds::WParam wparam;
  ds::LParam lparam;
  std::shared_ptr<PendingSend> pending;  // null for a post
};

}  // namespace

// Lives on the owner thread: turns queued events and timer ticks into calls on the window.
class VEXO_MessageReceiver : public QObject {
 public:
  explicit VEXO_MessageReceiver(VEXO_MessageWindow* owner) : owner_(owner) {}

  VEXO_MessageWindow* owner_;
  std::map<unsigned, QBasicTimer> timers_;
  int dispatching_ = 0;

 protected:
  bool event(QEvent* e) override {
    if (e->type() == MessageEventType()) {
      auto* m = static_cast<MessageEvent*>(e);
      ds::LResult result = 0;
      if (owner_ != nullptr) {
        ++dispatching_;
        result = owner_->WindowProc(m->message, m->wparam, m->lparam);
        --dispatching_;
      }
      if (m->pending) m->pending->Complete(result);
      return true;
    }
    return QObject::event(e);
  }

  void timerEvent(QTimerEvent* e) override {
    if (owner_ == nullptr) return;
    for (auto& entry : timers_) {
      if (entry.second.timerId() == e->timerId()) {
        const unsigned id = entry.first;  // the handler may change the map
        ++dispatching_;
        owner_->OnTimer(id);
        --dispatching_;
        return;
      }
    }
  }
};

// The table entry of a window: the one object other threads reach. It forwards to the receiver
// while the window is attached.
class VEXO_MessageBridge : public ds::MessageTarget {
 public:
  VEXO_MessageBridge(VEXO_MessageWindow* window, VEXO_MessageReceiver* receiver)
      : window_(window), receiver_(receiver), thread_(receiver->thread()) {}

  int Post(unsigned message, ds::WParam wparam, ds::LParam lparam) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (receiver_ == nullptr) return 0;
    QCoreApplication::postEvent(receiver_, new MessageEvent(message, wparam, lparam, nullptr));
    return 1;
  }

  ds::LResult Send(unsigned message, ds::WParam wparam, ds::LParam lparam) override {
    std::unique_lock<std::mutex> lock(mutex_);
    if (receiver_ == nullptr) return 0;
    if (QThread::currentThread() == thread_) {
      VEXO_MessageWindow* window = window_;
      lock.unlock();
      return window->WindowProc(message, wparam, lparam);
    }
    if (QCoreApplication::instance() == nullptr || QCoreApplication::closingDown()) return 0;
    auto pending = std::make_shared<PendingSend>();
    pending_.push_back(pending);
    QCoreApplication::postEvent(receiver_, new MessageEvent(message, wparam, lparam, pending));
    lock.unlock();

    {
      std::unique_lock<std::mutex> wait(pending->mutex);
      // Wakes now and then to notice an application that is shutting down: its loop will not
      // handle the send any more.
      while (!pending->done) {
        if (pending->done_cv.wait_for(wait, std::chrono::milliseconds(100)) ==
                std::cv_status::timeout &&
            (QCoreApplication::instance() == nullptr || QCoreApplication::closingDown())) {
          pending->done = true;
          pending->result = 0;
        }
      }
    }
    lock.lock();
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
      if (*it == pending) {
        pending_.erase(it);
        break;
      }
    }
    return pending->result;
  }

  void Detach() {
    std::vector<std::shared_ptr<PendingSend>> waiting;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      receiver_ = nullptr;
      window_ = nullptr;
      waiting.swap(pending_);
    }
    for (auto& p : waiting) p->Complete(0);
  }

 private:
  std::mutex mutex_;
  VEXO_MessageWindow* window_;
  VEXO_MessageReceiver* receiver_;
  QThread* thread_;
  std::vector<std::shared_ptr<PendingSend>> pending_;
};

VEXO_MessageWindow::VEXO_MessageWindow() {
  VEXO_InstallMessagePosRecorder();
  receiver_ = new VEXO_MessageReceiver(this);
  bridge_ = std::make_shared<VEXO_MessageBridge>(this, receiver_);
  handle_ = ds::RegisterMessageTarget(bridge_);
}

VEXO_MessageWindow::~VEXO_MessageWindow() { DetachMessages(); }

void VEXO_MessageWindow::DetachMessages() {
  if (receiver_ == nullptr) return;
  ds::UnregisterMessageTarget(handle_);
  handle_ = 0;
  bridge_->Detach();
  receiver_->owner_ = nullptr;
  receiver_->timers_.clear();  // stops them
  // Deleting the receiver drops its queued posts. Inside one of its own handlers it goes once
  // control is back in the event loop; nothing reaches the window meanwhile.
  if (receiver_->dispatching_ > 0)
    receiver_->deleteLater();
  else
    delete receiver_;
  receiver_ = nullptr;
}

int VEXO_MessageWindow::PostMessage(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  return bridge_->Post(message, wparam, lparam);
}

ds::LResult VEXO_MessageWindow::SendMessage(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  return bridge_->Send(message, wparam, lparam);
}

ds::LResult VEXO_MessageWindow::WindowProc(unsigned, ds::WParam, ds::LParam) { return 0; }

int VEXO_MessageWindow::SetTimer(unsigned id, int interval_ms) {
  if (receiver_ == nullptr || interval_ms < 0) return 0;
  receiver_->timers_[id].start(interval_ms, Qt::PreciseTimer, receiver_);
  return 1;
}

int VEXO_MessageWindow::KillTimer(unsigned id) {
  if (receiver_ == nullptr) return 0;
  auto it = receiver_->timers_.find(id);
  if (it == receiver_->timers_.end()) return 0;
  receiver_->timers_.erase(it);
  return 1;
}

bool VEXO_MessageWindow::HasTimer(unsigned id) const {
  return receiver_ != nullptr && receiver_->timers_.count(id) != 0;
}

void VEXO_MessageWindow::OnTimer(unsigned id) { WindowProc(vexo_msg::WM_TIMER, id, 0); }
