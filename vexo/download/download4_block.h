// One block of a running HttpDownloader4 download: its place in the file, its counters, its
// thread for the current cycle and the files that thread writes. Internal to the download engine.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "core/thread/sync.h"
#include "core/thread/thread.h"
#include "vexo/download/download4_curl.h"
#include "vexo/download/record_file.h"

class RateLimiter;

struct Download4Block {
  std::int64_t start = 0;  // the block's first byte in the file
  // The block's length; kStreamBlockSize for the one block of a stream whose length is not
  // known. Shrinks when a split hands its second half to another block (under the downloader's
  // lock, which its writer also holds); the owner's polling reads it without.
  std::atomic<std::int64_t> size{0};
  // Bytes stored, counted from the block's start. Written under the downloader's lock, read
  // by the owner's progress polling without it.
  std::atomic<std::int64_t> completed{0};
  // The block's place in the record: its index (base blocks first, then split ones) and the
  // byte offset of its completed count.
  std::int64_t recordIndex = 0;
  std::int64_t recordOffset = 0;

  // The current cycle's block thread.
  ds::ThreadHandle thread = nullptr;
  bool finished = false;
  // When the current request began (steady clock, ms) and the count then; and the bytes per
  // second of the last request that ended. They tell a split how fast each side goes.
  std::atomic<std::int64_t> requestStartMs{0};
  std::atomic<std::int64_t> requestStartBytes{0};
  std::atomic<std::int64_t> lastBytesPerSecond{0};
  // The last request ended without an error (a stream of unknown length is complete then).
  std::atomic<bool> endedCleanly{false};
  // Set by the download thread to end the block's transfer; read by libcurl's callbacks.
  std::atomic<int> abort{0};
  // The block's handles on the record and data files; opened by the block thread, closed by it
  // or (forcibly) by the download thread, always under the downloader's lock.
  BlockFiles files;
};

namespace download4 {

// What a block thread needs from its downloader for one cycle.
struct BlockJob {
  RequestSettings request;
  std::string recordPath;
  std::string dataPath;
  std::int64_t fileLength = 0;  // 0 for a stream whose length is not known
  // One request from byte 0 without a range (a server that does not serve ranges).
  bool stream = false;
  std::string ifRange;  // sent with ranged requests when known, so a changed file shows
  long lowSpeedLimit = 1;
  long lowSpeedTime = 60;
  ds::SimpleLock* lock = nullptr;
  std::atomic<int>* stop = nullptr;
  std::atomic<int>* pause = nullptr;
  // Set when a ranged request was answered with the whole file (200): ranges are not served,
  // or the file changed since the link test.
  std::atomic<int>* rangeRefused = nullptr;
  // A stream answer's stated length (0 when it states none).
  std::atomic<std::int64_t>* streamLength = nullptr;
  RateLimiter* limiter = nullptr;
  // Called (under the lock) with the reason a request failed, for the downloader's report.
  void (*noteFailure)(void* owner, int curlCode, bool certificate, const std::string& text) = nullptr;
  void* owner = nullptr;
  Download4Block* block = nullptr;
};

// The most a block asks for in one request; a longer block is asked for piece by piece.
constexpr std::int64_t kRequestPieceBytes = std::int64_t{8} << 20;
constexpr std::int64_t kPieceAlignment = 64 * 1024;

// Milliseconds of the steady clock, for the blocks' speeds.
std::int64_t SteadyMs();

// Bytes per second of the block's current request (0 while too young to tell).
std::int64_t CurrentSpeed(const Download4Block& block);

// Runs one block's request on the calling thread: asks for the bytes from the block's next
// missing byte to its end, stores what belongs to the block and cuts the request at its end.
void RunBlockTransfer(BlockJob* job);

}  // namespace download4
