#include "vexo/download/http_downloader_base.h"

#include <csignal>

#include <curl/curl.h>

HttpDownloaderBase::~HttpDownloaderBase() = default;

int HttpDownloaderBase::InitGlobal() {
  // A write past the file size limit (ulimit -f) then fails with EFBIG, and the download ends
  // paused like on a full disk, instead of the process dying of the signal.
  std::signal(SIGXFSZ, SIG_IGN);
  curl_global_init(CURL_GLOBAL_ALL);
  return 1;
}

void HttpDownloaderBase::FiniGlobal() { curl_global_cleanup(); }
