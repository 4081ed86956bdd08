#include "core/thread/sync.h"

#include <chrono>
#include <condition_variable>

namespace ds {

LockBase::~LockBase() = default;
void LockBase::Lock() {}
void LockBase::Unlock() {}

SimpleLock::SimpleLock() = default;
SimpleLock::~SimpleLock() = default;
void SimpleLock::Lock() { mutex_.lock(); }
void SimpleLock::Unlock() { mutex_.unlock(); }

LockGuard::LockGuard(LockBase* lock) : lock_(lock) {
  if (lock_) lock_->Lock();
}

LockGuard::~LockGuard() {
  if (lock_) lock_->Unlock();
}

// Every semaphore shares one mutex and condition variable. That makes a wait over several
// semaphores (and "wait for all at once") a simple predicate under one lock; the program has a
// handful of semaphores, so waking every waiter on a release costs nothing that matters.
struct SemaphoreCore {
  bool signalled = false;
};

namespace {

std::mutex& SemaphoreMutex() {
  static std::mutex m;
  return m;
}

std::condition_variable& SemaphoreCondition() {
  static std::condition_variable cv;
  return cv;
}

// Waits under `hold` until `ready()` or the time-out; true when ready.
template <class Ready>
bool WaitFor(std::unique_lock<std::mutex>& hold, std::uint32_t ms, Ready ready) {
  auto& cv = SemaphoreCondition();
  if (ms == kWaitInfinite) {
    cv.wait(hold, ready);
    return true;
  }
  return cv.wait_for(hold, std::chrono::milliseconds(ms), ready);
}

}  // namespace

SimpleSemaphore::SimpleSemaphore() : core_(new SemaphoreCore) {}

SimpleSemaphore::~SimpleSemaphore() {
  std::lock_guard<std::mutex> hold(SemaphoreMutex());
  delete core_;
}

std::uint32_t SimpleSemaphore::Wait(std::uint32_t ms) {
  std::unique_lock<std::mutex> hold(SemaphoreMutex());
  if (!WaitFor(hold, ms, [this] { return core_->signalled; })) return kWaitTimeout;
  core_->signalled = false;
  return kWaitObject0;
}

int SimpleSemaphore::Release() {
  {
    std::lock_guard<std::mutex> hold(SemaphoreMutex());
    if (core_->signalled) return 0;
    core_->signalled = true;
  }
  SemaphoreCondition().notify_all();
  return 1;
}

SemaphoreGroup::SemaphoreGroup(int capacity) { Init(capacity); }

SemaphoreGroup::~SemaphoreGroup() { Fini(); }

void SemaphoreGroup::Init(int capacity) {
  Fini();
  if (capacity <= 0) return;
  handles_ = new SemaphoreHandle[capacity]();
  capacity_ = capacity;
}

int SemaphoreGroup::Push(SimpleSemaphore* semaphore) {
  if (semaphore == nullptr || count_ >= capacity_ || count_ >= kMaxWaitObjects) return 0;
  handles_[count_++] = semaphore->GetCoreSmp();
  return 1;
}

std::uint32_t SemaphoreGroup::Wait(int wait_all, std::uint32_t ms) {
  if (count_ == 0) return 0xFFFFFFFFu;
  std::unique_lock<std::mutex> hold(SemaphoreMutex());
  if (wait_all) {
    auto all = [this] {
      for (int i = 0; i < count_; ++i)
        if (!handles_[i]->signalled) return false;
      return true;
    };
    if (!WaitFor(hold, ms, all)) return kWaitTimeout;
    for (int i = 0; i < count_; ++i) handles_[i]->signalled = false;
    return kWaitObject0;
  }
  int taken = -1;
  auto any = [this, &taken] {
    for (int i = 0; i < count_; ++i) {
      if (handles_[i]->signalled) {
        taken = i;
        return true;
      }
    }
    return false;
  };
  if (!WaitFor(hold, ms, any)) return kWaitTimeout;
  handles_[taken]->signalled = false;
  return kWaitObject0 + static_cast<std::uint32_t>(taken);
}

void SemaphoreGroup::Fini() {
  delete[] handles_;
  handles_ = nullptr;
  capacity_ = 0;
  count_ = 0;
}

}  // namespace ds
