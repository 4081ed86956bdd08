#include "core/thread/thread.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "core/thread/sync.h"

namespace ds {

// Shared between the handle and the running thread, so either may go first.
struct ThreadState {
  std::mutex mutex;
  std::condition_variable ended_cv;
  bool ended = false;
  std::uint32_t exit_code = 0;
};

struct SimpleThread {
  std::thread thread;
  std::shared_ptr<ThreadState> state;
};

ThreadHandle CreateSimpleThread(ThreadRoutine routine, void* parameter) {
  if (routine == nullptr) return nullptr;
  auto handle = std::make_unique<SimpleThread>();
  handle->state = std::make_shared<ThreadState>();
  try {
    handle->thread = std::thread([routine, parameter, state = handle->state] {
      std::uint32_t code = routine(parameter);
      std::lock_guard<std::mutex> hold(state->mutex);
      state->exit_code = code;
      state->ended = true;
      state->ended_cv.notify_all();
    });
  } catch (...) {
    return nullptr;
  }
  return handle.release();
}

void WaitThreadEnd(ThreadHandle handle) { WaitThreadEnd(handle, kWaitInfinite); }

std::uint32_t WaitThreadEnd(ThreadHandle handle, std::uint32_t ms) {
  if (handle == nullptr) return kWaitObject0;
  std::unique_lock<std::mutex> hold(handle->state->mutex);
  auto ended = [&] { return handle->state->ended; };
  if (ms == kWaitInfinite) {
    handle->state->ended_cv.wait(hold, ended);
  } else if (!handle->state->ended_cv.wait_for(hold, std::chrono::milliseconds(ms), ended)) {
    return kWaitTimeout;
  }
  return kWaitObject0;
}

std::uint32_t GetThreadExitCode(ThreadHandle handle) {
  if (handle == nullptr) return 0;
  std::lock_guard<std::mutex> hold(handle->state->mutex);
  return handle->state->exit_code;
}

void CloseThreadHandle(ThreadHandle handle) {
  if (handle == nullptr) return;
  if (handle->thread.joinable()) {
    bool ended;
    {
      std::lock_guard<std::mutex> hold(handle->state->mutex);
      ended = handle->state->ended;
    }
    // An ended thread is joined so its resources go now; a running one continues detached.
    if (ended && handle->thread.get_id() != std::this_thread::get_id()) {
      handle->thread.join();
    } else {
      handle->thread.detach();
    }
  }
  delete handle;
}

std::uint32_t GetTick() {
  static const auto start = std::chrono::steady_clock::now();
  auto elapsed = std::chrono::steady_clock::now() - start;
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

namespace {
// Fixes the tick's origin when the library loads rather than at the first call.
[[maybe_unused]] const std::uint32_t kTickOrigin = GetTick();
}  // namespace

}  // namespace ds
