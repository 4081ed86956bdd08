#include "vexo/download/http_downloader4.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "core/log/logger.h"
#include "core/text/path.h"
#include "core/platform/disk.h"
#include "vexo/download/download4_block.h"
#include "vexo/download/download4_probe.h"
#include "vexo/download/rate_limiter.h"
#include "vexo/ui/util/utilities.h"

using download4::BlockJob;
using download4::ProbeJob;

namespace {

constexpr std::size_t kMaxPathChars = 259;
constexpr std::uint32_t kPollMs = 1000;
// A block with less than the split threshold left is split only while it would take longer
// than this at its pace, and has more than this many bytes left.
constexpr double kMinSplitSeconds = 0.25;
constexpr std::int64_t kMinSplitBytes = 64 << 10;

// Notes for the owner's row (the interface is Chinese).
constexpr char kNoteStreamRestart[] = "服务器不支持断点续传，已从头开始下载";
constexpr char kNoteFileChanged[] = "服务器上的文件已更新，已从头开始下载";

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
  for (const auto& block : blocks_) {
    BlockHeader4 header;
    header.completedSize = block->completed.load();
    header.blockSize = block->size.load();
    header.start = block->start;
    copy.push_back(header);
  }
  return copy;
}

void HttpDownloader4::SetBlocks(const std::vector<BlockHeader4>& blocks) {
  std::vector<std::unique_ptr<Download4Block>> fresh;
  const std::int64_t length = file_length_.load();
  const auto count = static_cast<std::int64_t>(blocks.size());
  for (std::int64_t i = 0; i < count; ++i) {
    const BlockHeader4& header = blocks[static_cast<std::size_t>(i)];
    auto block = std::make_unique<Download4Block>();
    block->start = header.start >= 0 ? header.start : BlockStart(length, count, i);
    block->size = header.blockSize;
    // A base block that an older build went on with past its split point is simply complete.
    block->completed.store(header.blockSize >= 0 ? std::min(header.completedSize, header.blockSize)
                                                 : header.completedSize);
    fresh.push_back(std::move(block));
  }
  std::lock_guard<std::mutex> hold(blocks_mutex_);
  blocks_.swap(fresh);
}

void HttpDownloader4::SetSpeedLimit(std::int64_t kibPerSecond) {
  RateLimiter::Global().SetLimit(kibPerSecond > 0 ? kibPerSecond * 1024 : 0);
}

std::int64_t HttpDownloader4::GetSpeedLimit() { return RateLimiter::Global().limit() / 1024; }

DownloadFailure HttpDownloader4::GetFailure() const {
  std::lock_guard<std::mutex> hold(report_mutex_);
  return failure_;
}

std::string HttpDownloader4::GetNote() const {
  std::lock_guard<std::mutex> hold(report_mutex_);
  return note_;
}

void HttpDownloader4::SetFailure(int curlCode, bool certificate, const std::string& text) {
  std::lock_guard<std::mutex> hold(report_mutex_);
  failure_.curlCode = curlCode;
  failure_.certificate = certificate;
  failure_.text = text;
}

void HttpDownloader4::SetNote(const std::string& note) {
  std::lock_guard<std::mutex> hold(report_mutex_);
  note_ = note;
}

void HttpDownloader4::NoteFailure(void* self, int curlCode, bool certificate, const std::string& text) {
  static_cast<HttpDownloader4*>(self)->SetFailure(curlCode, certificate, text);
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
  const bool loaded = LoadRecordFile(recordPath.c_str(), &header, &blocks);
  // A single stream cannot be resumed: its download starts again from byte 0, into the data
  // file that must still be there to be written.
  const bool stream = loaded && header.blockCount == 1 && IsStreamRecord(blocks) &&
                      ds::IsRegularFile(ds::NativePath(dataPath)) &&
                      ::access(ds::NativePath(dataPath).c_str(), W_OK) == 0;
  // A record whose counts do not fit its length would make a writer start outside its block.
  if (!loaded || (!stream && (!BlocksFitLength(header, blocks) || !LoadTempFile(dataPath.c_str(), &header)))) {
    ::unlink(ds::NativePath(recordPath).c_str());
    ::unlink(ds::NativePath(dataPath).c_str());
    WriteValidatorFile(recordPath, std::string());
    return 0;
  }
  url_ = header.url;
  stream_.store(false);
  SetFailure(0, false, std::string());
  if (stream) {
    file_length_.store(0);
    SetBlocks({});
    base_block_count_ = 0;
    validator_.clear();
    SetNote(kNoteStreamRestart);
  } else {
    file_length_.store(header.fileLength);
    // Without the split blocks (none, or an extension that did not load) the base blocks are
    // the whole layout again, whatever sizes a split had left in them.
    if (blocks.size() == static_cast<std::size_t>(header.blockCount))
      for (std::size_t i = 0; i < blocks.size(); ++i)
        blocks[i].blockSize = BlockLength(header.fileLength, header.blockCount, static_cast<std::int64_t>(i));
    SetBlocks(blocks);
    base_block_count_ = header.blockCount;
    validator_ = ReadValidatorFile(recordPath);
    SetNote(std::string());
  }
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
  WriteValidatorFile(record_path_, std::string());
  url_ = url;
  file_length_.store(0);
  SetBlocks({});
  base_block_count_ = 0;
  validator_.clear();
  stream_.store(false);
  SetFailure(0, false, std::string());
  SetNote(std::string());
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

void HttpDownloader4::BecomeStream(std::int64_t length, const char* why) {
  if (GetCompletedSize() > 0) SetNote(why);
  stream_.store(true);
  file_length_.store(length);
  validator_.clear();
  BlockHeader4 only;
  only.blockSize = length > 0 ? length : kStreamBlockSize;
  only.start = 0;
  SetBlocks({only});
  base_block_count_ = 1;
}

bool HttpDownloader4::TakeProbe(const download4::ProbeResult& result) {
  if (!result.answered) {
    SetFailure(result.curlCode, result.certificate, result.failure);
    return false;
  }
  SetFailure(0, false, std::string());
  if (!result.ranged || result.length <= 0) {
    // Ranges not served, or no length: one stream from byte 0 to the end.
    BecomeStream(result.length, kNoteStreamRestart);
    return true;
  }
  stream_.store(false);
  // A resumed download keeps its blocks while the server reports the same file: the same
  // length, and the same validator when both sides know one.
  const bool sameFile = file_length_.load() == result.length &&
                        (validator_.empty() || result.validator.empty() || validator_ == result.validator);
  const bool fits = GetBlocks().size() >= static_cast<std::size_t>(block_count_) &&
                    base_block_count_ == block_count_;
  if (sameFile && (fits || file_length_.load() == 0)) {
    if (!result.validator.empty()) validator_ = result.validator;
    return fits;
  }
  // A record of another block layout does not fit this downloader (the owner decides what to
  // do with it); a changed file starts again from byte 0.
  if (!sameFile && GetCompletedSize() > 0) SetNote(kNoteFileChanged);
  if (!sameFile || file_length_.load() == 0) {
    file_length_.store(result.length);
    SetBlocks(MakeBlockLayout(result.length, block_count_));
    base_block_count_ = block_count_;
    validator_ = result.validator;
    return true;
  }
  return false;
}

int HttpDownloader4::TestLink(HttpDownloader4* downloader) {
  if (downloader == nullptr) return 0;
  ProbeJob job;
  job.request.url = downloader->url_;
  job.request.connectTimeoutMs = downloader->timeout_ms_;
  job.request.caFile = downloader->ca_file_;
  job.firstByteTimeoutMs = 2 * downloader->timeout_ms_;
  job.stop = &downloader->stop_;
  const download4::ProbeResult result = download4::RunProbe(job);
  if (!result.answered)
    ds::LogWarn("HttpDownloader4::TestLink")("%s: %s.", downloader->url_.c_str(), result.failure.c_str());
  return downloader->TakeProbe(result) ? 1 : 0;
}

bool HttpDownloader4::RunLinkTest() {
  for (int attempt = 0; attempt < retry_count_; ++attempt) {
    const bool passed = TestLink(this) == 1;
    if (stop_.load() != 0) {
      Report(kDownload4StoppedInTest);
      return false;
    }
    // A pause holds whether or not the test got through; a record that is known stays for
    // the resume.
    if (pause_.load() != 0) {
      Report(passed ? kDownload4Paused : kDownload4LinkTestFailed);
      return false;
    }
    if (passed) return true;
    const DownloadFailure failure = GetFailure();
    // An answer that says the file is not there, or a certificate not trusted, will not change
    // by asking again at once.
    if (failure.certificate || failure.text == "HTTP 404" || failure.text == "HTTP 403" ||
        failure.text == "HTTP 410")
      break;
    // Later attempts wait a little longer each, so a server that is briefly away is not asked
    // ten times within a few milliseconds.
    for (int waited = 0; waited < 100 * (attempt + 1) && stop_.load() == 0 && pause_.load() == 0; waited += 20)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (stop_.load() != 0) {
    Report(kDownload4StoppedInTest);
    return false;
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

Download4Block* HttpDownloader4::SplitLargestRemainder(const Download4Block& finished) {
  if (stream_.load() || split_threshold_ <= 0) return nullptr;
  ds::LockGuard hold(&lock_);
  // The running block that would end last at its own pace (with no speed known yet, the one
  // with the most left) hands over part of its rest.
  Download4Block* chosen = nullptr;
  std::int64_t chosenLeft = 0;
  std::int64_t chosenSpeed = 0;
  double chosenTime = -1;
  {
    std::lock_guard<std::mutex> blocks(blocks_mutex_);
    for (const auto& block : blocks_) {
      if (block->finished) continue;
      const std::int64_t left = block->size.load() - block->completed.load();
      const std::int64_t speed = download4::CurrentSpeed(*block);
      const double time = speed > 0 ? static_cast<double>(left) / static_cast<double>(speed) : 1e12 + static_cast<double>(left);
      // Below the threshold a block is still worth splitting while it crawls: a quarter of a
      // second left at its pace is longer than a new request takes to start.
      if (left <= split_threshold_ && (left <= kMinSplitBytes || speed <= 0 || time < kMinSplitSeconds)) continue;
      if (time > chosenTime) {
        chosen = block.get();
        chosenLeft = left;
        chosenSpeed = speed;
        chosenTime = time;
      }
    }
  }
  if (chosen == nullptr) return nullptr;
  // The rest is shared so both sides end together at their speeds: a crawling block keeps
  // little. Never more than half, nor less than a fiftieth; half while a speed is unknown.
  const std::int64_t newSpeed = finished.lastBytesPerSecond.load();
  double keepShare = 0.5;
  if (chosenSpeed > 0 && newSpeed > 0)
    keepShare = std::clamp(static_cast<double>(chosenSpeed) / static_cast<double>(chosenSpeed + newSpeed), 0.02, 0.5);
  std::int64_t keep = chosen->completed.load() + static_cast<std::int64_t>(static_cast<double>(chosenLeft) * keepShare);
  // The new block starts on the next piece boundary inside the rest, as the pieces do.
  const std::int64_t aligned =
      (chosen->start + keep + download4::kPieceAlignment - 1) / download4::kPieceAlignment * download4::kPieceAlignment;
  if (aligned < chosen->start + chosen->size.load()) keep = aligned - chosen->start;
  auto piece = std::make_unique<Download4Block>();
  piece->start = chosen->start + keep;
  piece->size = chosen->size.load() - keep;
  chosen->size = keep;
  Download4Block* added = piece.get();
  {
    std::lock_guard<std::mutex> blocks(blocks_mutex_);
    blocks_.push_back(std::move(piece));
    added->recordIndex = static_cast<std::int64_t>(blocks_.size()) - 1;
  }
  // Rewritten under the lock, so no block count is written meanwhile.
  if (!WriteRecordLayout(record_path_, url_.c_str(), file_length_.load(), GetBlocks(), base_block_count_))
    ds::LogWarn("HttpDownloader4::SplitLargestRemainder")("can't record the split of %s.", record_path_.c_str());
  return added;
}

// Returns 1 when every byte is stored; otherwise the error code already reported (or -1 when
// the cycles ran out, for the caller to report; -2 when ranges turned out not to be served).
int HttpDownloader4::RunCycles() {
  const bool stream = stream_.load();
  std::vector<std::unique_ptr<BlockJob>> jobs;
  auto makeJob = [&](Download4Block* block) {
    auto job = std::make_unique<BlockJob>();
    job->request.url = url_;
    job->request.connectTimeoutMs = timeout_ms_;
    job->request.caFile = ca_file_;
    job->recordPath = record_path_;
    job->dataPath = data_path_;
    job->fileLength = file_length_.load();
    job->stream = stream;
    job->ifRange = download4::IfRangeValue(validator_);
    job->lowSpeedLimit = low_speed_limit_;
    job->lowSpeedTime = low_speed_time_;
    job->lock = &lock_;
    job->stop = &stop_;
    job->pause = &pause_;
    job->rangeRefused = &range_refused_;
    job->streamLength = &stream_length_;
    job->limiter = &RateLimiter::Global();
    job->noteFailure = &HttpDownloader4::NoteFailure;
    job->owner = this;
    job->block = block;
    block->recordOffset = CompletedCountOffset(base_block_count_, block->recordIndex);
    jobs.push_back(std::move(job));
  };
  auto startJob = [&](BlockJob& job) {
    Download4Block& block = *job.block;
    block.finished = false;
    block.abort.store(0);
    block.thread = ds::CreateSimpleThread(&BlockThread, &job);
    if (block.thread == nullptr) block.finished = true;  // could not start: an ended request
  };
  auto complete = [&](const Download4Block& block) {
    if (block.size.load() >= 0) return block.completed.load() >= block.size.load();
    return block.endedCleanly.load();  // a stream of unknown length ends with its answer
  };
  {
    std::lock_guard<std::mutex> hold(blocks_mutex_);
    for (std::size_t i = 0; i < blocks_.size(); ++i) blocks_[i]->recordIndex = static_cast<std::int64_t>(i);
  }
  for (Download4Block* block : BlockPointers()) makeJob(block);

  for (int cycle = 0; cycle < retry_count_; ++cycle) {
    int abortCounter = 0;
    range_refused_.store(0);
    for (auto& job : jobs) {
      // A stream cannot resume: every attempt starts from byte 0.
      if (stream) job->block->completed.store(0);
      if (!complete(*job->block) || stream) startJob(*job);
      else job->block->finished = true;
    }
    for (;;) {
      bool allEnded = true;
      for (std::size_t i = 0; i < jobs.size(); ++i) {
        Download4Block& block = *jobs[i]->block;
        if (block.finished) continue;
        if (ds::WaitThreadEnd(block.thread, jobs.size() > 1 ? kPollMs / 10 : kPollMs) == ds::kWaitObject0) {
          ds::CloseThreadHandle(block.thread);
          block.thread = nullptr;
          block.finished = true;
          // A connection that finished its block takes over part of the rest of the block that
          // would end last, so the slowest connection does not set the pace of the download.
          if (complete(block) && abortCounter == 0 && stop_.load() == 0 && pause_.load() == 0 &&
              range_refused_.load() == 0) {
            if (Download4Block* piece = SplitLargestRemainder(block)) {
              makeJob(piece);
              startJob(*jobs.back());
            }
          }
        } else {
          allEnded = false;
        }
      }
      if (range_refused_.load() != 0 && abortCounter == 0) ++abortCounter;
      if (abortCounter == 1) {
        // End the remaining transfers: their files are closed under the lock, so no write is
        // cut in half, and the abort mark makes libcurl give up at its next callback.
        for (auto& job : jobs) {
          Download4Block& block = *job->block;
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
        }
        allEnded = true;
        ++abortCounter;
      }
      if (allEnded) {
        bool done = true;
        for (auto& job : jobs) done = done && complete(*job->block);
        if (done) return 1;
        if (range_refused_.load() != 0) return -2;
      }
      if (stop_.load() != 0) {
        if (allEnded) {
          Report(kDownload4Stopped);
          return kDownload4Stopped;
        }
        if (abortCounter == 0) abortCounter = 1;
      }
      if (pause_.load() != 0) {
        if (allEnded) {
          Report(kDownload4Paused);
          return kDownload4Paused;
        }
        if (abortCounter == 0) abortCounter = 1;
      }
      if (allEnded) break;  // incomplete: next cycle
    }
  }
  return -1;
}

std::vector<Download4Block*> HttpDownloader4::BlockPointers() const {
  std::lock_guard<std::mutex> hold(blocks_mutex_);
  std::vector<Download4Block*> pointers;
  for (const auto& block : blocks_) pointers.push_back(block.get());
  return pointers;
}

bool HttpDownloader4::PrepareFiles() {
  const std::int64_t length = file_length_.load();
  std::vector<BlockHeader4> blocks = GetBlocks();
  // The stream's record says so by its one block's size, whatever the length.
  if (stream_.load()) blocks[0].blockSize = kStreamBlockSize;
  if (!WriteRecordLayout(record_path_, url_.c_str(), length, blocks, base_block_count_) ||
      !SizeDataFile(data_path_, stream_.load() ? 0 : length) ||
      !WriteValidatorFile(record_path_, validator_)) {
    const int error = errno;  // for the caller, past the log
    ds::LogWarn("HttpDownloader4::RunDownload")("can't prepare %s and %s: %s.", record_path_.c_str(),
                                               data_path_.c_str(), std::strerror(error));
    errno = error;
    return false;
  }
  return true;
}

void HttpDownloader4::RunDownload() {
  if (operator_ != nullptr) operator_->OnStartTest(this);
  if (!RunLinkTest()) return;
  if (operator_ != nullptr) operator_->OnStartDownload(this);

  const std::int64_t length = file_length_.load();
  const std::int64_t existing = stream_.load() ? 0 : CurrentLength(data_path_);
  const std::int64_t missing = length > existing ? length - existing : 0;
  if (!VEXO_CheckDiskSpaceEnough(save_folder_.c_str(), static_cast<std::uint64_t>(missing))) {
    Report(kDownload4NoDiskSpace);
    return;
  }
  if (!PrepareFiles()) {
    // A data file that cannot grow to the length (full disk, file size limit) is kept for
    // a resume once there is room, like a write that fails later.
    const int error = errno;
    if (error == ENOSPC || error == EFBIG || error == EDQUOT) {
      SetFailure(0, false, std::string(kDiskFullReason) + ": " + std::strerror(error));
      Report(kDownload4Paused);
    } else {
      Report(kDownload4FileError);
    }
    return;
  }

  int result = RunCycles();
  if (result == -2) {
    // A ranged request was answered with the whole file: the server does not serve ranges
    // (or the file changed since the link test). One stream from byte 0 finishes it.
    ds::LogWarn("HttpDownloader4::RunDownload")("%s: ranges not served; downloading as one stream.",
                                               url_.c_str());
    BecomeStream(0, kNoteStreamRestart);
    if (!PrepareFiles()) {
      Report(kDownload4FileError);
      return;
    }
    result = RunCycles();
  }
  if (result == -1 || result == -2) {
    Report(kDownload4Incomplete);
    return;
  }
  if (result != 1) return;
  Finish();
}

void HttpDownloader4::Finish() {
  // A stream's length is what arrived (its answer may not have said, or said another length).
  if (stream_.load()) {
    const std::int64_t received = GetCompletedSize();
    file_length_.store(received);
    if (!SizeDataFile(data_path_, received)) {
      Report(kDownload4FileError);
      return;
    }
  }
  // A failed move keeps the pair, so nothing is lost and the owner hears of the failure.
  if (!ds::MoveFileReplace(data_path_.c_str(), target_path_.c_str())) {
    ds::LogWarn("HttpDownloader4::Finish")("can't move %s onto %s.", data_path_.c_str(),
                                          target_path_.c_str());
    Report(kDownload4FileError);
    return;
  }
  ::unlink(ds::NativePath(record_path_).c_str());
  WriteValidatorFile(record_path_, std::string());
  if (operator_ != nullptr) operator_->OnFinish(this);
}
