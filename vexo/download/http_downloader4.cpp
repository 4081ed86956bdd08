#include "vexo/download/http_downloader4.h"

#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "core/log/logger.h"
#include "core/text/path.h"
#include "core/platform/disk.h"
#include "vexo/download/download4_block.h"
#include "vexo/download/download4_probe.h"
#include "vexo/ui/util/utilities.h"

using download4::BlockJob;
using download4::ProbeJob;

namespace {

constexpr std::size_t kMaxPathChars = 259;
constexpr int kProbeLimitMs = 5000;
constexpr std::uint32_t kPollMs = 1000;

bool FitsPath(const char* text) { return text != nullptr && std::strlen(text) <= kMaxPathChars; }

// The pair's names must fit the same 259 characters as the target, or two targets could share
// a cut-off name.
bool PairNamesFit(const char* target) {
  return FitsPath(target) && std::strlen(target) + 4 <= kMaxPathChars;
}

std::int64_t CurrentLength(const std::string& path) {
  struct stat st {};
  if (::stat(ds::NativePath(path).c_str(), &st) != 0) return 0;
  return static_cast<std::int64_t>(st.st_size);
}

}  // namespace

HttpDownloader4::HttpDownloader4() = default;

HttpDownloader4::~HttpDownloader4() {
  if (thread_ != nullptr && download_thread_id_.load() == std::this_thread::get_id()) {
    // Deleted from the final report on the download thread itself: it cannot wait for itself,
    // so it lets the thread end on its own without touching the object again.
    if (deleted_) *deleted_ = true;
    ds::CloseThreadHandle(thread_);
    return;
  }
  if (thread_ != nullptr) {
    if (can_delete_.load() == 0) {
      ds::LogWarn("HttpDownloader4::~HttpDownloader4")("deleted while downloading %s; stopping it.",
                                                      url_.c_str());
      Stop();
    }
    ds::WaitThreadEnd(thread_);
    ds::CloseThreadHandle(thread_);
  }
}

int HttpDownloader4::Init(IHttpDownloadOperator4* op, int timeoutMs, int retryCount, int blockCount) {
  operator_ = op;
  timeout_ms_ = timeoutMs;
  retry_count_ = retryCount;
  // Each block is one thread and one connection, and its record costs 16 bytes on disk and in
  // memory: a count past kMaxBlockCount would only exhaust threads, sockets or memory.
  block_count_ = blockCount < 1 ? 1 : (blockCount > kMaxBlockCount ? kMaxBlockCount : blockCount);
  return 1;
}

void HttpDownloader4::SetLowSpeedLimit(long bytesPerSecond, long seconds) {
  low_speed_limit_ = bytesPerSecond;
  low_speed_time_ = seconds;
}

std::int64_t HttpDownloader4::GetCompletedSize() const {
  std::lock_guard<std::mutex> hold(blocks_mutex_);
  std::int64_t sum = 0;
  for (const auto& block : blocks_) sum += block->completed.load();
  return sum;
}

std::vector<BlockHeader4> HttpDownloader4::GetBlocks() const {
  std::lock_guard<std::mutex> hold(blocks_mutex_);
  std::vector<BlockHeader4> copy;
  for (const auto& block : blocks_) copy.push_back({block->completed.load(), block->size});
  return copy;
}

void HttpDownloader4::SetBlocks(const std::vector<BlockHeader4>& blocks) {
  std::vector<std::unique_ptr<Download4Block>> fresh;
  for (const BlockHeader4& header : blocks) {
    auto block = std::make_unique<Download4Block>();
    block->completed.store(header.completedSize);
    block->size = header.blockSize;
    fresh.push_back(std::move(block));
  }
  std::lock_guard<std::mutex> hold(blocks_mutex_);
  blocks_.swap(fresh);
}

// --- record pair -----------------------------------------------------------------------------

int HttpDownloader4::CreateTemp(const char* url, const char* target) {
  // The pair and the block list belong to a running download until it has ended.
  if (can_delete_.load() == 0 || url == nullptr || !PairNamesFit(target)) return 0;
  if (!CreateRecordPair(url, target, block_count_)) return 0;
  record_path_ = RecordPathOf(target);
  data_path_ = DataPathOf(target);
  return 1;
}

int HttpDownloader4::LoadRecordFile(const char* recordPath, RecordFileHeader4* header,
                                    std::vector<BlockHeader4>* blocks) {
  if (recordPath == nullptr || header == nullptr || blocks == nullptr) return 0;
  return ReadRecordFile(recordPath, header, blocks);
}

int HttpDownloader4::LoadTempFile(const char* dataPath, const RecordFileHeader4* header) {
  if (dataPath == nullptr || header == nullptr) return 0;
  return CheckDataFile(dataPath, *header);
}

int HttpDownloader4::ReadTempFile(const char* target) {
  if (can_delete_.load() == 0 || !PairNamesFit(target)) return 0;
  const std::string recordPath = RecordPathOf(target);
  const std::string dataPath = DataPathOf(target);
  RecordFileHeader4 header;
  std::vector<BlockHeader4> blocks;
  // A record whose counts do not fit its length would make a writer start outside its block.
  if (!LoadRecordFile(recordPath.c_str(), &header, &blocks) || !BlocksFitLength(header, blocks) ||
      !LoadTempFile(dataPath.c_str(), &header)) {
    ::unlink(ds::NativePath(recordPath).c_str());
    ::unlink(ds::NativePath(dataPath).c_str());
    return 0;
  }
  url_ = header.url;
  file_length_.store(header.fileLength);
  SetBlocks(blocks);
  target_path_ = target;
  record_path_ = recordPath;
  data_path_ = dataPath;
  save_folder_ = ds::DirectoryOf(target_path_);
  return 1;
}

int HttpDownloader4::CheckTemp(const char* path) const {
  return path != nullptr && record_path_ == path ? 1 : 0;
}

int HttpDownloader4::DeleteTemp() {
  if (can_delete_.load() == 0) return 0;
  return DeleteRecordPair(record_path_, data_path_);
}

// --- starting --------------------------------------------------------------------------------

int HttpDownloader4::Download(const char* url, const char* target) {
  return Download(url, target, nullptr);
}

int HttpDownloader4::Download(const char* url, const char* target, const char* saveFolder) {
  if (operator_ == nullptr || can_delete_.load() == 0) return 0;
  if (!FitsPath(url) || !PairNamesFit(target)) return 0;
  if (!CreateTemp(url, target)) return 0;
  url_ = url;
  file_length_.store(0);
  SetBlocks({});
  target_path_ = target;
  save_folder_ = saveFolder != nullptr ? saveFolder : ds::DirectoryOf(target_path_);
  return StartThread();
}

int HttpDownloader4::Continue(const char* target) {
  if (operator_ == nullptr || can_delete_.load() == 0) return 0;
  if (!ReadTempFile(target)) return 0;
  return StartThread();
}

int HttpDownloader4::StartThread() {
  if (thread_ != nullptr) {  // the previous download has reported it can be deleted
    ds::WaitThreadEnd(thread_);
    ds::CloseThreadHandle(thread_);
    thread_ = nullptr;
  }
  // Cleared before the thread starts, so an owner polling CanDelete right after this call
  // never sees a running download as deletable.
  can_delete_.store(0);
  // The thread waits for this lock before it does anything, so thread_ is set before the
  // download could end (and its operator delete the downloader).
  std::lock_guard<std::mutex> hold(start_mutex_);
  thread_ = ds::CreateSimpleThread(&HttpDownloader4::DownloadThread, this);
  if (thread_ == nullptr) {
    can_delete_.store(1);
    return 0;
  }
  return 1;
}

std::uint32_t HttpDownloader4::DownloadThread(void* self) {
  auto* downloader = static_cast<HttpDownloader4*>(self);
  { std::lock_guard<std::mutex> started(downloader->start_mutex_); }
  downloader->download_thread_id_.store(std::this_thread::get_id());
  // The operator may delete the downloader from its final report; the destructor then sets
  // this flag (which outlives the object), and nothing of the object is touched any more.
  auto deleted = std::make_shared<bool>(false);
  downloader->deleted_ = deleted;
  downloader->RunDownload();
  if (*deleted) return 0;
  downloader->deleted_.reset();
  downloader->download_thread_id_.store(std::thread::id());
  // Last touch of the object: the owner may delete it from here on.
  downloader->can_delete_.store(1);
  return 0;
}

// Every OnError and OnFinish is the download thread's last act on the object: the callers
// return at once, so an operator may delete the downloader from it.
void HttpDownloader4::Report(int code) {
  if (operator_ != nullptr) operator_->OnError(this, code);
}

// --- the link test ---------------------------------------------------------------------------

void HttpDownloader4::TakeProbedLength(std::int64_t value) {
  if (value == 0) {
    file_length_.store(0);
    SetBlocks({});
    return;
  }
  // A resumed download whose server reports the same length keeps its blocks and counts.
  if (file_length_.load() != 0 && file_length_.load() == value) return;
  file_length_.store(value);
  SetBlocks(MakeBlockLayout(value, block_count_));
}

int HttpDownloader4::TestLink(HttpDownloader4* downloader) {
  if (downloader == nullptr) return 0;
  ProbeJob job;
  job.url = downloader->url_;
  job.timeoutMs = downloader->timeout_ms_;
  job.probeLimitMs = kProbeLimitMs;
  job.stop = &downloader->stop_;
  job.onLength = [downloader](std::int64_t value) {
    downloader->TakeProbedLength(value);
    return downloader->file_length_.load() > 0;
  };
  download4::RunProbe(job);
  return downloader->file_length_.load() > 0 ? 1 : 0;
}

bool HttpDownloader4::RunLinkTest() {
  for (int attempt = 0; attempt < retry_count_; ++attempt) {
    TestLink(this);
    bool passed;
    {
      std::lock_guard<std::mutex> hold(blocks_mutex_);
      passed = file_length_.load() > 0 && blocks_.size() == static_cast<std::size_t>(block_count_);
    }
    if (stop_.load() != 0) {
      Report(kDownload4StoppedInTest);
      return false;
    }
    if (pause_.load() != 0 && !passed) {
      Report(kDownload4LinkTestFailed);
      return false;
    }
    if (passed) return true;
  }
  Report(kDownload4LinkTestFailed);
  return false;
}

// --- the transfer ----------------------------------------------------------------------------

namespace {

std::uint32_t BlockThread(void* job) {
  download4::RunBlockTransfer(static_cast<BlockJob*>(job));
  return 0;
}

}  // namespace

// Returns 1 when every byte is stored; otherwise the error code already reported (or -1 when
// the cycles ran out, for the caller to report).
int HttpDownloader4::RunCycles() {
  const std::int64_t length = file_length_.load();
  const auto count = static_cast<std::int64_t>(blocks_.size());
  std::vector<BlockJob> jobs(blocks_.size());
  for (std::int64_t i = 0; i < count; ++i) {
    BlockJob& job = jobs[static_cast<std::size_t>(i)];
    job.url = url_;
    job.recordPath = record_path_;
    job.dataPath = data_path_;
    job.fileLength = length;
    job.blockCount = count;
    job.index = i;
    job.timeoutMs = timeout_ms_;
    job.lowSpeedLimit = low_speed_limit_;
    job.lowSpeedTime = low_speed_time_;
    job.lock = &lock_;
    job.stop = &stop_;
    job.pause = &pause_;
    job.block = blocks_[static_cast<std::size_t>(i)].get();
  }

  std::int64_t sum = 0;
  for (int cycle = 0; cycle < retry_count_; ++cycle) {
    int finishedCount = 0;
    int abortCounter = 0;
    for (BlockJob& job : jobs) {
      job.block->finished = false;
      job.block->abort.store(0);
      job.block->thread = ds::CreateSimpleThread(&BlockThread, &job);
      if (job.block->thread == nullptr) {  // could not start: counts as an ended request
        job.block->finished = true;
        ++finishedCount;
      }
    }
    for (;;) {
      for (BlockJob& job : jobs) {
        Download4Block& block = *job.block;
        if (block.finished) continue;
        if (ds::WaitThreadEnd(block.thread, kPollMs) == ds::kWaitObject0) {
          ds::CloseThreadHandle(block.thread);
          block.thread = nullptr;
          block.finished = true;
          ++finishedCount;
        }
      }
      if (abortCounter == 1) {
        // End the remaining transfers: their files are closed under the lock, so no write is
        // cut in half, and the abort mark makes libcurl give up at its next callback.
        for (BlockJob& job : jobs) {
          Download4Block& block = *job.block;
          if (block.finished) continue;
          block.abort.store(1);
          {
            ds::LockGuard hold(&lock_);
            block.files.Close();
          }
          ds::WaitThreadEnd(block.thread);
          ds::CloseThreadHandle(block.thread);
          block.thread = nullptr;
          block.finished = true;
          ++finishedCount;
        }
      }
      const bool allEnded = finishedCount == static_cast<int>(count);
      if (allEnded) {
        sum = GetCompletedSize();
        if (sum == length) return 1;
      }
      if (stop_.load() != 0) {
        if (allEnded) {
          Report(kDownload4Stopped);
          return kDownload4Stopped;
        }
        ++abortCounter;
      }
      if (pause_.load() != 0) {
        if (allEnded) {
          Report(kDownload4Paused);
          return kDownload4Paused;
        }
        ++abortCounter;
      }
      if (allEnded) break;  // incomplete: next cycle
    }
  }
  return -1;
}

void HttpDownloader4::RunDownload() {
  if (operator_ != nullptr) operator_->OnStartTest(this);
  if (!RunLinkTest()) return;
  if (operator_ != nullptr) operator_->OnStartDownload(this);

  const std::int64_t length = file_length_.load();
  const std::int64_t existing = CurrentLength(data_path_);
  const std::int64_t missing = length > existing ? length - existing : 0;
  if (!VEXO_CheckDiskSpaceEnough(save_folder_.c_str(), static_cast<std::uint64_t>(missing))) {
    Report(kDownload4NoDiskSpace);
    return;
  }
  if (!WriteRecordLayout(record_path_, url_.c_str(), length, GetBlocks()) ||
      !SizeDataFile(data_path_, length)) {
    ds::LogWarn("HttpDownloader4::RunDownload")("can't prepare %s and %s.", record_path_.c_str(),
                                               data_path_.c_str());
    Report(kDownload4FileError);
    return;
  }

  const int result = RunCycles();
  if (result == -1) {
    Report(kDownload4Incomplete);
    return;
  }
  if (result != 1) return;
  Finish();
}

void HttpDownloader4::Finish() {
  // A failed move keeps the pair, so nothing is lost and the owner hears of the failure.
  if (!ds::MoveFileReplace(data_path_.c_str(), target_path_.c_str())) {
    ds::LogWarn("HttpDownloader4::Finish")("can't move %s onto %s.", data_path_.c_str(),
                                          target_path_.c_str());
    Report(kDownload4FileError);
    return;
  }
  ::unlink(ds::NativePath(record_path_).c_str());
  if (operator_ != nullptr) operator_->OnFinish(this);
}
