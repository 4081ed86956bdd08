// What every request of the block downloader shares: the libcurl options (protocols, time-outs,
// redirects, identity, trusted certificates) and the reading of a failed request's outcome.
// Internal to the download engine.
#pragma once

#include <string>

#include <curl/curl.h>

namespace download4 {

struct RequestSettings {
  std::string url;
  int connectTimeoutMs = 15000;  // each connection, TLS handshake included
  std::string caFile;            // certificates to trust instead of the system's; "" for those
};

// Sets the shared options; `errorBuffer` (CURL_ERROR_SIZE bytes) receives curl's error text.
void ApplyRequestSettings(CURL* curl, const RequestSettings& settings, char* errorBuffer);

// True for the results that mean the server's certificate was not trusted.
bool IsCertificateError(CURLcode code);

// The text of a failed request for the rows and the log: "HTTP 404" for an error answer, else
// curl's own words (prefixed "certificate not trusted: " for certificate errors).
std::string DescribeFailure(CURLcode code, const char* errorBuffer, int httpStatus);

}  // namespace download4
