#include "update/packet_downloader.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <mutex>

#include "core/log/logger.h"
#include "core/text/path.h"
#include "core/platform/file_write.h"

namespace update {
namespace {

constexpr long kConnectTimeoutSeconds = 30;
constexpr long kStallSeconds = 60;  // less than one byte a second for this long ends a transfer
constexpr long kMaxRedirects = 5;

struct Transfer {
  int fd = -1;
  bool write_failed = false;
  UpdateDownloadCallback* callback = nullptr;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const std::size_t bytes = size * count;
  if (!ds::WriteAll(transfer->fd, data, bytes)) {
    transfer->write_failed = true;
    return 0;  // makes curl end the transfer with a write error
  }
  return bytes;
}

int Progress(void* user, curl_off_t expected, curl_off_t so_far, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(user);
  if (transfer->callback == nullptr) return 0;
  if (transfer->callback->ShouldStop()) return 1;  // aborts the transfer
  transfer->callback->OnProgress(so_far, expected);
  return 0;
}

}  // namespace

UpdateDownloadCallback::~UpdateDownloadCallback() = default;
IPacketDownloader::~IPacketDownloader() = default;

CurlPacketDownloader::CurlPacketDownloader() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

int CurlPacketDownloader::Download(const std::string& url, const std::string& path, bool fresh,
                                   UpdateDownloadCallback* callback) {
  const std::string target = ds::NativePath(path);
  Transfer transfer;
  transfer.callback = callback;
  // A fresh file: whatever sat at the name before (a stale copy, a link) is not written through.
  ::unlink(target.c_str());
  transfer.fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (transfer.fd < 0) {
    ds::LogWarn("update::CurlPacketDownloader::Download")("can't create file %s.", target.c_str());
    return 0;
  }

  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    ::close(transfer.fd);
    ::unlink(target.c_str());
    return 0;
  }
  struct curl_slist* headers = nullptr;
  if (fresh) {
    headers = curl_slist_append(headers, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
  }
  char error[CURL_ERROR_SIZE] = {0};
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);  // an error status is no packet
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Corvane-Update/1.0");
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
  if (headers != nullptr) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

  const CURLcode code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(curl);
  curl_slist_free_all(headers);

  // Only a complete body with a 2xx status is a packet; curl reports short bodies itself.
  bool ok = code == CURLE_OK && status >= 200 && status < 300 && !transfer.write_failed;
  if (::close(transfer.fd) != 0) ok = false;
  if (!ok) {
    if (code != CURLE_ABORTED_BY_CALLBACK)
      ds::LogWarn("update::CurlPacketDownloader::Download")("%s: %s (status %ld).", url.c_str(),
                                                            error[0] ? error : curl_easy_strerror(code),
                                                            status);
    ::unlink(target.c_str());
    return 0;
  }
  return 1;
}

}  // namespace update
