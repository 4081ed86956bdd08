#include "vexo/download/download4_curl.h"

#include <algorithm>

#include "core/platform/program_version.h"

namespace download4 {

namespace {
constexpr long kMaxRedirects = 10;
}  // namespace

void ApplyRequestSettings(CURL* curl, const RequestSettings& settings, char* errorBuffer) {
  curl_easy_setopt(curl, CURLOPT_URL, settings.url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::max(settings.connectTimeoutMs, 1)));
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kProgramUserAgent);
  // Certificates are always verified; a test may name the only ones it trusts.
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!settings.caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, settings.caFile.c_str());
  if (errorBuffer != nullptr) {
    errorBuffer[0] = '\0';
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
  }
}

bool IsCertificateError(CURLcode code) {
  return code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CACERT_BADFILE ||
         code == CURLE_SSL_ISSUER_ERROR || code == CURLE_SSL_PINNEDPUBKEYNOTMATCH ||
         code == CURLE_SSL_INVALIDCERTSTATUS;
}

std::string DescribeFailure(CURLcode code, const char* errorBuffer, int httpStatus) {
  if (httpStatus >= 400) return "HTTP " + std::to_string(httpStatus);
  std::string text = errorBuffer != nullptr && errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(code);
  if (IsCertificateError(code)) text = "certificate not trusted: " + text;
  return text;
}

}  // namespace download4
