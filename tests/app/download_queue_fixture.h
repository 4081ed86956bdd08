// The world of the download queue tests: a catalogue whose installers are served on 127.0.0.1,
// settings with a download folder in a temporary directory, a manager, a queue, and a recording
// owner window whose messages the test hands to the queue as the main window would.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/catalogue/software_mgr.h"
#include "app/downloads/download_messages.h"
#include "app/downloads/download_queue.h"
#include "core/thread/message_target.h"
#include "tests/app/catalogue_fixture.h"
#include "tests/common/http_server.h"
#include "tests/common/temp_dir.h"
#include "tests/vexo/download/download4_test_support.h"
#include "vexo/download/record_file.h"

namespace corvane_test {

class DownloadQueueFixture : public CatalogueFixture {
 protected:
  void SetUp() override {
    CatalogueFixture::SetUp();
    config_ = std::make_unique<CMgrConfig>();
    config_->SetDownloadDir(setup().c_str());
    SetMgrConfig(config_.get());
    SetUpdateInfo(&info_);
    window_ = std::make_shared<ds::RecordingTarget>();
    owner_ = ds::RegisterMessageTarget(window_);
  }

  void TearDown() override {
    // Tasks wait for their downloaders' threads; the window must still take their reports.
    queue_.reset();
    manager_.reset();
    ds::UnregisterMessageTarget(owner_);
    CatalogueFixture::TearDown();
  }

  std::string setup() const { return dir_.File("setup"); }
  std::string TempPath(const std::string& folder, const std::string& name) const {
    return folder + "/Temp/" + name;
  }

  // A catalogue row of a program whose installer is `url`.
  static std::string Row(int id, const std::string& name, const std::string& url,
                         const std::string& version = "1.0") {
    return "<s id=\"" + std::to_string(id) + "\" name=\"" + name + "\" url=\"" + url +
           "\" verinfo=\"" + version + "\" type=\"1\"/>";
  }

  // A manager built from `rows` and a queue owned by the recording window. An existing queue
  // and manager (a previous run) are dropped first.
  void StartRun(const std::string& rows) {
    WriteCatalogue("software/software.xml", rows);
    StartRun();
  }
  void StartRun() {
    queue_.reset();
    manager_.reset();
    ds::Singleton<CDictMgr, 1>::DeInstance();
    manager_ = std::make_unique<SoftwareMgr>();
    manager_->LoadCategories();
    manager_->LoadCommonCategories();
    manager_->BuildStates();
    queue_ = std::make_unique<DownloadQueue>(*manager_);
    queue_->SetOwner(owner_);
  }

  SoftwareState& State(int id) { return *manager_->FindState(id); }
  int Status(int id) { return CurrentStatus(State(id)); }

  // What a page does to start a download.
  void Download(int id) {
    manager_->SetStatus(&State(id), StatusDownloading);
    queue_->AddDownload(&State(id));
  }

  // Hands the recorded messages to the queue as the main window does.
  void Pump() {
    for (const ds::RecordingTarget::Message& m : window_->Take()) {
      const int id = ProgramIdOf(m.wparam);
      if (m.message == kMsgDownloadFinished) {
        queue_->FinishDownload(id);
      } else if (m.message == kMsgDownloadReport) {
        reports_.push_back({id, static_cast<int>(m.lparam)});
        DownloadQueue::ReportAction action =
            queue_->HandleReport(id, static_cast<int>(m.lparam), downloadWindow_);
        if (action.pauseRow) pauseRows_.push_back(id);
        if (action.showDiskFull) ++diskFullMessages_;
      } else if (m.message == kMsgRunInstaller) {
        installs_.push_back(id);
      }
    }
  }

  // One turn of the main window's timer.
  void Tick() {
    Pump();
    queue_->SampleAll();
    queue_->CollectTasks();
    Pump();
  }

  // Ticks until `done` holds (true) or `seconds` pass (false).
  bool RunUntil(const std::function<bool()>& done, int seconds = 60) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
      Tick();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  // Ticks until the program has transferred at least `bytes`.
  bool RunUntilProgress(int id, std::int64_t bytes) {
    return RunUntil([&] {
      CDownloadTask* task = State(id).downloadTask;
      return task != nullptr && task->downloader() != nullptr &&
             task->downloader()->GetCompletedSize() >= bytes;
    });
  }

  // Ticks until the program's pause has taken effect (its run has ended).
  bool RunUntilPaused(int id) {
    return RunUntil([&] { return Status(id) == StatusPaused; });
  }

  static bool PairExists(const std::string& target) {
    return ds::IsRegularFile(RecordPathOf(target)) && ds::IsRegularFile(DataPathOf(target));
  }
  static bool PairGone(const std::string& target) {
    return !ds::PathExists(RecordPathOf(target)) && !ds::PathExists(DataPathOf(target));
  }

  struct Report {
    int id;
    int code;
  };

  std::unique_ptr<CMgrConfig> config_;
  CUpdateInfo info_;
  std::shared_ptr<ds::RecordingTarget> window_;
  ds::MsgHandle owner_ = 0;
  std::unique_ptr<SoftwareMgr> manager_;
  std::unique_ptr<DownloadQueue> queue_;
  bool downloadWindow_ = false;
  std::vector<Report> reports_;
  std::vector<int> pauseRows_;
  std::vector<int> installs_;
  int diskFullMessages_ = 0;
};

// Serves `data` in ranges, `chunk` bytes every `delayMs`, and remembers where each ranged GET
// began, so a test can tell a resumed transfer from a fresh one.
class SlowInstallerServer {
 public:
  SlowInstallerServer(std::string data, std::size_t chunk, int delayMs)
      : data_(std::move(data)),
        server_([this, chunk, delayMs](const HttpRequest& request, HttpConnection& connection) {
          Serve(request, connection, chunk, delayMs);
        }) {}
  ~SlowInstallerServer() { server_.Stop(); }

  bool Start() { return server_.Start(); }
  std::string Url(const std::string& path) const { return server_.Url(path); }
  const std::string& data() const { return data_; }

  // The first byte of every ranged GET so far.
  std::vector<std::int64_t> RangeStarts() const {
    std::vector<std::int64_t> starts;
    for (const HttpRequest& request : server_.requests()) {
      std::int64_t begin = 0, end = -1;
      if (request.method == "GET" && request.Range(&begin, &end)) starts.push_back(begin);
    }
    return starts;
  }

 private:
  void Serve(const HttpRequest& request, HttpConnection& connection, std::size_t chunk, int delayMs) {
    download4_test::ServeSlowly(request, connection, data_, chunk, delayMs);
  }

  std::string data_;
  HttpServer server_;
};

}  // namespace corvane_test
