#include "update/update_worker.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

#include <chrono>

#include "core/crypto/update_signature.h"
#include "core/log/logger.h"
#include "core/zip/packet_checksum.h"
#include "core/text/path.h"
#include "core/platform/process.h"
#include "core/update/packet_install.h"
#include "update/update_messages.h"
#include "update/update_settings.h"

namespace update {
namespace {

constexpr char kTempName[] = "temp.dat";
constexpr char kTempSignatureName[] = "temp.sig";

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

}  // namespace

bool MainProgramRunningIn(const std::string& directory) {
  const std::string folder = RealPath(ds::NativePath(directory));
  for (ds::ProcessId pid : ds::FindProcessByName(kMainProgramName)) {
    const std::string exe = ds::GetProcessExecutable(pid);
    if (exe.empty()) return true;  // cannot tell where it runs from: assume it is ours
    if (ds::DirectoryOf(exe) == folder) return true;
  }
  return false;
}

UpdateWorker::UpdateWorker(UpdateJob job, IPacketDownloader* downloader, ds::MsgHandle window)
    : job_(std::move(job)), downloader_(downloader), window_(window) {
  const std::string directory = job_.directory;
  main_running_ = [directory] { return MainProgramRunningIn(directory); };
}

UpdateWorker::~UpdateWorker() {
  Stop();
  Join(ds::kWaitInfinite);
}

int UpdateWorker::Start() {
  if (thread_ != nullptr) return 0;
  thread_ = ds::CreateSimpleThread(&UpdateWorker::ThreadMain, this);
  return thread_ != nullptr ? 1 : 0;
}

std::uint32_t UpdateWorker::ThreadMain(void* self) {
  return static_cast<std::uint32_t>(static_cast<UpdateWorker*>(self)->Run());
}

void UpdateWorker::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
}

bool UpdateWorker::Join(std::uint32_t ms) {
  if (thread_ == nullptr) return true;
  if (ms == ds::kWaitInfinite) {
    ds::WaitThreadEnd(thread_);
  } else if (ds::WaitThreadEnd(thread_, ms) != 0) {
    return false;
  }
  ds::CloseThreadHandle(thread_);
  thread_ = nullptr;
  return true;
}

bool UpdateWorker::WaitFor(int ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
  return !stop_;
}

bool UpdateWorker::ShouldStop() { return stop_; }

void UpdateWorker::Post(unsigned message, long long wparam, long long lparam) {
  ds::PostMessageTo(window_, message, static_cast<ds::WParam>(wparam), static_cast<ds::LParam>(lparam));
}

void UpdateWorker::OnProgress(std::int64_t so_far, std::int64_t expected) {
  if (fetching_signature_) return;
  // Only changes of the bar are worth a message; curl reports many times a second.
  const int percent = ProgressPercent(so_far, expected);
  if (percent == last_percent_) return;
  last_percent_ = percent;
  Post(kMsgDownloadProgress, so_far, expected);
}

int UpdateWorker::RetryWaitMs(int attempt) const {
  long long wait = retry_interval_ms_;
  for (int i = 1; i < attempt && wait < kMaxRetryWaitMs; ++i) wait *= 2;
  return static_cast<int>(wait < kMaxRetryWaitMs ? wait : kMaxRetryWaitMs);
}

bool UpdateWorker::Verifies(const std::string& packet, const std::string& checksum) const {
  return ds::VerifyPacketFile(packet.c_str(), checksum) &&
         ds::UpdateVerifier(job_.public_key).Accepts(packet, "update::UpdateWorker::FetchPacket");
}

UpdateWorker::Fetch UpdateWorker::FetchPacket(int number, int k, int total, int& failures) {
  const std::string local = ds::JoinPath(job_.directory, ds::PacketFileName(number));
  const std::string signature = ds::SignatureFileOf(local);
  const std::string temp = ds::JoinPath(job_.directory, kTempName);
  const std::string temp_signature = ds::JoinPath(job_.directory, kTempSignatureName);
  const std::string url = PacketUrl(job_.base_url, number);
  const std::string checksum = job_.manifest.ChecksumOf(number);
  const bool signed_packets = !job_.public_key.empty();
  bool fresh = false;
  int download_failures = 0;
  for (;;) {
    if (stop_) return Fetch::kStopped;
    Post(kMsgOverallProgress, k, total);

    // A packet left by an earlier run is used again when it still verifies.
    if (ds::PathExists(local)) {
      if (Verifies(local, checksum)) return Fetch::kDone;
      ::unlink(local.c_str());
      ::unlink(signature.c_str());
    }

    last_percent_ = -1;
    bool fetched = downloader_->Download(url, temp, fresh, this) != 0;
    // The signature comes first into place: a packet on disk always has the one fetched with it.
    if (fetched && signed_packets) {
      fetching_signature_ = true;  // stoppable, but not shown as the packet's progress
      fetched = downloader_->Download(ds::SignatureFileOf(url), temp_signature, fresh, this) != 0 &&
                ::rename(temp_signature.c_str(), signature.c_str()) == 0;
      fetching_signature_ = false;
      if (!fetched) ::unlink(temp_signature.c_str());
    }
    if (fetched && ::rename(temp.c_str(), local.c_str()) != 0) {
      ds::LogWarn("update::UpdateWorker::FetchPacket")("can't rename %s to %s.", temp.c_str(),
                                                       local.c_str());
      fetched = false;
    }
    if (!fetched) {
      ::unlink(temp.c_str());
      // No connection, an error status, a broken transfer, no signature: tried again after
      // growing pauses, a bounded number of times, and then the user is told.
      if (stop_) return Fetch::kStopped;
      if (++download_failures >= kMaxDownloadAttempts) {
        ds::LogWarn("update::UpdateWorker::FetchPacket")("giving up on %s after %d attempts.",
                                                         url.c_str(), download_failures);
        return Fetch::kError;
      }
      if (!WaitFor(RetryWaitMs(download_failures))) return Fetch::kStopped;
      continue;
    }
    if (Verifies(local, checksum)) {
      failures = 0;
      return Fetch::kDone;
    }
    ds::LogWarn("update::UpdateWorker::FetchPacket")("packet %s does not match the manifest or its signature.",
                                                     url.c_str());
    ::unlink(local.c_str());
    ::unlink(signature.c_str());
    ::unlink(temp.c_str());
    fresh = true;  // the next copy must not come from a cache
    if (++failures >= kMaxVerifyFailures) return Fetch::kError;
  }
}

UpdateWorker::Outcome UpdateWorker::Run() {
  const int first = job_.current + 1;
  const int last = job_.target;
  const int total = last - job_.current;
  Post(kMsgOverallProgress, 0, total);

  // Only packets the manifest lists (with a checksum) are fetched: any other could never verify.
  for (long long number = first; number <= last; ++number) {
    if (job_.manifest.ChecksumOf(static_cast<int>(number)).empty()) {
      ds::LogWarn("update::UpdateWorker::Run")("the manifest does not list packet %lld.", number);
      Post(kMsgDownloadError, 0, 0);
      return Outcome::kDownloadError;
    }
  }

  int k = 1;
  int failures = 0;
  for (long long number = first; number <= last; ++number) {
    switch (FetchPacket(static_cast<int>(number), k, total, failures)) {
      case Fetch::kDone:
        ++k;
        break;
      case Fetch::kError:
        Post(kMsgDownloadError, 0, 0);
        return Outcome::kDownloadError;
      case Fetch::kStopped:
        return Outcome::kStopped;
    }
  }

  while (main_running_ && main_running_()) {
    if (!WaitFor(poll_interval_ms_)) return Outcome::kStopped;
  }

  for (long long number = first; number <= last; ++number) {
    if (stop_) return Outcome::kStopped;  // between packets only: a packet goes in whole
    const std::string packet = ds::JoinPath(job_.directory, ds::PacketFileName(static_cast<int>(number)));
    ds::PacketInstallReport report;
    const int installed = ds::InstallPacket(packet, job_.directory, &report);
    if (report.refused > 0 || report.failed > 0)
      ds::LogWarn("update::UpdateWorker::Run")("%s: %d entries installed, %d refused, %d failed.",
                                               packet.c_str(), report.extracted, report.refused,
                                               report.failed);
    if (!installed) {
      // Later packets build on this one, and the main program must not be started as if the
      // update had succeeded: the user gets the error dialog and may try again.
      Post(kMsgDownloadError, 0, 0);
      return Outcome::kInstallError;
    }
  }
  Post(kMsgUpdateDone, 0, 0);
  return Outcome::kInstalled;
}

}  // namespace update
