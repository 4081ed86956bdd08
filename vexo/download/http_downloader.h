// The single-stream downloader: its own HTTP/1.1 client over a TCP socket (CHttpSocket), a link
// test that follows redirects, one connection for the data, and resume from the ".rd" record.
// Sizes are 32-bit: a remote file of 2 GiB or more is refused.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "vexo/download/http_downloader_base.h"
#include "vexo/download/rd_record.h"
#include "vexo/export.h"

class HttpDownloader;

// Codes of IHttpDownloadOperator::OnError.
enum HttpDownloaderError {
  kHttpErrorLinkTest = 0,    // the link test found no usable length
  kHttpErrorIncomplete = 1,  // every attempt used up, the file still incomplete
  kHttpErrorFile = 2,        // record or data file cannot be opened or written, or the final move failed
  kHttpErrorStopped = 3,     // Stop() was called
};

// What a socket download reports; every call comes on the download thread.
class VEXO_API IHttpDownloadOperator {
 public:
  virtual void OnStartTest(HttpDownloader*) {}
  virtual void OnStartDownload(HttpDownloader*) {}
  virtual void OnProgress(HttpDownloader*, int /*completed*/, int /*total*/, float /*bytesPerSecond*/) {}
  virtual void OnFinish(HttpDownloader*) {}
  virtual void OnError(HttpDownloader*, int /*code*/) {}
  virtual void OnPrint(HttpDownloader*, const char* /*text*/) {}

  virtual ~IHttpDownloadOperator() = default;
};

class VEXO_API HttpDownloader : public HttpDownloaderBase {
 public:
  HttpDownloader();
  // Asks a running download to stop and waits for its thread. The operator may also delete the
  // downloader from its final report (OnFinish, or the OnError that ends the thread).
  ~HttpDownloader() override;
  HttpDownloader(const HttpDownloader&) = delete;
  HttpDownloader& operator=(const HttpDownloader&) = delete;

  // Stores the receiver and the numbers (time-out of every connect and receive; link-test
  // attempts and transfer attempts). Returns 1.
  int Init(IHttpDownloadOperator* op, int timeoutMs, int retryCount);

  // Starts downloading `url` to `target` on a new thread, with a fresh record pair. 0 when no
  // operator is set, a download is still running, `url` or `target` is 260 characters or more
  // (or target.tmp would be), or the pair cannot be created.
  int Download(const char* url, const char* target);
  // Resumes from target.rd and target.tmp. A pair that is not valid is deleted and 0 returned;
  // so is 0 when no operator is set or a download is still running.
  int Continue(const char* target);

  void Continue() { pause_ = 0; }
  void ReSetPauseState() { pause_ = 0; }
  void Pause() { pause_ = 1; }
  void Stop() {
    stop_ = 1;
    pause_ = 0;
  }
  void Fini() { Stop(); }
  int IsPause() const { return pause_; }
  int IsStop() const { return stop_; }
  int CanDelete() const { return can_delete_; }
  int GetCompletedSize() const { return completed_; }
  int GetFileLength() const { return file_length_; }
  int GetStatusCode() const { return status_code_; }

  // The record operations of the socket form.
  int CreateTemp(const char* url, const char* target);
  static int LoadRecordFile(const char* recordPath, RecordFileHeader* header);
  static int LoadTempFile(const char* dataPath, const RecordFileHeader& header);

  // Runs the link test on the calling thread (each attempt on a helper thread, bounded by the
  // time-out): 1 when the last answer was 2xx with a positive length, 0 when every attempt failed
  // or the server answered 500, -1 when stopped (OnError(3) has then been reported).
  static int TestLink(HttpDownloader* downloader);

  // The URL now in use (a redirect found by the link test replaces it) and the last host.
  std::string GetUrl() const;
  std::string GetHost() const;

 private:
  enum class AttemptResult { kEnded, kStopped, kFileError };

  void Run();
  AttemptResult RunAttempt(RdFiles* files);
  bool WaitWhilePaused();  // false when stopped meanwhile
  // The last act of the download thread: reports `code` (OnError) or success (-1, OnFinish) and
  // marks the downloader deletable, unless the report deleted it.
  void End(int code);
  int Start();

  mutable std::mutex text_mutex_;  // url_ and host_, changed by the link test
  std::string url_;
  std::string target_;
  std::string data_path_;
  std::string record_path_;
  IHttpDownloadOperator* operator_ = nullptr;
  std::string host_;
  std::atomic<int> status_code_{0};
  std::atomic<std::int32_t> completed_{0};
  std::atomic<std::int32_t> file_length_{0};
  int timeout_ms_ = 5000;
  int retry_count_ = 10;
  std::atomic<int> stop_{0};
  std::atomic<int> pause_{0};
  std::atomic<int> can_delete_{1};
  std::thread thread_;
  std::mutex start_mutex_;  // held while thread_ is being set
  std::shared_ptr<bool> deleted_;  // set by End() on the download thread while it reports
};
