#include "core/thread/message_target.h"

#include <unordered_map>

namespace ds {
namespace {

// The handle table. Targets are called outside the mutex with a reference copied under it, so
// a handler may post, send, register or unregister without deadlocking and a target
// unregistered meanwhile lives until the call returns.
struct HandleTable {
  std::mutex mutex;
  std::unordered_map<MsgHandle, std::shared_ptr<MessageTarget>> targets;
  MsgHandle next = 1;  // handles are never reused
};

HandleTable& Table() {
  // Never destroyed: windows may unregister from static destructors after this unit's own.
  static HandleTable* table = new HandleTable;
  return *table;
}

std::shared_ptr<MessageTarget> Lookup(MsgHandle handle) {
  if (handle == 0) return nullptr;
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.targets.find(handle);
  return it == table.targets.end() ? nullptr : it->second;
}

}  // namespace

MessageTarget::~MessageTarget() = default;

MsgHandle RegisterMessageTarget(std::shared_ptr<MessageTarget> target) {
  if (!target) return 0;
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  MsgHandle handle = table.next++;
  table.targets.emplace(handle, std::move(target));
  return handle;
}

void UnregisterMessageTarget(MsgHandle handle) {
  std::shared_ptr<MessageTarget> released;
  {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.targets.find(handle);
    if (it == table.targets.end()) return;
    released = std::move(it->second);
    table.targets.erase(it);
  }
  // `released` may hold the last reference: the target is destroyed here, outside the mutex,
  // so its destructor may use the table itself.
}

bool IsMessageTarget(MsgHandle handle) { return Lookup(handle) != nullptr; }

int PostMessageTo(MsgHandle handle, unsigned message, WParam wparam, LParam lparam) {
  std::shared_ptr<MessageTarget> target = Lookup(handle);
  return target ? target->Post(message, wparam, lparam) : 0;
}

LResult SendMessageTo(MsgHandle handle, unsigned message, WParam wparam, LParam lparam) {
  std::shared_ptr<MessageTarget> target = Lookup(handle);
  return target ? target->Send(message, wparam, lparam) : 0;
}

// ---------------------------------------------------------------------------------------------
// RecordingTarget

int RecordingTarget::Post(unsigned message, WParam wparam, LParam lparam) {
  std::lock_guard<std::mutex> lock(mutex_);
  messages_.push_back(Message{message, wparam, lparam, false});
  return 1;
}

LResult RecordingTarget::Send(unsigned message, WParam wparam, LParam lparam) {
  std::lock_guard<std::mutex> lock(mutex_);
  messages_.push_back(Message{message, wparam, lparam, true});
  return send_result_;
}

void RecordingTarget::SetSendResult(LResult result) {
  std::lock_guard<std::mutex> lock(mutex_);
  send_result_ = result;
}

std::vector<RecordingTarget::Message> RecordingTarget::Messages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

std::vector<RecordingTarget::Message> RecordingTarget::Take() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Message> taken;
  taken.swap(messages_);
  return taken;
}

std::size_t RecordingTarget::Count(unsigned message) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::size_t count = 0;
  for (const Message& m : messages_) {
    if (m.message == message) ++count;
  }
  return count;
}

}  // namespace ds
