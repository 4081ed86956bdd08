// The window-message layer. Every window (and any object that takes numeric messages) holds a
// VEXO_MessageWindow: it registers a handle in the process-wide table of core/thread/message_target.h,
// so other parts post and send to the handle from any thread with ds::PostMessageTo /
// ds::SendMessageTo, and it delivers them on the thread that created it, in the order they were
// posted, to the virtual WindowProc. It also keeps the window's timers by id.
//
// Rules of delivery:
// - A post from any thread is queued to the owner thread; posts arrive first in, first out.
// - A send on the owner thread is a direct, re-entrant call of WindowProc. A send from another
//   thread waits until the owner thread has handled it; it returns 0 when the window goes away
//   or its thread can no longer handle events meanwhile.
// - Destroying the object unregisters the handle and drops every queued post; waiting senders
//   get 0. A derived window may call DetachMessages() first thing in its own destructor so that
//   no message reaches it half destroyed.
// Construct on the thread that runs the window's event loop, with a QCoreApplication present.
#pragma once

#include <memory>

#include "core/thread/message_target.h"
#include "vexo/export.h"

class VEXO_MessageReceiver;
class VEXO_MessageBridge;

class VEXO_API VEXO_MessageWindow {
 public:
  VEXO_MessageWindow();
  virtual ~VEXO_MessageWindow();

  // The window's handle in the message table (never 0 while attached).
  ds::MsgHandle GetHandle() const { return handle_; }

  // Messages to this window itself.
  int PostMessage(unsigned message, ds::WParam wparam = 0, ds::LParam lparam = 0);
  ds::LResult SendMessage(unsigned message, ds::WParam wparam = 0, ds::LParam lparam = 0);

  // Handles one message; the result is what a send returns. The default handles nothing and
  // returns 0.
  virtual ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam);

  // Starts timer `id` firing every `interval_ms` milliseconds (a precise timer); setting an id
  // that runs already restarts it. Returns 1, or 0 for a negative interval or when detached.
  int SetTimer(unsigned id, int interval_ms);
  // Stops timer `id`. 1 when it was running.
  int KillTimer(unsigned id);
  bool HasTimer(unsigned id) const;
  // Called on the owner thread at each tick of timer `id`; also inside nested event loops.
  virtual void OnTimer(unsigned id);

  // Unregisters the handle, stops the timers, drops queued posts and releases waiting senders
  // with 0. Idempotent; the destructor calls it.
  void DetachMessages();

  VEXO_MessageWindow(const VEXO_MessageWindow&) = delete;
  VEXO_MessageWindow& operator=(const VEXO_MessageWindow&) = delete;

 private:
  friend class VEXO_MessageReceiver;
  std::shared_ptr<VEXO_MessageBridge> bridge_;
  VEXO_MessageReceiver* receiver_ = nullptr;  // QObject on the owner thread
  ds::MsgHandle handle_ = 0;
};
