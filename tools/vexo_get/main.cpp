// vexo_get URL TARGET: downloads URL into TARGET with the block downloader.
// When TARGET.rd2 exists the download resumes from it (URL then only has to be given for a
// fresh start). Ctrl-C pauses: the record stays and the next run goes on from there.
//
// Exit status: 0 done, 2 usage, 3 the download could not start, 10 + the engine's error code
// otherwise (15: paused or the disk is full, the pair is kept for a resume).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include "vexo/download/http_downloader4.h"

namespace {

std::atomic<int> g_interrupts{0};

void OnInterrupt(int) { g_interrupts.fetch_add(1); }

// Keeps the download's outcome and wakes the main loop the moment it arrives.
class Outcome : public IHttpDownloadOperator4 {
 public:
  void OnFinish(HttpDownloader4*) override { End(0); }
  void OnError(HttpDownloader4*, int code) override { End(10 + code); }
  int code() const { return code_.load(); }
  // Waits up to `ms` for the outcome; true once it is known.
  bool WaitFor(int ms) {
    std::unique_lock<std::mutex> hold(mutex_);
    return ended_.wait_for(hold, std::chrono::milliseconds(ms), [this] { return done_; });
  }

 private:
  void End(int code) {
    std::lock_guard<std::mutex> hold(mutex_);
    code_.store(code);
    done_ = true;
    ended_.notify_all();
  }

  std::atomic<int> code_{3};
  std::mutex mutex_;
  std::condition_variable ended_;
  bool done_ = false;
};

void Usage() {
  std::fprintf(stderr,
               "usage: vexo_get [-b blocks] [-r retries] [-t timeout_ms] [-l KiB/s] [-S split_KiB] [-q] URL TARGET\n"
               "       vexo_get [-q] -c TARGET      (resume only)\n");
}

std::string Size(double bytes) {
  const char* units[] = {"B", "KiB", "MiB", "GiB"};
  int unit = 0;
  while (bytes >= 1024 && unit < 3) {
    bytes /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", bytes, units[unit]);
  return text;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  int blocks = 10;
  int retries = 10;
  int timeout = 15000;
  long long limitKib = 0;   // the speed limit, KiB/s (0: none)
  long long splitKib = -1;  // split threshold in KiB (0: never split; default: the engine's)
  bool quiet = false;
  bool resumeOnly = false;
  int opt;
  while ((opt = getopt(argc, argv, "b:r:t:l:S:qc")) != -1) {
    switch (opt) {
      case 'b': blocks = std::atoi(optarg); break;
      case 'r': retries = std::atoi(optarg); break;
      case 't': timeout = std::atoi(optarg); break;
      case 'l': limitKib = std::atoll(optarg); break;
      case 'S': splitKib = std::atoll(optarg); break;
      case 'q': quiet = true; break;
      case 'c': resumeOnly = true; break;
      default: Usage(); return 2;
    }
  }
  const int rest = argc - optind;
  if ((resumeOnly && rest != 1) || (!resumeOnly && rest != 2) || blocks < 1 || retries < 1) {
    Usage();
    return 2;
  }
  const char* url = resumeOnly ? nullptr : argv[optind];
  const char* target = argv[argc - 1];

  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);  // a file size limit fails the write (EFBIG) instead
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  HttpDownloaderBase::InitGlobal();
  Outcome outcome;
  int exitCode;
  {
    HttpDownloader4 downloader;
    downloader.Init(&outcome, timeout, retries, blocks);
    if (splitKib >= 0) downloader.SetSplitThreshold(splitKib * 1024);
    HttpDownloader4::SetSpeedLimit(limitKib);
    int started = 0;
    // A record of another address is not resumed: the address given starts afresh.
    bool resumable = Exists(RecordPathOf(target));
    if (resumable && url != nullptr) {
      RecordFileHeader4 header;
      std::vector<BlockHeader4> blocks;
      resumable = ReadRecordFile(RecordPathOf(target), &header, &blocks) == 1 && std::strcmp(header.url, url) == 0;
    }
    if (resumable) started = downloader.Continue(target);
    if (!started && !resumeOnly) {
      if (Exists(RecordPathOf(target)) && !quiet)
        std::fprintf(stderr, "vexo_get: the record was not usable; starting again\n");
      started = downloader.Download(url, target);
    }
    if (!started) {
      std::fprintf(stderr, "vexo_get: can't start the download of %s\n", target);
      HttpDownloaderBase::FiniGlobal();
      return 3;
    }
    if (!quiet && resumable) std::fprintf(stderr, "vexo_get: resuming %s\n", downloader.GetUrl().c_str());

    auto last = std::chrono::steady_clock::now();
    std::int64_t lastSize = downloader.GetCompletedSize();
    double speed = 0;
    int seenInterrupts = 0;
    while (!downloader.CanDelete()) {
      if (outcome.WaitFor(100)) {
        // The thread ends right after reporting.
        while (!downloader.CanDelete()) std::this_thread::yield();
        break;
      }
      const int interrupts = g_interrupts.load();
      if (interrupts != seenInterrupts) {
        seenInterrupts = interrupts;
        // First Ctrl-C pauses (the record is kept); a second one stops.
        if (interrupts == 1) {
          downloader.Pause();
        } else {
          downloader.Stop();
        }
        if (!quiet) std::fprintf(stderr, "\nvexo_get: %s...\n", interrupts == 1 ? "pausing" : "stopping");
      }
      const auto now = std::chrono::steady_clock::now();
      const double seconds = std::chrono::duration<double>(now - last).count();
      if (!quiet && seconds >= 0.5) {
        const std::int64_t size = downloader.GetCompletedSize();
        speed = (size - lastSize) / seconds;
        lastSize = size;
        last = now;
        const std::int64_t total = downloader.GetFileLength();
        if (total > 0) {
          std::fprintf(stderr, "\r%5.1f%%  %s / %s  %s/s      ", 100.0 * size / total,
                       Size(static_cast<double>(size)).c_str(), Size(static_cast<double>(total)).c_str(),
                       Size(speed).c_str());
        } else {  // a stream of unknown length: bytes only
          std::fprintf(stderr, "\r%s  %s/s      ", Size(static_cast<double>(size)).c_str(), Size(speed).c_str());
        }
      }
    }
    exitCode = outcome.code();
    if (!quiet) {
      if (exitCode == 0) {
        std::fprintf(stderr, "\nvexo_get: done, %s\n", target);
      } else {
        const std::string why = downloader.GetFailure().text;
        std::fprintf(stderr, "\nvexo_get: ended with code %d%s%s%s\n", exitCode - 10,
                     exitCode == 15 ? " (paused; run again to resume)" : "", why.empty() ? "" : ": ",
                     why.c_str());
      }
    }
  }
  HttpDownloaderBase::FiniGlobal();
  return exitCode;
}
