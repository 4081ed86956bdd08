// The updater's worker: fetches and verifies packets c+1 ... s (all of which the manifest must
// list; with a key, each with its signature "s<N>.pkg.sig"), waits for the main program to end, installs the packets in ascending order and
// reports to the window by posted messages (update_messages.h). It reads only what it was
// given at construction and never touches the window itself.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "core/thread/message_target.h"
#include "core/thread/thread.h"
#include "core/zip/update_manifest.h"
#include "update/packet_downloader.h"

namespace update {

struct UpdateJob {
  std::string directory;  // the installation folder: packets, "temp.dat", extraction target
  int current = 0;        // c
  int target = 0;         // s
  std::string base_url;   // packet base URL, see PacketUrl
  ds::UpdateManifest manifest;
  // The key packets must be signed with (hexadecimal), "" to accept unsigned packets.
  std::string public_key;
};

class UpdateWorker : private UpdateDownloadCallback {
 public:
  // kInstallError: a verified packet could not be installed (the error dialog is raised too).
  enum class Outcome { kInstalled, kDownloadError, kInstallError, kStopped };

  static constexpr int kMaxVerifyFailures = 3;
  // Failed downloads of one packet (no connection, error status, broken transfer) before the
  // error is shown; the pauses between them double from the retry interval.
  static constexpr int kMaxDownloadAttempts = 5;
  static constexpr int kMaxRetryWaitMs = 60000;

  // `downloader` stays owned by the caller and must outlive the worker.
  UpdateWorker(UpdateJob job, IPacketDownloader* downloader, ds::MsgHandle window);
  // Stops the thread and waits for it.
  ~UpdateWorker() override;

  // Starts Run() on a thread of its own (once). 1 when started.
  int Start();
  // Asks the worker to end: waits and downloads are cut short. A packet being extracted is
  // finished first, so the installation is never left with half a packet.
  void Stop();
  // Waits up to `ms` for the thread; true once it has ended (or never started).
  bool Join(std::uint32_t ms);

  // The whole job on the calling thread.
  Outcome Run();

  // Pause before the first retry of a failed download (1000 ms); later pauses double.
  void set_retry_interval_ms(int ms) { retry_interval_ms_ = ms; }
  // Pause between looks for the running main program (1000 ms).
  void set_poll_interval_ms(int ms) { poll_interval_ms_ = ms; }
  // Replaces the check "is the main program of this installation running".
  void set_main_program_running(std::function<bool()> check) { main_running_ = std::move(check); }

 private:
  enum class Fetch { kDone, kError, kStopped };
  Fetch FetchPacket(int number, int k, int total, int& failures);
  // The packet matches the manifest's checksum and, with a key, its signature beside it.
  bool Verifies(const std::string& packet, const std::string& checksum) const;
  int RetryWaitMs(int attempt) const;
  bool WaitFor(int ms);  // false when stopped meanwhile
  void Post(unsigned message, long long wparam, long long lparam);
  void OnProgress(std::int64_t so_far, std::int64_t expected) override;
  bool ShouldStop() override;
  static std::uint32_t ThreadMain(void* self);

  UpdateJob job_;
  IPacketDownloader* downloader_;
  ds::MsgHandle window_;
  int retry_interval_ms_ = 1000;
  int poll_interval_ms_ = 1000;
  std::function<bool()> main_running_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  ds::ThreadHandle thread_ = nullptr;
  int last_percent_ = -1;
  bool fetching_signature_ = false;
};

// True while a process running the main program from `directory` exists.
bool MainProgramRunningIn(const std::string& directory);

}  // namespace update
