#include "core/thread/singleton.h"

namespace ds {

SingletonBase::~SingletonBase() = default;

SingletonRegistry::SingletonRegistry() = default;

SingletonRegistry::~SingletonRegistry() { DestroyAll(); }

void SingletonRegistry::Add(int priority, SingletonBase* instance, void (*forget)()) {
  std::lock_guard<std::mutex> hold(mutex_);
  // multimap keeps equal keys in insertion order, which is the creation order.
  entries_.emplace(priority, Entry{instance, forget});
}

void SingletonRegistry::Remove(int priority, SingletonBase* instance) {
  std::lock_guard<std::mutex> hold(mutex_);
  auto range = entries_.equal_range(priority);
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second.instance == instance) {
      entries_.erase(it);
      return;
    }
  }
}

void SingletonRegistry::DestroyAll() {
  // One at a time and without the lock held: a destructor may itself use another singleton.
  for (;;) {
    Entry entry;
    {
      std::lock_guard<std::mutex> hold(mutex_);
      if (entries_.empty()) return;
      entry = entries_.begin()->second;
      entries_.erase(entries_.begin());
    }
    if (entry.forget) entry.forget();
    delete entry.instance;
  }
}

int SingletonRegistry::Count() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return static_cast<int>(entries_.size());
}

}  // namespace ds
