// Numeric window messages between the parts of the program. A window (or anything that takes
// messages) implements MessageTarget and registers itself for an integer handle; senders address
// handles, so a message to a window that is gone returns 0 at once instead of touching freed
// memory.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "core/export.h"

namespace ds {

using MsgHandle = std::intptr_t;  // 0 is never a live handle
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

class DS_API MessageTarget {
 public:
  virtual ~MessageTarget();
  // Queues the message for the target's own thread; non-zero when it was queued.
  virtual int Post(unsigned message, WParam wparam, LParam lparam) = 0;
  // Handles the message and returns the handler's result; from another thread this waits until
  // the target's thread has handled it. 0 when the target can no longer handle messages.
  virtual LResult Send(unsigned message, WParam wparam, LParam lparam) = 0;
};

// The process-wide table of handles. Calls on a handle hold a reference to its target, so a
// target unregistered meanwhile is destroyed only after the call returns.
DS_API MsgHandle RegisterMessageTarget(std::shared_ptr<MessageTarget> target);
DS_API void UnregisterMessageTarget(MsgHandle handle);
DS_API bool IsMessageTarget(MsgHandle handle);
DS_API int PostMessageTo(MsgHandle handle, unsigned message, WParam wparam, LParam lparam);
DS_API LResult SendMessageTo(MsgHandle handle, unsigned message, WParam wparam, LParam lparam);

// A target for tests: records every message with how it arrived, from any thread.
class DS_API RecordingTarget : public MessageTarget {
 public:
  struct Message {
    unsigned message;
    WParam wparam;
    LParam lparam;
    bool sent;  // true for Send, false for Post
  };

  int Post(unsigned message, WParam wparam, LParam lparam) override;
  LResult Send(unsigned message, WParam wparam, LParam lparam) override;
  // The value Send returns (1 unless changed).
  void SetSendResult(LResult result);
  std::vector<Message> Messages() const;
  // Removes and returns what was recorded so far.
  std::vector<Message> Take();
  std::size_t Count(unsigned message) const;

 private:
  mutable std::mutex mutex_;
  std::vector<Message> messages_;
  LResult send_result_ = 1;
};

}  // namespace ds
