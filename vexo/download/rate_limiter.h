// One token bucket that every block of every download draws from: the global speed limit.
// Writers take their bytes after storing them; when the bucket runs dry they wait (in short
// slices, so a pause or stop still ends the transfer at once).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

#include "vexo/export.h"

class VEXO_API RateLimiter {
 public:
  // Bytes per second; 0 lifts the limit.
  void SetLimit(std::int64_t bytesPerSecond);
  std::int64_t limit() const;

  // Takes `bytes` from the bucket and waits while it is overdrawn, until `cancelled` returns
  // true. The bucket holds at most a tenth of a second's worth, so an idle moment cannot be
  // spent later as a burst.
  void Take(std::int64_t bytes, const std::function<bool()>& cancelled);

  // The limiter of the process.
  static RateLimiter& Global();

 private:
  using Clock = std::chrono::steady_clock;
  // Adds what the time since the last refill earned (under mutex_).
  void Refill(Clock::time_point now);

  mutable std::mutex mutex_;
  std::int64_t rate_ = 0;
  double tokens_ = 0;
  Clock::time_point last_{};
};
