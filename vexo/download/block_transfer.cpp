#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include <curl/curl.h>

#include "core/log/logger.h"
#include "vexo/download/download4_block.h"
#include "vexo/download/header_line.h"

namespace download4 {
namespace {

constexpr long kReceiveBufferSize = 128 * 1024;
constexpr long kMaxRedirects = 10;

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
};

// A body is block data only when it is exactly what was asked for: a 206 whose range starts at
// the requested byte of a file of the known length, or a 200 carrying the whole file for a
// request that starts at byte 0. Anything else (an error page, another file version) is refused.
bool AcceptBody(const TransferState& state) {
  const ResponseFacts& f = state.facts;
  const std::int64_t length = state.job->fileLength;
  if (f.status == 206) return f.hasRange && f.rangeFirst == state.requestStart && f.rangeTotal == length;
  if (f.status == 200) return state.requestStart == 0 && f.hasLength && f.length == length;
  return false;
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
  ds::LockGuard hold(job.lock);
  if (ShouldEnd(job) || !block.files.IsOpen()) return 0;
  if (state->facts.verdict == 0) state->facts.verdict = AcceptBody(*state) ? 1 : -1;
  if (state->facts.verdict < 0) return 0;

  const std::int64_t limit = BlockLength(job.fileLength, job.blockCount, job.index);
  const std::int64_t completed = block.completed.load();
  if (completed >= limit) return 0;
  const std::int64_t take = std::min<std::int64_t>(static_cast<std::int64_t>(n), limit - completed);
  const std::int64_t offset = BlockStart(job.fileLength, job.blockCount, job.index) + completed;
  if (!block.files.WriteData(offset, data, static_cast<size_t>(take)) ||
      !block.files.WriteCompleted(job.index, completed + take)) {
    // A full disk or another write error: the download ends as paused and keeps its pair.
    ds::LogWarn("HttpDownloader4::WirteFunc")("can't store block %lld of %s: %s.",
                                             static_cast<long long>(job.index), job.dataPath.c_str(),
                                             std::strerror(errno));
    job.pause->store(1);
    return 0;
  }
  block.completed.store(completed + take);
  // The block's end cuts the request off; the server would go on with the rest of the file.
  return take == static_cast<std::int64_t>(n) && completed + take < limit ? n : 0;
}

int ProgressCallback(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* state = static_cast<TransferState*>(user);
  return ShouldEnd(*state->job) ? 1 : 0;
}

}  // namespace

void RunBlockTransfer(BlockJob* job) {
  Download4Block& block = *job->block;
  {
    ds::LockGuard hold(job->lock);
    if (block.abort.load() != 0 || !block.files.Open(job->recordPath, job->dataPath)) {
      block.files.Close();
      return;
    }
  }
  TransferState state{job, BlockStart(job->fileLength, job->blockCount, job->index) + block.completed.load(),
                      ResponseFacts()};
  CURL* curl = curl_easy_init();
  if (curl != nullptr) {
    curl_easy_setopt(curl, CURLOPT_URL, job->url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::max(job->timeoutMs, 1)));
    curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(state.requestStart));
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, HeaderCallback);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &state);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteCallback);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, ProgressCallback);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &state);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
    // A connection that stalls ends the block; the next cycle resumes it.
    if (job->lowSpeedLimit > 0 && job->lowSpeedTime > 0) {
      curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, job->lowSpeedLimit);
      curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, job->lowSpeedTime);
    }
    // The outcome is read from the block's count, not from the result code.
    curl_easy_perform(curl);
    curl_easy_cleanup(curl);
  }
  ds::LockGuard hold(job->lock);
  block.files.Close();
}

}  // namespace download4
