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

// The next request's range: from the block's next missing byte to the end of the piece that
// starts there, or to the block's end when that comes first (-1: the block has no known end).
// False when the block is complete or its transfer is to end.
bool NextRange(BlockJob* job, std::int64_t* start, std::int64_t* end) {
  Download4Block& block = *job->block;
  ds::LockGuard hold(job->lock);
  if (ShouldEnd(*job) || !block.files.IsOpen()) return false;
  const std::int64_t size = block.size.load();
  const std::int64_t completed = block.completed.load();
  if (size >= 0 && completed >= size) return false;
  *start = block.start + completed;
  *end = size < 0 ? -1 : block.start + size - 1;
  if (*end >= 0 && *end - *start + 1 > kRequestPieceBytes) {
    // Pieces end on a 64 KiB boundary of the file, so every piece after a block's first starts
    // on one: servers send page-aligned file ranges in whole pages (nginx paces an unaligned
    // range at half the speed of an aligned one).
    const std::int64_t aligned = (*start + kRequestPieceBytes) / kPieceAlignment * kPieceAlignment;
    *end = (aligned > *start ? aligned : *start + kRequestPieceBytes) - 1;
  }
  return true;
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
  {
    ds::LockGuard hold(job->lock);
    if (block.abort.load() != 0 || !block.files.Open(job->recordPath, job->dataPath)) {
      block.files.Close();
      return;
    }
  }
  block.endedCleanly.store(false);
  block.requestStartBytes.store(block.completed.load());
  block.requestStartMs.store(SteadyMs());
  CURL* curl = curl_easy_init();
  std::int64_t start = 0;
  std::int64_t end = -1;
  // A block is asked for in pieces, one request after another on the same connection (libcurl
  // keeps it open): a request names where it stops, so the server never sends past it, and a
  // server that paces each request (nginx's limit_rate sends the first megabytes of every
  // request at once, which aria2's segment requests get too) is asked afresh every piece. A
  // stream is one request.
  char errorBuffer[CURL_ERROR_SIZE];
  bool first = true;
  while (curl != nullptr && (first || !job->stream) && NextRange(job, &start, &end)) {
    first = false;
    TransferState state{job, start, ResponseFacts()};
    curl_easy_reset(curl);
    ApplyRequestSettings(curl, job->request, errorBuffer);
    const std::string range = std::to_string(start) + "-" + (end >= 0 ? std::to_string(end) : std::string());
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
    curl_slist_free_all(headers);
    const bool clean = code == CURLE_OK && state.facts.verdict > 0;
    block.endedCleanly.store(clean);
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
    // A failed request ends the block for this cycle (the next cycle resumes it). A piece
    // received whole goes on with the next one; so does a request we ended ourselves (the
    // block's end, moved by a split, cut it off), and the next range finds whether anything is
    // left and whether the transfer is to stop.
    if (!clean && !ourEnd) break;
  }
  if (curl != nullptr) curl_easy_cleanup(curl);
  ds::LockGuard hold(job->lock);
  block.files.Close();
}

}  // namespace download4
