#include "app/downloads/download_queue.h"

#include <algorithm>

#include "app/assoc/mgr_config.h"
#include "app/catalogue/software_mgr.h"
#include "app/downloads/download_messages.h"
#include "app/shell/update_info.h"
#include "core/log/logger.h"
#include "core/text/path.h"
#include "core/platform/disk.h"

namespace {

DownloadQueue* g_downloadQueue = nullptr;

constexpr int kDefaultDownloadCount = 5;

bool HasStatus(const SoftwareState& program, int status) {
  return program.status == status || program.updateStatus == status;
}

}  // namespace

DownloadQueue* GetDownloadQueue() { return g_downloadQueue; }

void SetDownloadQueue(DownloadQueue* queue) { g_downloadQueue = queue; }

DownloadQueue::DownloadQueue(SoftwareMgr& manager) : manager_(manager) {}

DownloadQueue::~DownloadQueue() {
  for (const std::unique_ptr<CDownloadTask>& task : tasks_)
    if (task->program() != nullptr && task->program()->downloadTask == task.get())
      task->program()->downloadTask = nullptr;
  tasks_.clear();
}

void DownloadQueue::SetClock(TickSource clock) {
  clock_ = std::move(clock);
  for (const std::unique_ptr<CDownloadTask>& task : tasks_) task->SetClock(clock_);
}

std::string DownloadQueue::CurrentDownloadDir() const { return manager_.DownloadDir(); }

int DownloadQueue::DownloadLimit() const {
  const CMgrConfig* config = GetMgrConfig();
  return config != nullptr ? std::max(1, config->GetDownloadCount()) : kDefaultDownloadCount;
}

// The running count is counted from the statuses rather than kept as a number, so a report that
// arrives twice, or a pause racing a failure, can never lower it twice.
int DownloadQueue::RunningCountExcept(const SoftwareState* program) const {
  int running = 0;
  for (const SoftwareState* listed : list_)
    if (listed != program && HasStatus(*listed, StatusDownloading)) ++running;
  return running;
}

int DownloadQueue::RunningCount() const { return RunningCountExcept(nullptr); }

bool DownloadQueue::IsListed(const SoftwareState* program) const {
  return std::find(list_.begin(), list_.end(), program) != list_.end();
}

CDownloadTask* DownloadQueue::FindTask(int id) const {
  for (const std::unique_ptr<CDownloadTask>& task : tasks_)
    if (task->program() != nullptr && task->program()->id == id) return task.get();
  return nullptr;
}

SoftwareState* DownloadQueue::FindTaskProgram(int id) const {
  CDownloadTask* task = FindTask(id);
  return task != nullptr ? task->program() : nullptr;
}

void DownloadQueue::AddDownload(SoftwareState* program) {
  if (program == nullptr) return;
  CDownloadTask* task = program->downloadTask;
  if (task == nullptr) {
    tasks_.push_back(std::make_unique<CDownloadTask>());
    task = tasks_.back().get();
    if (clock_) task->SetClock(clock_);
    program->downloadTask = task;
  }
  program->downloadDir = CurrentDownloadDir();
  task->SetQueue(this);
  task->Attach(owner_, program);
  // A program asked to run waits when every slot is taken; a restored paused one stays paused.
  if (CurrentStatus(*program) == StatusDownloading &&
      RunningCountExcept(program) >= DownloadLimit()) {
    manager_.SetStatus(program, StatusWaiting);
    task->PrepareWaitingPair();
  }
  if (CurrentStatus(*program) == StatusDownloading) task->RequestStart();
  if (!IsListed(program)) list_.push_back(program);
}

void DownloadQueue::StartWaitingDownloads() {
  // By index: a start refused at once is reported re-entrantly and may pause programs.
  for (std::size_t i = 0; i < list_.size(); ++i) {
    if (RunningCount() >= DownloadLimit()) break;
    SoftwareState* program = list_[i];
    if (!HasStatus(*program, StatusWaiting)) continue;
    manager_.SetStatus(program, StatusDownloading);
    program->downloadDir = CurrentDownloadDir();
    if (program->downloadTask != nullptr) program->downloadTask->RequestStart();
  }
}

void DownloadQueue::ResumeDownload(SoftwareState* program) {
  if (program == nullptr) return;
  const int status = CurrentStatus(*program);
  if (status == StatusDownloading || status == StatusWaiting) return;
  if (program->downloadTask == nullptr || !IsListed(program)) {
    manager_.SetStatus(program, StatusDownloading);
    AddDownload(program);
    return;
  }
  if (RunningCountExcept(program) < DownloadLimit()) {
    manager_.SetStatus(program, StatusDownloading);
    program->downloadDir = CurrentDownloadDir();
    program->downloadTask->RequestStart();
  } else {
    manager_.SetStatus(program, StatusWaiting);
  }
}

DownloadQueue::PauseOutcome DownloadQueue::PauseDownload(SoftwareState* program) {
  if (program == nullptr) return PauseOutcome::NotPaused;
  const int status = CurrentStatus(*program);
  if (status == StatusPausing) return PauseOutcome::NotPaused;
  const bool running = HasStatus(*program, StatusDownloading);
  if (!running && !HasStatus(*program, StatusWaiting)) return PauseOutcome::NotPaused;
  manager_.SetStatus(program, StatusPausing);
  if (program->downloadTask != nullptr) program->downloadTask->Pause();
  return running ? PauseOutcome::PausedRunning : PauseOutcome::PausedWaiting;
}

void DownloadQueue::CancelDownload(SoftwareState* program) {
  if (program == nullptr) return;
  manager_.SetStatus(program, StatusCancelled);
  if (program->downloadTask != nullptr) program->downloadTask->Cancel();
}

void DownloadQueue::RemoveDownload(int id) {
  list_.erase(std::remove_if(list_.begin(), list_.end(),
                             [id](const SoftwareState* program) { return program->id == id; }),
              list_.end());
  StartWaitingDownloads();
}

void DownloadQueue::FinishDownload(int id) {
  auto it = std::find_if(list_.begin(), list_.end(),
                         [id](const SoftwareState* program) { return program->id == id; });
  if (it == list_.end()) {
    StartWaitingDownloads();
    return;
  }
  SoftwareState* program = *it;
  CDownloadTask* task = program->downloadTask;
  if (task != nullptr) task->Sample(true);

  // The installer lies in the Temp folder it was downloaded into; it moves to the current
  // download folder, where detection looks for it.
  const std::string folder =
      task != nullptr && !task->folder().empty() ? task->folder() : program->downloadDir;
  const std::string from = ds::NativePath(DownloadingInstallerPath(folder, program->url));
  const std::string directory = CurrentDownloadDir();
  const std::string to = ds::NativePath(FinishedInstallerPath(directory, program->url));
  ds::MakeDirectories(ds::NativePath(directory));
  const bool moved = !InstallerFileName(program->url).empty() &&
                     ds::MoveFileReplace(from.c_str(), to.c_str()) == 1;
  list_.erase(it);
  if (!moved) {
    // Nothing to install: the program is examined afresh instead of claiming an installer.
    ds::LogWarn("DownloadQueue::FinishDownload")("can't move %s to %s.", from.c_str(), to.c_str());
    manager_.SetStatus(program, program->usesUpdateStatus ? StatusInstalled : StatusNotInstalled);
    manager_.DetectSoftware(program->id);
    StartWaitingDownloads();
    return;
  }
  manager_.SetStatus(program, StatusDownloaded);
  if (program->usesUpdateStatus == 1) {
    if (CUpdateInfo* info = GetUpdateInfo()) {
      info->RecordVersion(program->name, program->verinfo);
      if (!info->SaveUpdateInfo())
        ds::LogWarn("DownloadQueue::FinishDownload")("can't save the update bookkeeping.");
    }
  }
  const CMgrConfig* config = GetMgrConfig();
  if (config != nullptr && config->GetAutoInstall())
    ds::PostMessageTo(owner_, kMsgRunInstaller, ProgramIdParam(program->id), 0);
  StartWaitingDownloads();
}

DownloadQueue::ReportAction DownloadQueue::HandleReport(int id, int code, bool downloadWindowExists) {
  ReportAction action;
  MarkIdle(id);
  if (code == kDownload4Stopped || code == kDownload4Paused) return action;
  CDownloadTask* task = FindTask(id);
  // The second copy of a report (it is posted and sent) finds it taken.
  if (task == nullptr || !task->TakeFailureReport()) return action;
  if (task->program() != nullptr && !task->program()->downloadNote.empty())
    ds::LogWarn("DownloadQueue::HandleReport")("%s ended with code %d: %s.", task->program()->name.c_str(), code,
                                               task->program()->downloadNote.c_str());
  if (downloadWindowExists) {
    action.pauseRow = true;
  } else {
    if (PauseDownload(task->program()) == PauseOutcome::NotPaused) return action;
    StartWaitingDownloads();
    manager_.DetectSoftware(id);
  }
  action.showDiskFull = code == kDownload4NoDiskSpace;
  return action;
}

void DownloadQueue::MarkIdle(int id) {
  if (CDownloadTask* task = FindTask(id)) task->MarkIdle();
}

void DownloadQueue::SettlePause(CDownloadTask& task) {
  SoftwareState* program = task.program();
  if (program == nullptr || CurrentStatus(*program) != StatusPausing || !task.idle()) return;
  const HttpDownloader4* downloader = task.downloader();
  if (downloader == nullptr || downloader->CanDelete()) manager_.SetStatus(program, StatusPaused);
}

void DownloadQueue::SampleAll() {
  // The settings dialog may have changed the limit since the last turn.
  if (const CMgrConfig* config = GetMgrConfig()) HttpDownloader4::SetSpeedLimit(config->GetSpeedLimit());
  for (std::size_t i = 0; i < tasks_.size(); ++i) tasks_[i]->Sample(false);
}

void DownloadQueue::CollectTasks() {
  for (std::size_t i = 0; i < tasks_.size();) {
    CDownloadTask& task = *tasks_[i];
    SettlePause(task);
    const bool done = task.Maintain();
    SoftwareState* program = task.program();
    const int status = program != nullptr ? CurrentStatus(*program) : StatusNotInstalled;
    const bool kept = status == StatusPausing || status == StatusWaiting || status == StatusPaused;
    if (done && !kept) {
      if (program != nullptr && program->downloadTask == &task) program->downloadTask = nullptr;
      tasks_.erase(tasks_.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    ++i;
  }
}

void DownloadQueue::StopAllDownloads() {
  for (const std::unique_ptr<CDownloadTask>& task : tasks_) {
    task->StopForExit();
    if (task->program() != nullptr) manager_.SetStatus(task->program(), StatusStopped);
  }
}

void DownloadQueue::RestoreDownloads() {
  for (auto& entry : manager_.States()) {
    SoftwareState& program = entry.second;
    const bool queued = (program.status >= StatusWaiting && program.status <= StatusPaused) ||
                        (program.updateStatus >= StatusWaiting && program.updateStatus <= StatusPaused);
    if (queued) AddDownload(&program);
  }
}

bool DownloadQueue::IsRecordInUse(const std::string& recordPath) const {
  for (const std::unique_ptr<CDownloadTask>& task : tasks_)
    if (task->RetiredUsesRecord(recordPath)) return true;
  return false;
}

bool DownloadQueue::AllDownloadersEnded() const {
  for (const std::unique_ptr<CDownloadTask>& task : tasks_)
    if (!task->AllDownloadersEnded()) return false;
  return true;
}
