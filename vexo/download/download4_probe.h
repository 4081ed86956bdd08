// The link test of HttpDownloader4: a GET for "bytes=0-" whose answer's headers tell the remote
// file's length, whether ranges are served and the file's validator. Internal to the engine.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "vexo/download/download4_curl.h"

namespace download4 {

struct ProbeJob {
  RequestSettings request;
  // Longest wait for the first byte of each answer (each redirect's included): a server that
  // accepts the connection and then says nothing.
  int firstByteTimeoutMs = 30000;
  const std::atomic<int>* stop = nullptr;  // ends the probe early when set (may be null)
};

struct ProbeResult {
  bool answered = false;     // the final answer was 2xx
  int status = 0;            // the last status line's code (0: none arrived)
  bool ranged = false;       // 206 with a Content-Range of a known total: ranges are served
  std::int64_t length = 0;   // the file's length; 0 when the answer does not say
  std::string validator;     // "ETag: x" (strong), else "Last-Modified: x", else ""
  int curlCode = 0;          // curl's result when the probe failed
  bool certificate = false;  // the failure was an untrusted certificate
  std::string failure;       // why the probe failed ("" when answered)
};

// Runs the probe on the calling thread.
ProbeResult RunProbe(const ProbeJob& job);

// The If-Range value of a validator kept as "ETag: x" or "Last-Modified: x" ("" for anything else).
std::string IfRangeValue(const std::string& validator);

}  // namespace download4
