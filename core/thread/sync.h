// Locks and semaphores shared by every threaded part of the program.
#pragma once

#include <cstdint>
#include <mutex>

#include "core/export.h"

namespace ds {

constexpr std::uint32_t kWaitInfinite = 0xFFFFFFFFu;
constexpr std::uint32_t kWaitObject0 = 0;
constexpr std::uint32_t kWaitTimeout = 258;

// A lock whose operations do nothing; the base of every lock.
class DS_API LockBase {
 public:
  virtual ~LockBase();
  virtual void Lock();
  virtual void Unlock();
};

// A recursive lock: the owning thread may lock it again and unlocks it as often.
class DS_API SimpleLock : public LockBase {
 public:
  SimpleLock();
  ~SimpleLock() override;
  void Lock() override;
  void Unlock() override;
  std::recursive_mutex* GetCoreSection() { return &mutex_; }
  operator std::recursive_mutex*() { return &mutex_; }

  SimpleLock(const SimpleLock&) = delete;
  SimpleLock& operator=(const SimpleLock&) = delete;

 private:
  std::recursive_mutex mutex_;
};

// Locks for the lifetime of the guard; a null lock is left alone.
class DS_API LockGuard {
 public:
  explicit LockGuard(LockBase* lock);
  ~LockGuard();
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  LockBase* lock_;
};

struct SemaphoreCore;  // the platform object behind a semaphore handle
using SemaphoreHandle = SemaphoreCore*;

// A semaphore holding at most one signal.
class DS_API SimpleSemaphore {
 public:
  SimpleSemaphore();
  ~SimpleSemaphore();
  // 0 when signalled (the signal is consumed), 258 when `ms` passed first. 0xFFFFFFFF waits forever.
  std::uint32_t Wait(std::uint32_t ms);
  // Non-zero when the signal was set, 0 when it was already set.
  int Release();
  SemaphoreHandle GetCoreSmp() const { return core_; }
  operator SemaphoreHandle() const { return core_; }

  SimpleSemaphore(const SimpleSemaphore&) = delete;
  SimpleSemaphore& operator=(const SimpleSemaphore&) = delete;

 private:
  SemaphoreHandle core_;
};

// A wait over several semaphores, for any one of them or for all of them at once.
class DS_API SemaphoreGroup {
 public:
  static constexpr int kMaxWaitObjects = 64;

  explicit SemaphoreGroup(int capacity = 0);
  ~SemaphoreGroup();
  void Init(int capacity);
  // Appends the semaphore; returns 0 when the group is full.
  int Push(SimpleSemaphore* semaphore);
  // Any: 0 + index of the semaphore taken. All: 0 once every semaphore was taken together.
  // 258 on time-out; 0xFFFFFFFF (wait failed) for an empty group.
  std::uint32_t Wait(int wait_all, std::uint32_t ms);
  void Fini();

  SemaphoreGroup(const SemaphoreGroup&) = delete;
  SemaphoreGroup& operator=(const SemaphoreGroup&) = delete;

 private:
  SemaphoreHandle* handles_ = nullptr;
  int capacity_ = 0;
  int count_ = 0;
};

}  // namespace ds
