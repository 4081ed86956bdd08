// DownloadQueue: the programs being downloaded, in the order they were asked for, with at most
// "DownloadCount" of them running at once; the others wait. It owns one CDownloadTask per
// program, finishes downloads (installer out of "Temp", upgrade version recorded, installer run
// when "AutoInstall" is on) and turns the tasks' reports into pauses. The main window owns it,
// drives it once a second (SampleAll, CollectTasks) and hands it the messages tasks post; the
// pages and the download window call the rest. Everything runs on the main window's thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/downloads/download_task.h"
#include "core/thread/message_target.h"

class SoftwareMgr;

class DownloadQueue {
 public:
  explicit DownloadQueue(SoftwareMgr& manager);
  // Destroys every task (a downloader whose thread still runs is waited for).
  ~DownloadQueue();
  DownloadQueue(const DownloadQueue&) = delete;
  DownloadQueue& operator=(const DownloadQueue&) = delete;

  // The window that receives the tasks' messages and "run the installer".
  void SetOwner(ds::MsgHandle owner) { owner_ = owner; }
  ds::MsgHandle owner() const { return owner_; }
  // The tick every task measures speed and stalls with (tests replace it).
  void SetClock(TickSource clock);

  // Queues a program whose status the caller set to "downloading" (or a restored paused one).
  void AddDownload(SoftwareState* program);
  // Starts waiting programs in list order while slots are free.
  void StartWaitingDownloads();
  // The resume of a paused program: it runs when a slot is free, else it waits.
  void ResumeDownload(SoftwareState* program);

  enum class PauseOutcome { NotPaused, PausedWaiting, PausedRunning };
  // The pause of a waiting or running program (nothing for any other status). A running one
  // frees its slot: the caller lets the next waiting program start.
  PauseOutcome PauseDownload(SoftwareState* program);
  // The cancel of a program: marked cancelled, its downloader stopped; RemoveDownload follows.
  void CancelDownload(SoftwareState* program);
  void RemoveDownload(int id);
  // A finished download (message 2524): installer moved out of "Temp", the program marked
  // downloaded, the upgrade version recorded, the installer run when "AutoInstall" is on.
  void FinishDownload(int id);

  // What the main window does for a task's report (message 2532) beyond what the queue did.
  struct ReportAction {
    bool pauseRow = false;      // the download window's row of the program runs its pause
    bool showDiskFull = false;  // show kDiskFullMessage and bring the main window forward
  };
  // Handles a report. Without a download window the queue pauses the program itself. A report
  // that arrives twice (posted and sent) is acted on once.
  ReportAction HandleReport(int id, int code, bool downloadWindowExists);

  // Once a second: speed and progress of every task.
  void SampleAll();
  // Once a second: maintenance of every task; tasks that are done are destroyed.
  void CollectTasks();
  // At exit: every download stops and keeps its files for the next run.
  void StopAllDownloads();
  // At start-up: queues every program whose status or upgrade status is waiting to paused.
  void RestoreDownloads();

  // True when a replaced downloader of any task still uses this record file.
  bool IsRecordInUse(const std::string& recordPath) const;
  // The program of the task downloading program `id`, or null.
  SoftwareState* FindTaskProgram(int id) const;
  void MarkIdle(int id);
  // True when no downloader runs a thread any more (shutdown waits for this, bounded).
  bool AllDownloadersEnded() const;

  // Listed programs whose status or upgrade status is "downloading".
  int RunningCount() const;
  // "DownloadCount" (at least 1).
  int DownloadLimit() const;
  const std::vector<SoftwareState*>& DownloadList() const { return list_; }
  std::size_t TaskCount() const { return tasks_.size(); }

 private:
  CDownloadTask* FindTask(int id) const;
  bool IsListed(const SoftwareState* program) const;
  int RunningCountExcept(const SoftwareState* program) const;
  // A pause whose run has ended becomes "paused".
  void SettlePause(CDownloadTask& task);
  std::string CurrentDownloadDir() const;

  SoftwareMgr& manager_;
  ds::MsgHandle owner_ = 0;
  std::vector<SoftwareState*> list_;
  std::vector<std::unique_ptr<CDownloadTask>> tasks_;
  TickSource clock_;
};

// The process's queue, set by the main window (null before and after).
DownloadQueue* GetDownloadQueue();
void SetDownloadQueue(DownloadQueue* queue);
