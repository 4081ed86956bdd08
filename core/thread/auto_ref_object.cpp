#include "core/thread/auto_ref_object.h"

namespace ds {

AutoRefObject::AutoRefObject() : count_(1) {}

AutoRefObject::~AutoRefObject() = default;

int AutoRefObject::Acquire() { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }

int AutoRefObject::Release() {
  const int remaining = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (remaining == 0) delete this;
  return remaining;
}

int AutoRefObject::RefCount() const { return count_.load(std::memory_order_relaxed); }

}  // namespace ds
