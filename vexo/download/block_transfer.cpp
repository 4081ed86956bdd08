#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <string>

#include <curl/curl.h>

#include "core/log/logger.h"
#include "vexo/download/download4_block.h"
#include "vexo/download/header_line.h"
#include "vexo/download/http_downloader4.h"
#include "vexo/download/rate_limiter.h"

namespace download4 {
namespace {

constexpr long kReceiveBufferSize = 128 * 1024;

// What the current response says about itself; reset at every status line (redirects,
// interim answers).
struct ResponseFacts {
  int status = 0;
  bool hasRange = false;
  std::int64_t rangeFirst = 0;
  std::int64_t rangeTotal = 0;
  bool hasLength = false;
  std::int64_t length = 0;
  int verdict = 0;  // 0 undecided, 1 body accepted, -1 refused
};

struct TransferState {
  BlockJob* job;
  std::int64_t requestStart;
  ResponseFacts facts;
  bool writeFailed = false;
};

// A ranged body is block data only when it is exactly what was asked for: a 206 whose range
// starts at the requested byte of a file of the known length. A 200 carries the whole file:
// ranges are not served (or, with If-Range, the file changed), which the downloader answers by
// starting again as one stream. A stream takes any 200. Anything else (an error page) is refused.
int Verdict(TransferState* state) {
  const ResponseFacts& f = state->facts;
  BlockJob& job = *state->job;
  if (job.stream) {
    if (f.status != 200) return -1;
    job.streamLength->store(f.hasLength ? f.length : 0);
    return 1;
  }
  if (f.status == 206) {
    return f.hasRange && f.rangeFirst == state->requestStart && f.rangeTotal == job.fileLength ? 1 : -1;
  }
  if (f.status == 200) job.rangeRefused->store(1);
  return -1;
}

size_t HeaderCallback(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<TransferState*>(user);
  const size_t n = size * count;
  int status = 0;
  std::string value;
  if (ParseStatusLine(data, n, &status)) {
    state->facts = ResponseFacts();
    state->facts.status = status;
  } else if (MatchHeader(data, n, "content-range", &value)) {
    std::int64_t last = 0;
    state->facts.hasRange = ParseContentRange(value, &state->facts.rangeFirst, &last, &state->facts.rangeTotal);
  } else if (MatchHeader(data, n, "content-length", &value)) {
    state->facts.hasLength = ParseLengthValue(value, &state->facts.length);
  } else if (MatchHeader(data, n, "transfer-encoding", &value)) {
    state->facts.hasLength = false;
  }
  return n;
}

bool ShouldEnd(const BlockJob& job) {
  return job.stop->load() != 0 || job.pause->load() != 0 || job.block->abort.load() != 0;
}

// Every chunk is stored and counted before the callback returns, under the downloader's lock,
// so an interruption loses at most the chunk in flight. Returning anything but `n` ends the
// request.
size_t WriteCallback(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<TransferState*>(user);
  BlockJob& job = *state->job;
  Download4Block& block = *job.block;
  const size_t n = size * count;
  std::int64_t take = 0;
  bool more = false;
  {
    ds::LockGuard hold(job.lock);
    if (ShouldEnd(job) || !block.files.IsOpen()) return 0;
    if (state->facts.verdict == 0) state->facts.verdict = Verdict(state);
    if (state->facts.verdict < 0) return 0;

    // The size is read under the lock: a split may have shortened the block meanwhile.
    const std::int64_t size = block.size.load();
    const std::int64_t limit = size < 0 ? INT64_MAX : size;
    const std::int64_t completed = block.completed.load();
    if (completed >= limit) return 0;
    take = std::min<std::int64_t>(static_cast<std::int64_t>(n), limit - completed);
    if (!block.files.WriteData(block.start + completed, data, static_cast<size_t>(take)) ||
        !block.files.WriteCompletedAt(block.recordOffset, completed + take)) {
      // A full disk (or a file size limit) or another write error: the download ends as
      // paused and keeps its pair.
      const std::string reason = std::string(kDiskFullReason) + ": " + std::strerror(errno);
      ds::LogWarn("HttpDownloader4::WirteFunc")("can't store block %lld of %s: %s.",
                                               static_cast<long long>(block.recordIndex),
                                               job.dataPath.c_str(), reason.c_str());
      if (job.noteFailure != nullptr) job.noteFailure(job.owner, 0, false, reason);
      state->writeFailed = true;
      job.pause->store(1);
      return 0;
    }
    block.completed.store(completed + take);
    // The block's end cuts the request off, should the server send more.
    more = take == static_cast<std::int64_t>(n) && completed + take < limit;
  }
  if (job.limiter != nullptr) job.limiter->Take(take, [&job] { return ShouldEnd(job); });
  return more ? n : 0;
}

int ProgressCallback(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* state = static_cast<TransferState*>(user);
  return ShouldEnd(*state->job) ? 1 : 0;
}

}  // namespace

std::int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t CurrentSpeed(const Download4Block& block) {
  const std::int64_t elapsed = SteadyMs() - block.requestStartMs.load();
  if (elapsed < 200) return 0;
  return (block.completed.load() - block.requestStartBytes.load()) * 1000 / elapsed;
}

void RunBlockTransfer(BlockJob* job) {
  Download4Block& block = *job->block;
  std::int64_t start = 0;
  std::int64_t end = -1;
  {
    ds::LockGuard hold(job->lock);
    if (block.abort.load() != 0 || !block.files.Open(job->recordPath, job->dataPath)) {
      block.files.Close();
      return;
    }
    start = block.start + block.completed.load();
    if (block.size.load() >= 0) end = block.start + block.size.load() - 1;
  }
  block.endedCleanly.store(false);
  block.requestStartBytes.store(block.completed.load());
  block.requestStartMs.store(SteadyMs());
  TransferState state{job, start, ResponseFacts()};
  CURL* curl = curl_easy_init();
  if (curl != nullptr) {
    char errorBuffer[CURL_ERROR_SIZE];
    ApplyRequestSettings(curl, job->request, errorBuffer);
    // A ranged request names the block's end, so the server stops there instead of sending on
    // until the connection is cut.
    const std::string range = std::to_string(start) + "-" + std::to_string(end);
    struct curl_slist* headers = nullptr;
    if (!job->stream) {
      curl_easy_setopt(curl, CURLOPT_RANGE, range.c_str());
      if (!job->ifRange.empty()) {
        headers = curl_slist_append(headers, ("If-Range: " + job->ifRange).c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
      }
    }
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, HeaderCallback);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &state);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteCallback);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, ProgressCallback);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &state);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
    // A connection that stalls ends the block; the next cycle resumes it.
    if (job->lowSpeedLimit > 0 && job->lowSpeedTime > 0) {
      curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, job->lowSpeedLimit);
      curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, job->lowSpeedTime);
    }
    // The outcome is read from the block's count; the result only explains a failure.
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    block.endedCleanly.store(code == CURLE_OK && state.facts.verdict > 0);
    block.lastBytesPerSecond.store(CurrentSpeed(block));
    const bool ourEnd = ShouldEnd(*job) || state.writeFailed ||
                        (code == CURLE_WRITE_ERROR && state.facts.verdict > 0);
    if (code != CURLE_OK && !ourEnd && job->noteFailure != nullptr) {
      ds::LockGuard hold(job->lock);
      job->noteFailure(job->owner, static_cast<int>(code), IsCertificateError(code),
                       DescribeFailure(code, errorBuffer, state.facts.verdict < 0 ? state.facts.status : 0));
    } else if (state.facts.verdict < 0 && state.facts.status >= 400 && job->noteFailure != nullptr) {
      ds::LockGuard hold(job->lock);
      job->noteFailure(job->owner, 0, false, "HTTP " + std::to_string(state.facts.status));
    }
  }
  ds::LockGuard hold(job->lock);
  block.files.Close();
}

}  // namespace download4
