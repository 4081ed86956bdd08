#include "vexo/download/http_downloader_base.h"

#include <curl/curl.h>

HttpDownloaderBase::~HttpDownloaderBase() = default;

int HttpDownloaderBase::InitGlobal() {
  curl_global_init(CURL_GLOBAL_ALL);
  return 1;
}

void HttpDownloaderBase::FiniGlobal() { curl_global_cleanup(); }
