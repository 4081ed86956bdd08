// One block of a running HttpDownloader4 download: its counters, its thread for the current
// cycle and the files that thread writes. Internal to the download engine.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "core/thread/sync.h"
#include "core/thread/thread.h"
#include "vexo/download/record_file.h"

struct Download4Block {
  // Bytes stored, counted from the block's start. Written under the downloader's lock, read
  // by the owner's progress polling without it.
  std::atomic<std::int64_t> completed{0};
  std::int64_t size = 0;  // the block's length as recorded

  // The current cycle's block thread.
  ds::ThreadHandle thread = nullptr;
  bool finished = false;
  // Set by the download thread to end the block's transfer; read by libcurl's callbacks.
  std::atomic<int> abort{0};
  // The block's handles on the record and data files; opened by the block thread, closed by it
  // or (forcibly) by the download thread, always under the downloader's lock.
  BlockFiles files;
};

namespace download4 {

// What a block thread needs from its downloader for one cycle.
struct BlockJob {
  std::string url;
  std::string recordPath;
  std::string dataPath;
  std::int64_t fileLength = 0;
  std::int64_t blockCount = 0;
  std::int64_t index = 0;
  int timeoutMs = 5000;
  long lowSpeedLimit = 1;
  long lowSpeedTime = 60;
  ds::SimpleLock* lock = nullptr;
  std::atomic<int>* stop = nullptr;
  std::atomic<int>* pause = nullptr;
  Download4Block* block = nullptr;
};

// Runs one block's request on the calling thread: asks for the bytes from the block's next
// missing byte on, stores what belongs to the block and cuts the request at the block's end.
void RunBlockTransfer(BlockJob* job);

}  // namespace download4
