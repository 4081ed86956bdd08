// Fetching one packet file from the update server into a local file.
#pragma once

#include <cstdint>
#include <string>

namespace update {

// Told about a running download; also asked whether to give it up.
class UpdateDownloadCallback {
 public:
  virtual ~UpdateDownloadCallback();
  // Bytes received so far and bytes expected (0 while unknown).
  virtual void OnProgress(std::int64_t so_far, std::int64_t expected) = 0;
  // True when the download should be abandoned as soon as possible.
  virtual bool ShouldStop() = 0;
};

class IPacketDownloader {
 public:
  virtual ~IPacketDownloader();
  // Fetches `url` into the file `path` (created or truncated). `fresh` asks every cache on the
  // way to fetch the file anew (after a copy failed verification). 1 when the server delivered
  // the whole file with a success status; 0 otherwise, and then no file is left at `path`.
  virtual int Download(const std::string& url, const std::string& path, bool fresh,
                       UpdateDownloadCallback* callback) = 0;
};

// The downloader over libcurl: HTTP and HTTPS only (redirects too), error statuses and
// truncated bodies are failures, a stalled connection is given up after a minute.
class CurlPacketDownloader : public IPacketDownloader {
 public:
  CurlPacketDownloader();
  int Download(const std::string& url, const std::string& path, bool fresh,
               UpdateDownloadCallback* callback) override;
};

}  // namespace update
