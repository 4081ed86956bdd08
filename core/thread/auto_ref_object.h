// Base of objects shared by reference count: created with one reference, destroyed through the
// virtual destructor when the last reference is released.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/export.h"

namespace ds {

class DS_API AutoRefObject {
 public:
  AutoRefObject();
  virtual ~AutoRefObject();

  // Adds one reference; returns the new count.
  int Acquire();
  // Drops one reference; returns the new count. At 0 the object is deleted: do not touch it
  // afterwards.
  int Release();
  int RefCount() const;

  AutoRefObject(const AutoRefObject&) = delete;
  AutoRefObject& operator=(const AutoRefObject&) = delete;

 private:
  std::atomic<std::int32_t> count_;
};

}  // namespace ds
