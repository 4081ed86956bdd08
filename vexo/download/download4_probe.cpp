#include "vexo/download/download4_probe.h"

#include <algorithm>

#include <curl/curl.h>

#include "vexo/download/header_line.h"

namespace download4 {
namespace {

struct ProbeState {
  const ProbeJob* job;
  int status = 0;
  bool settled = false;
};

// Only the length of a 2xx answer counts: a redirect's or an error page's length is that of
// its own small body, not of the file.
size_t HeaderCallback(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<ProbeState*>(user);
  const size_t n = size * count;
  int status = 0;
  std::string value;
  std::int64_t length = 0;
  if (ParseStatusLine(data, n, &status)) {
    state->status = status;
  } else if (state->status >= 200 && state->status < 300 &&
             MatchHeader(data, n, "content-length", &value) && ParseLengthValue(value, &length)) {
    if (state->job->onLength && state->job->onLength(length)) {
      state->settled = true;
      return 0;  // the length is known: end the probe here
    }
  }
  return n;
}

// The body of the final answer began without a usable length: nothing more to learn.
size_t WriteCallback(char*, size_t, size_t, void*) { return 0; }

int ProgressCallback(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* state = static_cast<ProbeState*>(user);
  return state->job->stop != nullptr && state->job->stop->load() != 0 ? 1 : 0;
}

}  // namespace

void RunProbe(const ProbeJob& job) {
  ProbeState state{&job};
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return;
  curl_easy_setopt(curl, CURLOPT_URL, job.url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::max(job.timeoutMs, 1)));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max(job.probeLimitMs, 1)));
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, HeaderCallback);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &state);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteCallback);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, ProgressCallback);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &state);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  curl_easy_perform(curl);
  curl_easy_cleanup(curl);
}

}  // namespace download4
