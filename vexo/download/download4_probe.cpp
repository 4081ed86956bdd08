#include "vexo/download/download4_probe.h"

#include <chrono>

#include "vexo/download/header_line.h"

namespace download4 {
namespace {

using Clock = std::chrono::steady_clock;

struct ProbeState {
  const ProbeJob* job;
  ProbeResult result;
  bool hasRange = false;
  std::int64_t rangeTotal = 0;
  bool hasLength = false;
  std::int64_t contentLength = 0;
  bool hasLocation = false;
  std::string etag;
  std::string lastModified;
  bool decided = false;
  bool timedOut = false;
  Clock::time_point lastByte = Clock::now();
};

bool IsRedirect(int status) { return status >= 300 && status < 400; }

// Settles the result at the end of the final answer's headers.
void Decide(ProbeState* state) {
  ProbeResult& r = state->result;
  r.answered = r.status >= 200 && r.status < 300;
  state->decided = true;
  if (!r.answered) return;
  if (r.status == 206 && state->hasRange) {
    r.ranged = true;
    r.length = state->rangeTotal;
  } else if (r.status == 200 && state->hasLength) {
    r.length = state->contentLength;
  }
  // A weak ETag may not be sent in If-Range; a date may.
  if (!state->etag.empty() && state->etag.rfind("W/", 0) != 0) {
    r.validator = "ETag: " + state->etag;
  } else if (!state->lastModified.empty()) {
    r.validator = "Last-Modified: " + state->lastModified;
  }
}

size_t HeaderCallback(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<ProbeState*>(user);
  const size_t n = size * count;
  state->lastByte = Clock::now();
  int status = 0;
  std::string value;
  std::int64_t first = 0, last = 0;
  if (ParseStatusLine(data, n, &status)) {
    // Every answer (a redirect, an interim 100) starts afresh.
    const ProbeJob* job = state->job;
    *state = ProbeState();
    state->job = job;
    state->result.status = status;
  } else if (MatchHeader(data, n, "content-range", &value)) {
    state->hasRange = ParseContentRange(value, &first, &last, &state->rangeTotal);
  } else if (MatchHeader(data, n, "content-length", &value)) {
    state->hasLength = ParseLengthValue(value, &state->contentLength);
  } else if (MatchHeader(data, n, "transfer-encoding", &value)) {
    state->hasLength = false;  // a chunked body's length is not the file's
    state->contentLength = 0;
  } else if (MatchHeader(data, n, "location", &value)) {
    state->hasLocation = !value.empty();
  } else if (MatchHeader(data, n, "etag", &value)) {
    state->etag = value;
  } else if (MatchHeader(data, n, "last-modified", &value)) {
    state->lastModified = value;
  } else if (n <= 2 && (n == 0 || data[0] == '\r' || data[0] == '\n')) {
    const int code = state->result.status;
    // The end of a final answer's headers (libcurl follows redirects, and interim answers are
    // followed by the real one): everything needed is known, the body is not.
    if (code >= 200 && !(IsRedirect(code) && state->hasLocation)) {
      Decide(state);
      return 0;
    }
  }
  return n;
}

size_t WriteCallback(char*, size_t, size_t, void*) { return 0; }

int ProgressCallback(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* state = static_cast<ProbeState*>(user);
  if (state->job->stop != nullptr && state->job->stop->load() != 0) return 1;
  if (Clock::now() - state->lastByte > std::chrono::milliseconds(state->job->firstByteTimeoutMs)) {
    state->timedOut = true;
    return 1;
  }
  return 0;
}

}  // namespace

ProbeResult RunProbe(const ProbeJob& job) {
  ProbeState state;
  state.job = &job;
  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    state.result.failure = "can't create a request";
    return state.result;
  }
  char errorBuffer[CURL_ERROR_SIZE];
  ApplyRequestSettings(curl, job.request, errorBuffer);
  curl_easy_setopt(curl, CURLOPT_RANGE, "0-");
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, HeaderCallback);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &state);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteCallback);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, ProgressCallback);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &state);
  const CURLcode code = curl_easy_perform(curl);
  curl_easy_cleanup(curl);

  // A body that began without the blank line seen (HTTP/0.9-like) still decides.
  if (!state.decided && code == CURLE_OK) Decide(&state);
  ProbeResult result = state.result;
  if (!state.decided || !result.answered) {
    result.answered = false;
    result.curlCode = state.decided ? 0 : static_cast<int>(code);
    result.certificate = !state.decided && IsCertificateError(code);
    if (state.timedOut) {
      result.failure = "no answer within " + std::to_string(job.firstByteTimeoutMs / 1000) + " s";
    } else {
      result.failure = DescribeFailure(code, errorBuffer, result.status);
      if (state.decided && result.status < 400) result.failure = "HTTP " + std::to_string(result.status);
    }
  }
  return result;
}

std::string IfRangeValue(const std::string& validator) {
  for (const char* prefix : {"ETag: ", "Last-Modified: "}) {
    const std::string p = prefix;
    if (validator.rfind(p, 0) == 0) return validator.substr(p.size());
  }
  return std::string();
}

}  // namespace download4
