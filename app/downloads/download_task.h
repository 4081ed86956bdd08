// CDownloadTask: the download of one program's installer. It owns the engine's downloader,
// receives its reports on the engine's threads, measures the speed, watches for stalls, and turns
// outcomes into messages to its owner window. Everything but the four engine callbacks runs on
// the owner's thread; the callbacks only post or send messages and set the task's atomic flags.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/catalogue/software_state.h"
#include "core/thread/message_target.h"
#include "vexo/download/http_downloader4.h"

class DownloadQueue;

// The millisecond tick the speed and stall measurements read (replaceable in tests).
using TickSource = std::function<std::uint32_t()>;

class CDownloadTask : public IHttpDownloadOperator4 {
 public:
  // Engine settings every task's downloader gets.
  // Connect time-out; the first byte of an answer may take twice as long (slow mirrors).
  static constexpr int kTimeoutMs = 15000;
  static constexpr int kRetryCount = 10;
  static constexpr int kBlockCount = 10;
  // A sample interval counts once it is longer than this.
  static constexpr std::uint32_t kSampleIntervalMs = 2900;
  // Time without progress, summed over a run, after which the download is reported as stalled.
  static constexpr std::uint32_t kStallLimitMs = 300000;

  CDownloadTask();
  // Destroys the downloader and the retired ones; each waits for a thread that still runs.
  ~CDownloadTask() override;
  CDownloadTask(const CDownloadTask&) = delete;
  CDownloadTask& operator=(const CDownloadTask&) = delete;

  // Remembers the owner and program when given; creates the downloader on first use.
  void Attach(ds::MsgHandle owner, SoftwareState* program);
  void SetQueue(DownloadQueue* queue) { queue_ = queue; }
  void SetClock(TickSource clock);

  // Creates the download folders, then starts now, or once the last run has ended.
  void RequestStart();
  // Pauses the transfer; the record and data files stay for a resume.
  void Pause();
  // The task's side of a cancel: marks it failed and stops the downloader.
  void Cancel();
  // The task's side of stopping everything at exit: the files stay for the next run.
  void StopForExit();
  // Measures speed and progress into the program (once a second, and forced at the finish).
  void Sample(bool force);
  // Once a second: restarts a pending start, cleans up retired downloaders, and says whether
  // the task may be destroyed.
  bool Maintain();
  // Deletes the data and record files of the target in the folder the task was set up for.
  void DeleteTempPair();
  // A waiting download gets an empty record pair, so an exit before it starts leaves a paused
  // download for the next run.
  void PrepareWaitingPair();

  // A report of the last run arrived: that run has ended.
  void MarkIdle() { idle_ = 1; }
  // True once for each failure the engine or the stall monitor reported, so a report that
  // arrives twice (posted and sent) is acted on once.
  bool TakeFailureReport() {
    TakeNote();
    return failure_reported_.exchange(false);
  }
  // True when one of the replaced downloaders still uses `recordPath`.
  bool RetiredUsesRecord(const std::string& recordPath) const;
  // True when no downloader of this task runs a thread any more.
  bool AllDownloadersEnded() const;

  SoftwareState* program() const { return program_; }
  HttpDownloader4* downloader() const { return downloader_.load(); }
  bool failed() const { return failed_.load(); }
  bool idle() const { return idle_ != 0; }
  bool restartPending() const { return restart_pending_ != 0; }
  bool waitingForRecord() const { return waiting_for_record_ != 0; }
  const std::string& folder() const { return folder_; }
  std::size_t retiredCount() const { return retired_.size(); }

  // The target handed to the engine for a download folder: folder\Temp\<installer name>.
  std::string TargetIn(const std::string& folder) const;

  void OnStartTest(HttpDownloader4*) override {}
  void OnStartDownload(HttpDownloader4* downloader) override;
  void OnFinish(HttpDownloader4* downloader) override;
  void OnError(HttpDownloader4* downloader, int code) override;

 private:
  void Start();
  void CreateDownloader();
  // Copies the engine's note or failure reason into the program's row.
  void TakeNote();
  // Clears what the last run measured (speed sample, stall sum, started and paused flags).
  void ResetRunState();
  // Starts a fresh transfer; a refused start is reported like the engine's file error.
  void StartFresh(const std::string& target);
  // Moves the engine's request to keep the files into the program (owner's thread).
  void TakeKeepTempRequest();
  bool IsRecordInUse(const std::string& recordPath) const;
  void Report(unsigned message, int code, bool sent);
  // The finished installer matches the catalogue's SHA-256 (or none is given); a mismatch is
  // deleted. Runs on the download thread.
  bool InstallerMatches(HttpDownloader4* downloader) const;

  SoftwareState* program_ = nullptr;
  std::atomic<HttpDownloader4*> downloader_{nullptr};
  ds::MsgHandle owner_ = 0;
  std::atomic<bool> failed_{false};
  std::string folder_;
  std::vector<HttpDownloader4*> retired_;
  std::uint32_t last_sample_tick_ = 0;
  std::atomic<int> started_{0};
  std::atomic<bool> paused_{false};  // Pause() was asked for this run
  std::mutex retire_mutex_;  // held while the current downloader is replaced or announces a finish
  int waiting_for_record_ = 0;
  std::int64_t last_sample_bytes_ = 0;
  int fresh_ = 0;
  DownloadQueue* queue_ = nullptr;
  std::atomic<std::uint32_t> stall_time_{0};
  int restart_pending_ = 0;
  int idle_ = 1;
  // Set by the engine's threads; the owner's thread acts on them.
  std::atomic<bool> keep_temp_requested_{false};
  std::atomic<bool> failure_reported_{false};
  // The finished installer did not match the catalogue's SHA-256 and was deleted.
  std::atomic<bool> integrity_failed_{false};
  // Stopped at exit: the engine's "stopped" report then is no failure.
  std::atomic<bool> stopping_for_exit_{false};
  TickSource clock_;
};
