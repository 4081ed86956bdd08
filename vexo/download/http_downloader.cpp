#include "vexo/download/http_downloader.h"

#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

#include "core/text/ascii.h"
#include "core/log/logger.h"
#include "core/text/path.h"
#include "core/platform/disk.h"
#include "core/thread/thread.h"
#include "vexo/download/header_line.h"
#include "vexo/download/http_response.h"
#include "vexo/download/http_socket.h"
#include "vexo/download/http_url.h"

namespace {

// A Content-Length value is read into a buffer of this size; a longer value is refused.
constexpr int kLengthValueSize = 30;
// A redirect target must itself be a usable URL (at most 259 characters).
constexpr int kLocationValueSize = ds::kMaxPath;
constexpr int kPauseStepMs = 500;
constexpr int kReceiveSize = 1024;
constexpr int kFinished = -1;  // End(): the download succeeded


void RemoveFile(const std::string& path) { unlink(ds::NativePath(path).c_str()); }

// One link-test request, run on a helper thread. The helper owns everything it touches, so a
// request that outlives its wait can be abandoned without reaching into the downloader.
struct LinkTestJob {
  LinkTestJob(std::string u, int t) : url(std::move(u)), timeout_ms(t) {}

  const std::string url;
  const int timeout_ms;
  CHttpSocket socket;

  std::mutex mutex;
  std::condition_variable ended_cv;
  bool ended = false;

  // Results, read only once `ended` is set.
  bool parsed = false;
  HttpUrl target;
  int status = 0;
  std::string header;
  std::vector<std::string> lines;
  int location_result = 0;
  char location[kLocationValueSize] = {};
  int length_result = 0;
  char length[kLengthValueSize] = {};
};

void RunLinkTestJob(const std::shared_ptr<LinkTestJob>& job) {
  if (ParseHttpUrl(job->url, &job->target)) {
    job->parsed = true;
    CHttpSocket& socket = job->socket;
    if (socket.FormatRequest(job->target.HostField().c_str(), job->target.object.c_str(), 0, 0,
                             nullptr, nullptr, nullptr) &&
        socket.Connect(job->target.server.c_str(), job->target.port, job->timeout_ms) &&
        socket.SendRequest()) {
      socket.SetTimeout(job->timeout_ms);
      job->status = socket.GetStatusCode();
      job->header.assign(socket.GetHeader(), static_cast<std::size_t>(socket.GetHeaderLength()));
      char line[CHttpSocket::kLineSize];
      while (socket.GetNextHeaderLine(line, sizeof line) > 0) job->lines.emplace_back(line);
      job->location_result = socket.GetHeaderValue("Location", job->location, sizeof job->location);
      job->length_result = socket.GetHeaderValue("Content-Length", job->length, sizeof job->length);
    }
    socket.Close();
  }
  std::lock_guard<std::mutex> guard(job->mutex);
  job->ended = true;
  job->ended_cv.notify_all();
}

// Where the body of a 2xx answer starts in the remote file, when its bytes can be written from
// there: a 206 must cover `completed` onwards of a file of `length` bytes; a 200 carries the whole
// file (a server that ignores ranges) and must not announce another length. Anything else
// (another 2xx, a chunked body, a range that does not fit) is refused.
bool FindBodyStart(const HttpResponseHead& head, std::int64_t completed, std::int64_t length,
                   std::int64_t* start) {
  const std::string* coding = FindHttpField(head, "Transfer-Encoding");
  if (coding != nullptr && !ds::AsciiEqualsIgnoreCase(*coding, "identity")) return false;
  if (head.status == 206) {
    const std::string* range = FindHttpField(head, "Content-Range");
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::int64_t total = 0;
    if (range == nullptr || !ParseContentRange(*range, &first, &last, &total)) return false;
    if (first != completed || total != length) return false;
    *start = first;
    return true;
  }
  if (head.status == 200) {
    const std::string* size = FindHttpField(head, "Content-Length");
    std::int64_t value = 0;
    if (size != nullptr && (!ParseLengthValue(*size, &value) || value != length)) return false;
    *start = 0;
    return true;
  }
  return false;
}

}  // namespace

HttpDownloader::HttpDownloader() = default;

HttpDownloader::~HttpDownloader() {
  Stop();
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id()) {
      // Deleted from the final report (OnFinish or OnError): End() touches nothing after it.
      if (deleted_) *deleted_ = true;
      thread_.detach();
    } else {
      thread_.join();
    }
  }
}

int HttpDownloader::Init(IHttpDownloadOperator* op, int timeoutMs, int retryCount) {
  operator_ = op;
  timeout_ms_ = timeoutMs;
  retry_count_ = retryCount > 0 ? retryCount : 1;
  return 1;
}

std::string HttpDownloader::GetUrl() const {
  std::lock_guard<std::mutex> guard(text_mutex_);
  return url_;
}

std::string HttpDownloader::GetHost() const {
  std::lock_guard<std::mutex> guard(text_mutex_);
  return host_;
}

int HttpDownloader::CreateTemp(const char* url, const char* target) {
  if (url == nullptr || target == nullptr) return 0;
  std::string record = RdRecordPathOf(target);
  std::string data = DataPathOf(target);
  if (record.size() >= ds::kMaxPath || data.size() >= ds::kMaxPath) return 0;
  if (!CreateRdRecordPair(url, target)) return 0;
  record_path_ = record;
  data_path_ = data;
  return 1;
}

int HttpDownloader::LoadRecordFile(const char* recordPath, RecordFileHeader* header) {
  if (recordPath == nullptr) return 0;
  return ReadRdRecordFile(recordPath, header);
}

int HttpDownloader::LoadTempFile(const char* dataPath, const RecordFileHeader& header) {
  if (dataPath == nullptr) return 0;
  return CheckRdDataFile(dataPath, header.fileLength);
}

int HttpDownloader::Download(const char* url, const char* target) {
  if (operator_ == nullptr || url == nullptr || target == nullptr) return 0;
  if (can_delete_ == 0) return 0;
  if (std::strlen(url) >= ds::kMaxPath || std::strlen(target) >= ds::kMaxPath) return 0;
  if (!CreateTemp(url, target)) return 0;
  {
    std::lock_guard<std::mutex> guard(text_mutex_);
    url_ = url;
  }
  target_ = target;
  completed_ = 0;
  file_length_ = 0;
  return Start();
}

int HttpDownloader::Continue(const char* target) {
  if (operator_ == nullptr || target == nullptr) return 0;
  if (can_delete_ == 0) return 0;
  if (std::strlen(target) >= ds::kMaxPath) return 0;
  std::string record = RdRecordPathOf(target);
  std::string data = DataPathOf(target);
  if (data.size() >= ds::kMaxPath) return 0;
  RecordFileHeader header;
  // A pair that cannot be resumed is never repaired: both files go, the caller starts afresh.
  if (!LoadRecordFile(record.c_str(), &header) || header.fileLength > INT32_MAX ||
      !LoadTempFile(data.c_str(), header)) {
    RemoveFile(record);
    RemoveFile(data);
    return 0;
  }
  {
    std::lock_guard<std::mutex> guard(text_mutex_);
    url_ = header.url;
  }
  target_ = target;
  record_path_ = record;
  data_path_ = data;
  file_length_ = static_cast<std::int32_t>(header.fileLength);
  completed_ = static_cast<std::int32_t>(header.completedSize);
  return Start();
}

int HttpDownloader::Start() {
  if (thread_.joinable()) thread_.join();  // the previous run has already ended
  // A new download starts unstopped and unpaused: nothing else clears the stop flag.
  stop_ = 0;
  pause_ = 0;
  status_code_ = 0;
  can_delete_ = 0;
  // Run() waits for this lock first, so thread_ is set before the download could end (and its
  // operator delete the downloader).
  std::lock_guard<std::mutex> hold(start_mutex_);
  try {
    thread_ = std::thread(&HttpDownloader::Run, this);
  } catch (...) {
    can_delete_ = 1;
    return 0;
  }
  return 1;
}

void HttpDownloader::End(int code) {
  // The receiver may delete this downloader from its report; the destructor then sets this
  // flag, which outlives the object, and nothing of the object is touched afterwards.
  auto deleted = std::make_shared<bool>(false);
  deleted_ = deleted;
  IHttpDownloadOperator* op = operator_;
  if (op != nullptr) {
    if (code == kFinished) {
      op->OnFinish(this);
    } else {
      op->OnError(this, code);
    }
  }
  if (*deleted) return;
  deleted_.reset();
  can_delete_ = 1;
}

bool HttpDownloader::WaitWhilePaused() {
  while (pause_ && !stop_) std::this_thread::sleep_for(std::chrono::milliseconds(kPauseStepMs));
  return !stop_;
}

int HttpDownloader::TestLink(HttpDownloader* d) {
  if (d == nullptr) return 0;
  IHttpDownloadOperator* op = d->operator_;
  for (int attempt = 0; attempt < d->retry_count_; ++attempt) {
    if (d->stop_ || !d->WaitWhilePaused()) {
      d->End(kHttpErrorStopped);
      return -1;
    }
    auto job = std::make_shared<LinkTestJob>(d->GetUrl(), d->timeout_ms_);
    std::thread worker;
    try {
      worker = std::thread(RunLinkTestJob, job);
    } catch (...) {
      ds::LogWarn("HttpDownloader::TestLink")("can't start the link test thread.");
      continue;
    }
    // Wait at most time-out + 500 ms, in short steps so that a stop is seen at once.
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds((d->timeout_ms_ > 0 ? d->timeout_ms_ : 0) + 500);
    bool ended = false;
    {
      std::unique_lock<std::mutex> lock(job->mutex);
      while (!job->ended && !d->stop_ && std::chrono::steady_clock::now() < deadline) {
        job->ended_cv.wait_for(lock, std::chrono::milliseconds(100));
      }
      ended = job->ended;
    }
    if (!ended) {
      job->socket.Abort();  // wakes the helper; it finishes on its own with its own copy of the job
      worker.detach();
      ds::LogWarn("HttpDownloader::TestLink")("link test of %s timed out.", job->url.c_str());
      continue;  // the stop flag, if that is why we left, is reported at the top
    }
    worker.join();

    if (!job->parsed) {
      ds::LogWarn("HttpDownloader::TestLink")("can't use the URL %s.", job->url.c_str());
      continue;
    }
    {
      std::lock_guard<std::mutex> guard(d->text_mutex_);
      d->host_ = job->target.server;
    }
    d->status_code_ = job->status;
    if (op != nullptr && !job->header.empty()) {
      op->OnPrint(d, job->header.c_str());
      for (const std::string& line : job->lines) op->OnPrint(d, line.c_str());
    }
    const int status = job->status;
    if (status / 100 == 3) {
      if (job->location_result == 1) {
        std::string next = ResolveRedirect(job->target, job->location);
        if (!next.empty() && next.size() < ds::kMaxPath) {
          std::lock_guard<std::mutex> guard(d->text_mutex_);
          d->url_ = next;
        }
      } else if (job->location_result < 0) {
        ds::LogWarn("HttpDownloader::TestLink")("redirect target of %s is too long.", job->url.c_str());
      }
    } else if (status / 100 == 2) {
      std::int64_t value = 0;
      if (job->length_result == 1) {
        if (!ParseLengthValue(job->length, &value) || value > INT32_MAX) {
          // Not a length this downloader can hold: the answer is of no use.
          ds::LogWarn("HttpDownloader::TestLink")("refused length \"%s\" of %s.", job->length,
                                                 job->url.c_str());
          continue;
        }
        if (d->file_length_ == 0 || d->file_length_ != value) {
          d->completed_ = 0;
          d->file_length_ = static_cast<std::int32_t>(value);
        }
      } else if (job->length_result < 0) {
        ds::LogWarn("HttpDownloader::TestLink")("refused an overlong length of %s.", job->url.c_str());
        continue;
      }
      if (d->file_length_ > 0) return 1;
    } else if (status == 500) {
      return 0;
    }
  }
  if (d->stop_) {  // seen while waiting for the last attempt
    d->End(kHttpErrorStopped);
    return -1;
  }
  return 0;
}

void HttpDownloader::Run() {
  { std::lock_guard<std::mutex> started(start_mutex_); }
  IHttpDownloadOperator* op = operator_;
  op->OnStartTest(this);
  int tested = TestLink(this);
  if (tested < 0) return;  // stopped, and already reported
  if (tested == 0 && file_length_ <= 0) {
    End(kHttpErrorLinkTest);
    return;
  }
  op->OnStartDownload(this);

  RdFiles files;
  if (!files.OpenRecord(record_path_) ||
      !files.WriteCounters(static_cast<std::uint32_t>(completed_.load()),
                           static_cast<std::uint32_t>(file_length_.load())) ||
      !files.OpenData(data_path_) ||
      !files.SetDataLength(static_cast<std::uint32_t>(file_length_.load()))) {
    files.Close();
    End(kHttpErrorFile);
    return;
  }
  for (int attempt = 0; attempt < retry_count_ && completed_ < file_length_; ++attempt) {
    AttemptResult result = RunAttempt(&files);
    if (result == AttemptResult::kStopped) {
      files.Close();
      End(kHttpErrorStopped);
      return;
    }
    if (result == AttemptResult::kFileError) {
      // A write that fails (a full disk) fails again on the next attempt; the pair stays.
      ds::LogWarn("HttpDownloader::Download")("can't write %s.", data_path_.c_str());
      files.Close();
      End(kHttpErrorFile);
      return;
    }
  }
  files.Close();
  if (completed_ < file_length_) {
    End(kHttpErrorIncomplete);
    return;
  }
  if (!ds::MoveFileReplace(data_path_.c_str(), target_.c_str())) {
    // Reporting success here would leave no installer; the pair stays for another try.
    ds::LogWarn("HttpDownloader::Download")("can't move %s onto %s.", data_path_.c_str(),
                                            target_.c_str());
    End(kHttpErrorFile);
    return;
  }
  RemoveFile(record_path_);
  End(kFinished);
}

HttpDownloader::AttemptResult HttpDownloader::RunAttempt(RdFiles* files) {
  if (stop_ || !WaitWhilePaused()) return AttemptResult::kStopped;
  HttpUrl url;
  if (!ParseHttpUrl(GetUrl(), &url)) return AttemptResult::kEnded;
  {
    std::lock_guard<std::mutex> guard(text_mutex_);
    host_ = url.server;
  }
  const std::int64_t length = file_length_;
  std::int64_t completed = completed_;

  CHttpSocket socket;
  if (!socket.FormatRequest(url.HostField().c_str(), url.object.c_str(), completed, length,
                            nullptr, nullptr, nullptr) ||
      !socket.Connect(url.server.c_str(), url.port, timeout_ms_)) {
    return AttemptResult::kEnded;
  }
  int sent = socket.SendRequest();
  status_code_ = socket.GetStatusCode();
  if (!sent || socket.GetStatusCode() / 100 != 2) return AttemptResult::kEnded;
  socket.SetTimeout(timeout_ms_);
  char line[CHttpSocket::kLineSize];
  while (socket.GetNextHeaderLine(line, sizeof line) > 0) operator_->OnPrint(this, line);

  std::int64_t body_start = 0;
  if (!FindBodyStart(socket.GetHead(), completed, length, &body_start)) {
    ds::LogWarn("HttpDownloader::Download")("answer %d does not carry bytes from %lld.",
                                            socket.GetStatusCode(), static_cast<long long>(completed));
    return AttemptResult::kEnded;
  }
  // A server that ignores the range sends the file from its start: skip what is stored.
  std::int64_t skip = completed - body_start;
  char buffer[kReceiveSize];
  std::uint32_t last_tick = ds::GetTick();
  for (;;) {
    int received = socket.Receive(buffer, sizeof buffer);
    if (received <= 0) break;
    const char* data = buffer;
    std::int64_t count = received;
    if (skip > 0) {
      std::int64_t skipped = skip < count ? skip : count;
      skip -= skipped;
      data += skipped;
      count -= skipped;
    }
    if (count > length - completed) count = length - completed;  // never past the file's end
    if (count > 0) {
      if (!files->WriteData(static_cast<std::uint32_t>(completed), data,
                            static_cast<std::size_t>(count))) {
        return AttemptResult::kFileError;
      }
      completed += count;
      if (!files->WriteCompleted(static_cast<std::uint32_t>(completed))) {
        return AttemptResult::kFileError;
      }
      completed_ = static_cast<std::int32_t>(completed);
      std::uint32_t now = ds::GetTick();
      std::uint32_t elapsed = now - last_tick;
      last_tick = now;
      float speed = elapsed == 0 ? 0.0f : static_cast<float>(count) * 1000.0f / static_cast<float>(elapsed);
      operator_->OnProgress(this, static_cast<int>(completed), static_cast<int>(length), speed);
    }
    // The whole file is here: a keep-alive server would hold the connection open.
    if (completed >= length) break;
    if (stop_ || !WaitWhilePaused()) return AttemptResult::kStopped;
  }
  return AttemptResult::kEnded;
}
