// A task's runs one after another: a new run measures only itself, a pause holds even when it
// lands during the link test, a download restored from a "temp" folder of another letter case
// goes on from its record, a changed catalogue address starts afresh, and a replaced downloader
// can never announce a finish.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "tests/app/download_queue_fixture.h"

namespace {

using corvane_test::HttpConnection;
using corvane_test::HttpRequest;
using corvane_test::PatternBytes;
using corvane_test::ReadWholeFile;

constexpr std::int64_t kSize = 2 << 20;

class DownloadTaskRunsTest : public corvane_test::DownloadQueueFixture {
 protected:
  void SetUp() override {
    DownloadQueueFixture::SetUp();
    ASSERT_TRUE(server_.Start());
    queueClock_ = [this] { return now_.load(); };
  }

  void TearDown() override {
    slow_ = false;
    probeDelayMs_ = 0;
    DownloadQueueFixture::TearDown();
    server_.Stop();
  }

  // The link test (a request from byte 0 on) waits probeDelayMs_; the blocks come slowly while
  // slow_ holds.
  void Serve(const HttpRequest& request, HttpConnection& connection) {
    std::int64_t begin = 0, end = -1;
    if (!request.Range(&begin, &end) || end < 0) {
      for (int waited = 0; waited < probeDelayMs_.load(); waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (slow_.load()) {
      download4_test::ServeSlowly(request, connection, data_, 4096, 40);
    } else {
      corvane_test::ServeBytes(request, connection, data_);
    }
  }

  // One timer turn `ms` after the last.
  void Turn(std::uint32_t ms) {
    now_ += ms;
    Tick();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }

  int Reports(int code) const {
    return static_cast<int>(std::count_if(reports_.begin(), reports_.end(),
                                          [code](const Report& report) { return report.code == code; }));
  }

  std::string Target(const std::string& temp) const { return setup() + "/" + temp + "/setup.exe"; }

  // Range starts of the requests from the `skip`th on that begin inside a block.
  std::vector<std::int64_t> MidBlockStarts(std::size_t skip) const {
    std::vector<std::int64_t> starts;
    const std::vector<HttpRequest> requests = server_.requests();
    for (std::size_t i = skip; i < requests.size(); ++i) {
      std::int64_t begin = 0, end = -1;
      if (requests[i].Range(&begin, &end) && begin % (kSize / CDownloadTask::kBlockCount) != 0)
        starts.push_back(begin);
    }
    return starts;
  }

  std::string data_ = PatternBytes(kSize, 61);
  std::atomic<bool> slow_{false};
  std::atomic<int> probeDelayMs_{0};
  std::atomic<std::uint32_t> now_{100000};
  TickSource queueClock_;
  corvane_test::HttpServer server_{[this](const HttpRequest& request, HttpConnection& connection) {
    Serve(request, connection);
  }};
};

TEST_F(DownloadTaskRunsTest, DownloadingAgainAfterAFinishMeasuresOnlyTheNewRun) {
  StartRun(Row(1, "Alpha", server_.Url("/setup.exe")));
  queue_->SetClock(queueClock_);
  Download(1);
  ASSERT_TRUE(RunUntil([&] { return Status(1) == StatusDownloaded; }));

  // Ten minutes later the program is downloaded again, slowly.
  now_ += 600000;
  slow_ = true;
  Download(1);
  for (int i = 0; i < 8; ++i) {
    Turn(1000);
    EXPECT_GE(State(1).speed, 0.0f) << "turn " << i;
    EXPECT_GE(State(1).totalBytes, 1) << "turn " << i;
  }
  EXPECT_EQ(Reports(kDownload4Incomplete), 0);
  EXPECT_EQ(Status(1), StatusDownloading);
}

TEST_F(DownloadTaskRunsTest, APauseDuringTheLinkTestHoldsAndTheResumeRunsOn) {
  StartRun(Row(1, "Alpha", server_.Url("/setup.exe")));
  queue_->SetClock(queueClock_);
  slow_ = true;
  probeDelayMs_ = 1500;
  Download(1);
  Turn(1000);
  // The link test is still waiting for its answer when the user pauses.
  ASSERT_EQ(queue_->PauseDownload(&State(1)), DownloadQueue::PauseOutcome::PausedRunning);
  ASSERT_TRUE(RunUntilPaused(1));
  probeDelayMs_ = 0;
  // Six minutes pass paused: no stall is reported.
  for (int i = 0; i < 120; ++i) Turn(3000);
  EXPECT_EQ(Reports(kDownload4Incomplete), 0);
  EXPECT_EQ(Status(1), StatusPaused);

  // Resumed, the stall clock starts afresh: it runs, and finishes.
  queue_->ResumeDownload(&State(1));
  for (int i = 0; i < 3; ++i) Turn(3000);
  EXPECT_EQ(Status(1), StatusDownloading);
  slow_ = false;
  ASSERT_TRUE(RunUntil([&] { return Status(1) == StatusDownloaded; }));
  EXPECT_EQ(Reports(kDownload4Incomplete), 0);
  EXPECT_EQ(ReadWholeFile(setup() + "/setup.exe"), data_);
}

TEST_F(DownloadTaskRunsTest, ARestoreFromALowerCaseTempFolderResumesThere) {
  StartRun(Row(1, "Alpha", server_.Url("/setup.exe")));
  slow_ = true;
  Download(1);
  ASSERT_TRUE(RunUntilProgress(1, 128 << 10));
  queue_->PauseDownload(&State(1));
  ASSERT_TRUE(RunUntilPaused(1));
  ASSERT_TRUE(PairExists(Target("Temp")));
  // Another tool (or a copy from a case-blind file system) left the folder as "temp".
  ASSERT_EQ(::rename((setup() + "/Temp").c_str(), (setup() + "/temp").c_str()), 0);

  StartRun();
  manager_->DetectAll();
  manager_->ScanInterruptedDownloads(setup());
  ASSERT_EQ(Status(1), StatusPaused);
  queue_->RestoreDownloads();
  const std::size_t before = server_.requests().size();
  slow_ = false;
  queue_->ResumeDownload(&State(1));
  ASSERT_TRUE(RunUntil([&] { return Status(1) == StatusDownloaded; }));
  EXPECT_EQ(ReadWholeFile(setup() + "/setup.exe"), data_);
  EXPECT_FALSE(MidBlockStarts(before).empty()) << "the record in temp/ was not resumed";
  EXPECT_TRUE(PairGone(Target("temp")));
  EXPECT_FALSE(ds::PathExists(setup() + "/Temp"));
}

TEST_F(DownloadTaskRunsTest, AChangedCatalogueAddressStartsAfresh) {
  StartRun(Row(1, "Alpha", server_.Url("/old/setup.exe")));
  slow_ = true;
  Download(1);
  ASSERT_TRUE(RunUntilProgress(1, 128 << 10));
  queue_->PauseDownload(&State(1));
  ASSERT_TRUE(RunUntilPaused(1));

  // The next run's catalogue corrects the address.
  StartRun(Row(1, "Alpha", server_.Url("/new/setup.exe")));
  manager_->DetectAll();
  manager_->ScanInterruptedDownloads(setup());
  queue_->RestoreDownloads();
  const std::size_t before = server_.requests().size();
  slow_ = false;
  queue_->ResumeDownload(&State(1));
  ASSERT_TRUE(RunUntil([&] { return Status(1) == StatusDownloaded; }));
  const std::vector<HttpRequest> requests = server_.requests();
  ASSERT_GT(requests.size(), before);
  for (std::size_t i = before; i < requests.size(); ++i) EXPECT_EQ(requests[i].path, "/new/setup.exe");
  EXPECT_TRUE(MidBlockStarts(before).empty());
}

TEST_F(DownloadTaskRunsTest, AReplacedDownloaderCannotAnnounceAFinish) {
  StartRun(Row(1, "Alpha", server_.Url("/setup.exe")));
  CDownloadTask task;
  task.Attach(owner_, &State(1));
  HttpDownloader4 retired;
  task.OnFinish(&retired);
  for (const ds::RecordingTarget::Message& m : window_->Take())
    EXPECT_NE(m.message, kMsgDownloadFinished);
}

}  // namespace
