// HttpDownloader4: downloads one file over HTTP in parallel range requests, one per block, and
// resumes an interrupted download from its ".rd2" record. Progress is read by the owner
// (GetCompletedSize, GetFileLength); the outcome arrives through IHttpDownloadOperator4 on the
// download thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/thread/sync.h"
#include "core/thread/thread.h"
#include "vexo/download/http_downloader_base.h"
#include "vexo/download/record_file.h"
#include "vexo/export.h"

class HttpDownloader4;
namespace download4 {
struct ProbeResult;
}

// The codes OnError reports.
enum HttpDownload4Error {
  kDownload4LinkTestFailed = 0,   // no positive length with a full block list after every probe,
                                  // or paused during the link test before it succeeded
  kDownload4Incomplete = 1,       // every transfer cycle used and the file still incomplete
  kDownload4FileError = 2,        // record or data file cannot be opened, or the finished file
                                  // cannot be moved onto the target
  kDownload4StoppedInTest = 3,    // stop requested during the link test
  kDownload4Stopped = 4,          // stop requested during the transfer
  kDownload4Paused = 5,           // pause requested during the transfer or right after the
                                  // link test, or a write failed (full disk, file size limit):
                                  // the pair stays for a resume
  kDownload4NoDiskSpace = 6,      // too little free space for the missing bytes
};

// Implemented by the owner; every call arrives on the download thread.
class VEXO_API IHttpDownloadOperator4 {
 public:
  virtual void OnStartTest(HttpDownloader4*) {}
  virtual void OnStartDownload(HttpDownloader4*) {}
  virtual void OnFinish(HttpDownloader4*) {}
  virtual void OnError(HttpDownloader4*, int /*code*/) {}
  virtual ~IHttpDownloadOperator4() = default;
};

struct Download4Block;  // one block's live state (download thread and block threads)

// The start of DownloadFailure::text when a write failed (full disk, file size limit).
constexpr char kDiskFullReason[] = "disk full";

// Why the last attempt of a download failed, for the rows and the log; the error codes above
// stay the outcome, this only explains them.
struct DownloadFailure {
  int curlCode = 0;          // libcurl's result (0 when an answer or a write failed)
  bool certificate = false;  // the server's certificate was not trusted
  std::string text;          // "HTTP 404", curl's error text, "disk full: ...", or ""
};

class VEXO_API HttpDownloader4 : public HttpDownloaderBase {
 public:
  HttpDownloader4();
  // Stops a download that still runs and waits for its thread: the owner should only delete a
  // downloader whose CanDelete() is 1, but a forgotten one must not crash. The operator may also
  // delete it from its final report (OnFinish or OnError).
  ~HttpDownloader4() override;
  HttpDownloader4(const HttpDownloader4&) = delete;
  HttpDownloader4& operator=(const HttpDownloader4&) = delete;

  static constexpr int kMaxBlockCount = 64;
  // Stores the operator and numbers; the block count is kept within 1..kMaxBlockCount. Returns 1.
  // `timeoutMs` bounds every connection (TLS included); an answer's first byte may take twice
  // as long. Neither is a limit on a whole request or on the link test's redirect chain.
  int Init(IHttpDownloadOperator4* op, int timeoutMs, int retryCount, int blockCount);

  // Starts a fresh download of `url` into `target` (the pair target.rd2 / target.tmp is created
  // anew). 0, with no thread started, when no operator is set, a download still runs, `url` or
  // `target` is longer than 259 characters (or the pair's names would be), or the pair cannot
  // be created. The save folder is `target` without its last path component unless given.
  int Download(const char* url, const char* target);
  int Download(const char* url, const char* target, const char* saveFolder);
  // Resumes from target.rd2 / target.tmp. 0 when no operator is set, a download still runs, or
  // the pair is not usable (it has then been deleted).
  int Continue(const char* target);

  void Continue() { pause_.store(0); }
  void Pause() { pause_.store(1); }
  void Stop() { stop_.store(1); pause_.store(0); }
  void Fini() { Stop(); }
  void ReSetState() { pause_.store(0); stop_.store(0); }
  int IsPause() const { return pause_.load(); }
  int IsStop() const { return stop_.load(); }
  int CanDelete() const { return can_delete_.load(); }

  std::int64_t GetFileLength() const { return file_length_.load(); }
  // The sum of the blocks' completed counts; may be a moment old while blocks are written.
  std::int64_t GetCompletedSize() const;

  // Record pair operations (see record_file.h).
  int CreateTemp(const char* url, const char* target);
  int ReadTempFile(const char* target);
  static int LoadRecordFile(const char* recordPath, RecordFileHeader4* header,
                            std::vector<BlockHeader4>* blocks);
  static int LoadTempFile(const char* dataPath, const RecordFileHeader4* header);
  // 1 when `path` equals this downloader's record path byte for byte.
  int CheckTemp(const char* path) const;
  int DeleteTemp();

  // Runs the link test's probe on the caller's thread and applies its answer: 1 when the
  // download can go on (in blocks, or as one stream whose length may be unknown), 0 with the
  // reason in GetFailure() otherwise.
  static int TestLink(HttpDownloader4* downloader);

  // A transfer slower than `bytesPerSecond` for `seconds` ends its block (the next cycle resumes
  // it). Defaults: 1 byte/s for 60 s. Set before starting a download.
  void SetLowSpeedLimit(long bytesPerSecond, long seconds);
  // Trusts only the certificates in `path` instead of the system's ("" for the system's).
  void SetCaFile(const std::string& path) { ca_file_ = path; }
  // A block that finishes while another has more than this left takes over part of its rest
  // (in proportion to the two speeds, at most half).
  void SetSplitThreshold(std::int64_t bytes) { split_threshold_ = bytes; }
  static constexpr std::int64_t kDefaultSplitThreshold = 512 << 10;

  // The speed limit of all downloads together, in KiB/s; 0 for none.
  static void SetSpeedLimit(std::int64_t kibPerSecond);
  static std::int64_t GetSpeedLimit();

  // Why the last run failed, if it did (safe from any thread).
  DownloadFailure GetFailure() const;
  // Something the owner should tell the user about the run, such as why it started again from
  // byte 0 ("" when nothing); safe from any thread.
  std::string GetNote() const;
  // The download runs as one stream from byte 0 (the server does not serve ranges); its length
  // may be unknown (GetFileLength() 0) until it ends.
  bool IsSingleStream() const { return stream_.load(); }

  const std::string& GetUrl() const { return url_; }
  const std::string& GetTargetPath() const { return target_path_; }
  const std::string& GetSaveFolder() const { return save_folder_; }
  const std::string& GetDataPath() const { return data_path_; }
  const std::string& GetRecordPath() const { return record_path_; }
  int GetBlockCountSetting() const { return block_count_; }
  // A copy of the block list (completed counts and lengths).
  std::vector<BlockHeader4> GetBlocks() const;

 private:
  friend struct Download4Access;

  int StartThread();
  static std::uint32_t DownloadThread(void* self);
  void RunDownload();
  bool RunLinkTest();
  int RunCycles();
  void Finish();
  void Report(int code);
  // Replaces the block list (download thread or caller's thread, never while blocks run).
  void SetBlocks(const std::vector<BlockHeader4>& blocks);
  // The probe's answer applied to the block list (see the link test); false when it failed.
  bool TakeProbe(const download4::ProbeResult& result);
  // Switches to one stream from byte 0; `why` becomes the note when bytes were stored.
  void BecomeStream(std::int64_t length, const char* why);
  // Rewrites the record (layout, counts) and sizes the data file for the current block list.
  bool PrepareFiles();
  void SetFailure(int curlCode, bool certificate, const std::string& text);
  void SetNote(const std::string& note);
  static void NoteFailure(void* self, int curlCode, bool certificate, const std::string& text);
  // When `finished` has ended complete: the running block that would end last hands part of
  // its rest to a new block (returned; null when no block has more than the threshold left).
  Download4Block* SplitLargestRemainder(const Download4Block& finished);
  std::vector<Download4Block*> BlockPointers() const;

  std::string url_;
  std::string save_folder_;
  std::string target_path_;
  std::string data_path_;
  std::string record_path_;
  IHttpDownloadOperator4* operator_ = nullptr;
  std::atomic<std::int64_t> file_length_{0};
  int timeout_ms_ = 5000;
  int retry_count_ = 10;
  int block_count_ = 5;
  long low_speed_limit_ = 1;
  long low_speed_time_ = 60;
  std::string ca_file_;
  std::int64_t split_threshold_ = kDefaultSplitThreshold;
  // The validator of the file the blocks came from ("ETag: x" / "Last-Modified: x" or "").
  std::string validator_;
  std::atomic<bool> stream_{false};
  // Blocks of the even layout, recorded as the header's count; blocks past them were split off.
  std::int64_t base_block_count_ = 0;
  std::atomic<int> range_refused_{0};
  std::atomic<std::int64_t> stream_length_{0};
  mutable std::mutex report_mutex_;  // failure_ and note_
  DownloadFailure failure_;
  std::string note_;
  std::atomic<int> stop_{0};
  std::atomic<int> pause_{0};
  std::atomic<int> can_delete_{1};
  // The blocks' state; the vector itself is replaced only under blocks_mutex_, counts are atomic.
  std::vector<std::unique_ptr<Download4Block>> blocks_;
  mutable std::mutex blocks_mutex_;
  // Serialises every block write (data, count, record) and the closing of a block's files.
  ds::SimpleLock lock_;
  ds::ThreadHandle thread_ = nullptr;
  std::mutex start_mutex_;  // held while thread_ is being set
  std::atomic<std::thread::id> download_thread_id_{};
  std::shared_ptr<bool> deleted_;  // the running download thread's "deleted from a report" flag
};
