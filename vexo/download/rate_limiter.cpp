#include "vexo/download/rate_limiter.h"

#include <algorithm>
#include <thread>

namespace {
constexpr double kBurstSeconds = 0.1;
constexpr auto kLongestWait = std::chrono::milliseconds(50);
}  // namespace

void RateLimiter::SetLimit(std::int64_t bytesPerSecond) {
  std::lock_guard<std::mutex> hold(mutex_);
  const std::int64_t rate = std::max<std::int64_t>(bytesPerSecond, 0);
  if (rate == rate_) return;
  rate_ = rate;
  tokens_ = 0;
  last_ = Clock::now();
}

std::int64_t RateLimiter::limit() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return rate_;
}

void RateLimiter::Refill(Clock::time_point now) {
  const double seconds = std::chrono::duration<double>(now - last_).count();
  last_ = now;
  if (seconds > 0) tokens_ = std::min(tokens_ + seconds * static_cast<double>(rate_),
                                      kBurstSeconds * static_cast<double>(rate_));
}

void RateLimiter::Take(std::int64_t bytes, const std::function<bool()>& cancelled) {
  std::chrono::duration<double> wait{0};
  {
    std::lock_guard<std::mutex> hold(mutex_);
    if (rate_ <= 0) return;
    Refill(Clock::now());
    tokens_ -= static_cast<double>(bytes);
    // The debt is paid by waiting; later takers wait behind it, so the sum keeps the rate.
    if (tokens_ < 0) wait = std::chrono::duration<double>(-tokens_ / static_cast<double>(rate_));
  }
  const auto until = Clock::now() + std::chrono::duration_cast<Clock::duration>(wait);
  while (Clock::now() < until) {
    if (cancelled && cancelled()) return;
    const auto left = until - Clock::now();
    std::this_thread::sleep_for(std::min<Clock::duration>(left, kLongestWait));
  }
}

RateLimiter& RateLimiter::Global() {
  static RateLimiter limiter;
  return limiter;
}
