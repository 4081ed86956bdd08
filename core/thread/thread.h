// Thread start and join, and the millisecond tick.
#pragma once

#include <cstdint>

#include "core/export.h"

namespace ds {

struct SimpleThread;  // the platform thread behind a handle
using ThreadHandle = SimpleThread*;
using ThreadRoutine = std::uint32_t (*)(void* parameter);

// Starts routine(parameter) on a new thread. The handle belongs to the caller, who frees it
// with CloseThreadHandle. Null when the thread could not be started.
DS_API ThreadHandle CreateSimpleThread(ThreadRoutine routine, void* parameter);

// Waits without limit until the thread has ended. Does not free the handle.
DS_API void WaitThreadEnd(ThreadHandle handle);

// Waits up to `ms` milliseconds; 0 when the thread has ended, 258 on time-out.
DS_API std::uint32_t WaitThreadEnd(ThreadHandle handle, std::uint32_t ms);

// The routine's result once the thread has ended.
DS_API std::uint32_t GetThreadExitCode(ThreadHandle handle);

// Frees the handle; a thread still running goes on by itself.
DS_API void CloseThreadHandle(ThreadHandle handle);

// Milliseconds of monotonic wall time since the process started. Speeds are computed from it,
// so it keeps running while threads sleep.
DS_API std::uint32_t GetTick();

}  // namespace ds
