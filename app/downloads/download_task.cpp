#include "app/downloads/download_task.h"

#include <unistd.h>

#include "app/downloads/download_messages.h"
#include "app/downloads/download_queue.h"
#include "core/crypto/sha256.h"
#include "core/log/logger.h"
#include "core/text/ascii.h"
#include "core/text/path.h"
#include "core/thread/thread.h"
#include "vexo/download/record_file.h"

namespace {

// The engine refuses a URL or target of this many characters or more.
constexpr std::size_t kMaxEnginePath = 260;

bool IsFailureCode(int code) {
  return code == kDownload4LinkTestFailed || code == kDownload4Incomplete ||
         code == kDownload4FileError || code == kDownload4StoppedInTest ||
         code == kDownload4NoDiskSpace;
}

}  // namespace

CDownloadTask::CDownloadTask() : clock_(&ds::GetTick) {}

CDownloadTask::~CDownloadTask() {
  delete downloader_.exchange(nullptr);
  for (HttpDownloader4* retired : retired_) delete retired;
}

void CDownloadTask::SetClock(TickSource clock) {
  clock_ = clock ? std::move(clock) : TickSource(&ds::GetTick);
}

void CDownloadTask::Attach(ds::MsgHandle owner, SoftwareState* program) {
  if (owner != 0) owner_ = owner;
  if (program != nullptr) program_ = program;
  if (downloader() == nullptr && program_ != nullptr) {
    CreateDownloader();
    program_->speed = 0;
    folder_ = program_->downloadDir;
  }
}

void CDownloadTask::CreateDownloader() {
  auto* downloader = new HttpDownloader4();
  downloader->Init(this, kTimeoutMs, kRetryCount, kBlockCount);
  downloader_.store(downloader);
}

std::string CDownloadTask::TargetIn(const std::string& folder) const {
  return program_ != nullptr ? DownloadingInstallerPath(folder, program_->url) : std::string();
}

void CDownloadTask::TakeKeepTempRequest() {
  if (keep_temp_requested_.exchange(false) && program_ != nullptr) program_->keepTemp = 1;
}

void CDownloadTask::RequestStart() {
  if (program_ == nullptr) return;
  const std::string folder = ds::NativePath(program_->downloadDir);
  const std::string temp = ds::NativePath(DownloadTempFolder(program_->downloadDir));
  if (!ds::MakeDirectories(folder) || !ds::MakeDirectories(temp))
    ds::LogWarn("CDownloadTask::RequestStart")("can't create %s.", temp.c_str());
  HttpDownloader4* downloader = this->downloader();
  // The last run may still be ending (paused or stopped): start once it has reported.
  if (downloader != nullptr &&
      (downloader->IsPause() || downloader->IsStop() || !downloader->CanDelete())) {
    restart_pending_ = 1;
    return;
  }
  Start();
}

void CDownloadTask::Start() {
  if (program_ == nullptr) return;
  SoftwareState& program = *program_;
  TakeKeepTempRequest();
  if (downloader() == nullptr) Attach(0, nullptr);
  if (folder_.empty()) folder_ = program.downloadDir;

  // The download folder changed: the old downloader retires (its thread may still run) and a
  // new one starts in the new folder.
  if (folder_ != program.downloadDir) {
    if (program.keepTemp) {
      program.keepTemp = 0;
      DeleteTempPair();
    }
    HttpDownloader4* old = downloader();
    old->Stop();
    retired_.push_back(old);
    std::lock_guard<std::mutex> hold(retire_mutex_);
    CreateDownloader();
    waiting_for_record_ = 0;
    folder_ = program.downloadDir;
    fresh_ = 1;
    program.speed = 0;
  }
  ResetRunState();
  restart_pending_ = 0;
  idle_ = 0;
  stopping_for_exit_ = false;

  const std::string target = TargetIn(program.downloadDir);
  const std::string record = RecordPathOf(target);
  bool recordExists = ds::IsRegularFile(ds::NativePath(record));

  // Only a download paused or interrupted in this run (or restored at start-up) resumes; a pair
  // left over from anything else is thrown away, unless a retired downloader still writes it.
  if (!fresh_ && !started_ && !program.keepTemp) {
    if (recordExists && IsRecordInUse(record)) {
      waiting_for_record_ = 1;
      return;
    }
    DeleteTempPair();
    recordExists = false;
  }
  fresh_ = 0;
  failed_ = false;
  program.keepTemp = 0;

  HttpDownloader4* downloader = this->downloader();
  if (recordExists) {
    RecordFileHeader4 header;
    std::vector<BlockHeader4> blocks;
    // A download that ran as one stream cannot be resumed: it starts again, and its row says why.
    if (ReadRecordFile(record, &header, &blocks) && IsStreamRecord(blocks) && program.url == header.url &&
        downloader->Continue(target.c_str()) == 1) {
      program.speed = 0;
      program.downloadNote = downloader->GetNote();
      return;
    }
  }
  if (recordExists) {
    // A record of another block layout would fail the engine's link test on every resume, so
    // such a download starts afresh instead.
    RecordFileHeader4 header;
    std::vector<BlockHeader4> blocks;
    // So would a record of another address: a corrected or updated catalogue address is a new
    // download, not the old one resumed.
    if (ReadRecordFile(record, &header, &blocks) &&
        header.blockCount == downloader->GetBlockCountSetting() && program.url == header.url) {
      program.speed = 0;
      if (downloader->Continue(target.c_str()) == 1) return;
    }
  }
  StartFresh(target);
}

void CDownloadTask::TakeNote() {
  HttpDownloader4* downloader = this->downloader();
  if (program_ == nullptr || downloader == nullptr) return;
  const DownloadFailure failure = downloader->GetFailure();
  std::string note = failure.text.empty() ? downloader->GetNote() : failure.text;
  if (integrity_failed_.load()) note = kIntegrityFailedMessage;
  if (!note.empty()) program_->downloadNote = note;
}

void CDownloadTask::ResetRunState() {
  // A new run measures from its own start: an old sample tick would make the first interval
  // span the time since the last run ended (a negative speed, the whole gap counted as stall).
  started_ = 0;
  paused_ = false;
  integrity_failed_ = false;
  if (program_ != nullptr) {
    program_->downloadNote.clear();
    program_->totalUnknown = 0;
  }
  last_sample_tick_ = 0;
  last_sample_bytes_ = 0;
  stall_time_ = 0;
}

void CDownloadTask::StartFresh(const std::string& target) {
  SoftwareState& program = *program_;
  HttpDownloader4* downloader = this->downloader();
  const std::string saveFolder = DownloadTempFolder(program.downloadDir);
  // A URL without a file name would make the Temp folder itself the target.
  if (program.url.size() >= kMaxEnginePath || target.size() >= kMaxEnginePath ||
      InstallerFileName(program.url).empty() ||
      downloader->Download(program.url.c_str(), target.c_str(), saveFolder.c_str()) != 1) {
    ds::LogWarn("CDownloadTask::Start")("can't start the download of %s into %s.",
                                        program.url.c_str(), target.c_str());
    OnError(downloader, kDownload4FileError);
    return;
  }
  program.speed = 0;
}

void CDownloadTask::DeleteTempPair() {
  if (program_ == nullptr) return;
  const std::string target = TargetIn(folder_);
  ::unlink(ds::NativePath(DataPathOf(target)).c_str());
  ::unlink(ds::NativePath(RecordPathOf(target)).c_str());
  ::unlink(ds::NativePath(ValidatorPathOf(target)).c_str());
}

void CDownloadTask::PrepareWaitingPair() {
  HttpDownloader4* downloader = this->downloader();
  if (program_ == nullptr || downloader == nullptr || InstallerFileName(program_->url).empty()) return;
  const std::string target = TargetIn(program_->downloadDir);
  if (ds::IsRegularFile(ds::NativePath(DataPathOf(target))) &&
      ds::IsRegularFile(ds::NativePath(RecordPathOf(target))))
    return;
  ds::MakeDirectories(ds::NativePath(DownloadTempFolder(program_->downloadDir)));
  if (!downloader->CreateTemp(program_->url.c_str(), target.c_str()))
    ds::LogWarn("CDownloadTask::PrepareWaitingPair")("can't create the record of %s.", target.c_str());
}

void CDownloadTask::Pause() {
  HttpDownloader4* downloader = this->downloader();
  if (downloader == nullptr) return;
  waiting_for_record_ = 0;
  if (program_ != nullptr) program_->speed = 0;
  restart_pending_ = 0;
  // Marked before the engine hears of it: a link test that succeeds meanwhile then cannot
  // restart the monitoring (see OnStartDownload).
  paused_ = true;
  downloader->Pause();
  last_sample_tick_ = 0;
  started_ = 0;
  if (program_ != nullptr) program_->keepTemp = 1;
}

void CDownloadTask::Cancel() {
  failed_ = true;
  waiting_for_record_ = 0;
  if (program_ != nullptr) program_->speed = 0;
  restart_pending_ = 0;
  started_ = 0;
  if (HttpDownloader4* downloader = this->downloader()) downloader->Stop();
}

void CDownloadTask::StopForExit() {
  failed_ = false;
  HttpDownloader4* downloader = this->downloader();
  if (downloader == nullptr) return;
  stopping_for_exit_ = true;
  waiting_for_record_ = 0;
  if (program_ != nullptr) program_->speed = 0;
  restart_pending_ = 0;
  started_ = 0;
  downloader->Stop();
}

void CDownloadTask::Sample(bool force) {
  if (program_ == nullptr) return;
  SoftwareState& program = *program_;
  TakeKeepTempRequest();
  if (waiting_for_record_ &&
      !ds::IsRegularFile(ds::NativePath(RecordPathOf(TargetIn(program.downloadDir))))) {
    waiting_for_record_ = 0;
    RequestStart();
  }
  HttpDownloader4* downloader = this->downloader();
  if (!started_ || downloader == nullptr) return;

  const std::int64_t completed = downloader->GetCompletedSize();
  // A length not known (yet) leaves the last total: it stays at least 1 for the rows' ratio.
  const std::int64_t length = downloader->GetFileLength();
  if (length > 0) program.totalBytes = length;
  if (program.totalBytes < 1) program.totalBytes = 1;
  program.totalUnknown = downloader->IsSingleStream() && length <= 0 ? 1 : 0;
  TakeNote();
  std::uint32_t now = clock_();
  if (now == 0) now = 1;  // 0 marks "no sample yet"
  const std::uint32_t elapsed = now - last_sample_tick_;
  if (last_sample_tick_ != 0 && elapsed > 0 && (force || elapsed > kSampleIntervalMs)) {
    program.speed = static_cast<float>(static_cast<double>(completed - last_sample_bytes_) * 1000.0 /
                                       (static_cast<double>(elapsed) * 1024.0));
    if (program.speed < 0.000001f) {
      // One atomic update: an engine thread may reset the sum at the same moment.
      const std::uint32_t stalled = stall_time_.fetch_add(elapsed) + elapsed;
      if (stalled >= kStallLimitMs) {
        // Not sampled, so the report repeats every second while the stall lasts.
        failure_reported_ = true;
        Report(kMsgDownloadReport, kDownload4Incomplete, false);
        return;
      }
    }
    last_sample_tick_ = now;
    last_sample_bytes_ = completed;
  } else if (last_sample_tick_ == 0) {
    last_sample_tick_ = now;
    last_sample_bytes_ = completed;
  }
  program.downloadedBytes = completed;
}

bool CDownloadTask::Maintain() {
  TakeKeepTempRequest();
  HttpDownloader4* downloader = this->downloader();
  // A start asked for while the last run was ending goes ahead once that run has reported and
  // its thread is gone (a resume before then would be refused by the engine).
  if (restart_pending_ && idle_ && (downloader == nullptr || downloader->CanDelete())) {
    if (downloader != nullptr && downloader->IsStop()) DeleteTempPair();
    if (downloader != nullptr) downloader->ReSetState();
    Start();
    downloader = this->downloader();
  }
  if (!waiting_for_record_ &&
      (downloader == nullptr || (downloader->CanDelete() && downloader->IsStop())) &&
      retired_.empty() && idle_) {
    if (failed_) {
      if (downloader != nullptr && program_ != nullptr && !program_->keepTemp)
        downloader->DeleteTemp();
      else
        DeleteTempPair();
    }
    return true;
  }
  for (auto it = retired_.begin(); it != retired_.end();) {
    HttpDownloader4* retired = *it;
    if (!retired->CanDelete()) {
      ++it;
      continue;
    }
    if (!retired->IsPause()) retired->DeleteTemp();
    delete retired;
    it = retired_.erase(it);
  }
  return false;
}

bool CDownloadTask::RetiredUsesRecord(const std::string& recordPath) const {
  for (const HttpDownloader4* retired : retired_)
    if (retired->CheckTemp(recordPath.c_str())) return true;
  return false;
}

bool CDownloadTask::IsRecordInUse(const std::string& recordPath) const {
  return queue_ != nullptr ? queue_->IsRecordInUse(recordPath) : RetiredUsesRecord(recordPath);
}

bool CDownloadTask::AllDownloadersEnded() const {
  const HttpDownloader4* downloader = this->downloader();
  if (downloader != nullptr && !downloader->CanDelete()) return false;
  for (const HttpDownloader4* retired : retired_)
    if (!retired->CanDelete()) return false;
  return true;
}

void CDownloadTask::Report(unsigned message, int code, bool sent) {
  if (program_ == nullptr) return;
  const ds::WParam id = ProgramIdParam(program_->id);
  if (sent)
    ds::SendMessageTo(owner_, message, id, code);
  else
    ds::PostMessageTo(owner_, message, id, code);
}

// --- engine callbacks (engine threads) ---------------------------------------------------------

void CDownloadTask::OnStartDownload(HttpDownloader4* downloader) {
  if (downloader != downloader_.load()) return;
  stall_time_ = 0;
  started_ = 1;
  // A pause that came while the link test ran holds: Pause() marks paused_ before it clears
  // started_, so whichever of the two threads comes second leaves the monitor off.
  if (paused_.load() || downloader->IsPause()) started_ = 0;
}

bool CDownloadTask::InstallerMatches(HttpDownloader4* downloader) const {
  // The catalogue row never changes while the program downloads, so it is read here as it is.
  const std::string expected = program_ != nullptr ? ds::AsciiLower(program_->sha256) : std::string();
  if (expected.empty()) return true;
  const std::string target = downloader->GetTargetPath();
  const std::string actual = ds::Sha256FileHex(target);
  if (actual == expected) return true;
  ds::LogWarn("CDownloadTask::OnFinish")("%s has SHA-256 %s, the catalogue says %s: deleted.", target.c_str(),
                                         actual.empty() ? "(unreadable)" : actual.c_str(), expected.c_str());
  ::unlink(ds::NativePath(target).c_str());
  return false;
}

void CDownloadTask::OnFinish(HttpDownloader4* downloader) {
  // Hashed here, on the download's own thread: a large installer takes a while.
  if (!InstallerMatches(downloader)) {
    if (downloader != downloader_.load()) return;
    integrity_failed_ = true;
    failed_ = true;
    failure_reported_ = true;
    Report(kMsgDownloadReport, kDownload4FileError, false);
    Report(kMsgDownloadReport, kDownload4FileError, true);
    return;
  }
  // Checked and posted under the lock Start() holds to retire a downloader: once retired, a
  // downloader can no longer announce a finish, whose installer would be looked for in the
  // new run's folder.
  {
    std::lock_guard<std::mutex> hold(retire_mutex_);
    if (downloader != downloader_.load()) return;
    // The final sample is taken by the owner when it handles the finish, on its own thread.
    Report(kMsgDownloadFinished, 0, false);
  }
  // Sent outside the lock: the owner's thread may be waiting for it in Start().
  Report(kMsgDownloadReport, kDownload4Paused, true);
}

void CDownloadTask::OnError(HttpDownloader4* downloader, int code) {
  const bool current = downloader == downloader_.load();
  if (!current) return;  // a retired downloader's end concerns nobody
  // A pause nobody asked for is the engine's answer to a failed write (a full disk, a file size
  // limit): the files stay, and the owner shows the disk-full message and pauses the row.
  if (code == kDownload4Paused && !paused_.load() && !stopping_for_exit_.load() &&
      downloader->GetFailure().text.rfind(kDiskFullReason, 0) == 0) {
    keep_temp_requested_ = true;
    failure_reported_ = true;
    Report(kMsgDownloadReport, kDownload4NoDiskSpace, false);
  }
  if (IsFailureCode(code)) {
    if (code == kDownload4Incomplete) keep_temp_requested_ = true;
    failure_reported_ = true;
    Report(kMsgDownloadReport, code, false);
  }
  // Stopped at exit is no failure: the files stay for the next run.
  if (code != kDownload4Incomplete && code != kDownload4Paused && !stopping_for_exit_.load())
    failed_ = true;
  Report(kMsgDownloadReport, code, true);
}
