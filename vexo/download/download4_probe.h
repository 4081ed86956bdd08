// The link test of HttpDownloader4: a GET whose response headers tell the remote file's length.
// Internal to the download engine.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace download4 {

struct ProbeJob {
  std::string url;
  int timeoutMs = 5000;     // connect time-out
  int probeLimitMs = 5000;  // the whole probe ends after this
  const std::atomic<int>* stop = nullptr;  // ends the probe early when set (may be null)
  // Called with every length a successful (2xx) answer states; returns true once the length
  // is settled, which ends the probe.
  std::function<bool(std::int64_t)> onLength;
};

// Runs the probe on the calling thread.
void RunProbe(const ProbeJob& job);

}  // namespace download4
