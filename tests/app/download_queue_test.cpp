// The download queue against nginx serving installers: the limit of simultaneous downloads and
// the order waiting programs start in, what finishing does (installer moved, "AutoInstall",
// upgrade versions), and how failed starts and repeated reports end.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tests/app/download_queue_fixture.h"
#include "tests/common/nginx_server.h"

namespace {

using corvane_test::NginxServer;
using corvane_test::PatternBytes;
using corvane_test::ReadWholeFile;

class DownloadQueueTest : public corvane_test::DownloadQueueFixture {
 protected:
  void SetUp() override {
    DownloadQueueFixture::SetUp();
    ASSERT_TRUE(NginxServer::Available()) << "nginx is not installed";
    for (int i = 0; i < 3; ++i) {
      installers_[names_[i]] = PatternBytes((3u << 20) + 1000u * i, 11 + i);
      corvane_test::WriteWholeFile(served_.File(names_[i]), installers_[names_[i]]);
    }
    nginx_ = std::make_unique<NginxServer>(served_.path(), "limit_rate 512k;");
    ASSERT_TRUE(nginx_->Start()) << nginx_->error();
  }

  void TearDown() override {
    DownloadQueueFixture::TearDown();
    nginx_.reset();
  }

  std::string Url(int i) const { return nginx_->Url("/" + names_[i]); }
  std::string Catalogue() const {
    return Row(1, "Alpha", Url(0)) + Row(2, "Beta", Url(1)) + Row(3, "Gamma", Url(2));
  }
  bool InstallerArrived(const std::string& folder, int i) {
    const std::string path = folder + "/" + names_[i];
    return ds::IsRegularFile(path) && ReadWholeFile(path) == installers_[names_[i]];
  }

  const std::string names_[3] = {"alpha-setup.exe", "beta_2.1.msi", "gamma.installer.x64.exe"};
  std::map<std::string, std::string> installers_;
  corvane_test::TempDir served_;
  std::unique_ptr<NginxServer> nginx_;
};

TEST_F(DownloadQueueTest, OneSlotRunsOneDownloadAndStartsTheWaitingOnesInListOrder) {
  config_->SetDownloadCount(1);
  config_->SetAutoInstall(1);
  StartRun(Catalogue());
  Download(1);
  Download(2);
  Download(3);
  EXPECT_EQ(Status(1), StatusDownloading);
  EXPECT_EQ(Status(2), StatusWaiting);
  EXPECT_EQ(Status(3), StatusWaiting);
  EXPECT_EQ(queue_->RunningCount(), 1);
  ASSERT_EQ(queue_->DownloadList().size(), 3u);
  EXPECT_EQ(queue_->DownloadList()[1]->id, 2);
  // A waiting program already has its record pair, so an exit now leaves it resumable.
  EXPECT_TRUE(PairExists(TempPath(setup(), names_[1])));

  // Every distinct combination of statuses seen while the queue works.
  std::vector<std::vector<int>> seen;
  ASSERT_TRUE(RunUntil([&] {
    std::vector<int> now = {Status(1), Status(2), Status(3)};
    if (seen.empty() || seen.back() != now) seen.push_back(now);
    return now == std::vector<int>{StatusDownloaded, StatusDownloaded, StatusDownloaded};
  }));
  for (const std::vector<int>& statuses : seen) {
    int running = 0;
    for (int status : statuses) running += status == StatusDownloading ? 1 : 0;
    EXPECT_LE(running, 1);
    // A program runs only once every program before it has finished.
    for (std::size_t i = 1; i < statuses.size(); ++i)
      if (statuses[i] == StatusDownloading) {
        EXPECT_EQ(statuses[i - 1], StatusDownloaded);
      }
  }
  EXPECT_EQ(installs_, (std::vector<int>{1, 2, 3}));
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(InstallerArrived(setup(), i)) << names_[i];
    EXPECT_TRUE(PairGone(TempPath(setup(), names_[i])));
    EXPECT_FALSE(ds::PathExists(TempPath(setup(), names_[i])));
  }
  EXPECT_TRUE(queue_->DownloadList().empty());
  EXPECT_EQ(queue_->RunningCount(), 0);
  EXPECT_EQ(State(1).downloadedBytes, static_cast<std::int64_t>(installers_[names_[0]].size()));
}

TEST_F(DownloadQueueTest, FinishingWithoutAutoInstallOnlyMovesTheInstaller) {
  config_->SetAutoInstall(0);
  StartRun(Catalogue());
  Download(2);
  ASSERT_TRUE(RunUntil([&] { return Status(2) == StatusDownloaded; }));
  EXPECT_TRUE(InstallerArrived(setup(), 1));
  EXPECT_TRUE(installs_.empty());
  EXPECT_EQ(window_->Count(kMsgRunInstaller), 0u);
  // A finished download's task stays for a later download of the same program.
  EXPECT_NE(State(2).downloadTask, nullptr);
  EXPECT_EQ(info_.RecordedVersion("Beta"), "");

  // Downloading it again reuses the task and replaces the installer.
  corvane_test::WriteWholeFile(setup() + "/" + names_[1], "old installer");
  Download(2);
  ASSERT_TRUE(RunUntil([&] { return Status(2) == StatusDownloaded; }));
  EXPECT_TRUE(InstallerArrived(setup(), 1));
  EXPECT_EQ(queue_->TaskCount(), 1u);
}

TEST_F(DownloadQueueTest, AnUpgradeDownloadRecordsTheCatalogueVersionItBrought) {
  config_->SetAutoInstall(1);
  StartRun(Row(1, "Alpha", Url(0), "2.5.1"));
  SoftwareState& alpha = State(1);
  alpha.status = StatusInstalled;
  alpha.usesUpdateStatus = 1;
  Download(1);
  EXPECT_EQ(alpha.updateStatus, StatusDownloading);
  EXPECT_EQ(alpha.status, StatusInstalled);
  ASSERT_TRUE(RunUntil([&] { return alpha.updateStatus == StatusDownloaded; }));
  EXPECT_EQ(alpha.status, StatusInstalled);
  EXPECT_EQ(info_.RecordedVersion("Alpha"), "2.5.1");
  EXPECT_EQ(installs_, std::vector<int>{1});
  CUpdateInfo saved;
  ASSERT_EQ(saved.LoadUpdateInfo(), 1);
  EXPECT_EQ(saved.RecordedVersion("Alpha"), "2.5.1");
}

TEST_F(DownloadQueueTest, AFailedLinkTestPausesTheProgramOnceAndPassesItsSlotOn) {
  config_->SetDownloadCount(1);
  StartRun(Row(1, "Missing", nginx_->Url("/missing-setup.exe")) + Row(2, "Beta", Url(1)));
  Download(1);
  Download(2);
  ASSERT_EQ(Status(2), StatusWaiting);
  ASSERT_TRUE(RunUntil([&] { return Status(1) == StatusPaused && Status(2) == StatusDownloaded; }));
  // The engine posts and sends its report; the queue acted on it once.
  int linkFailures = 0;
  for (const Report& report : reports_) linkFailures += report.id == 1 && report.code == 0 ? 1 : 0;
  EXPECT_EQ(linkFailures, 2);
  EXPECT_EQ(State(1).keepTemp, 1);
  EXPECT_EQ(queue_->RunningCount(), 0);
  EXPECT_TRUE(InstallerArrived(setup(), 1));
  // The paused program stays listed and keeps its task for a resume.
  ASSERT_EQ(queue_->DownloadList().size(), 1u);
  EXPECT_NE(State(1).downloadTask, nullptr);
}

TEST_F(DownloadQueueTest, TheSecondCopyOfAReportDoesNotPauseAResumedDownload) {
  StartRun(Row(1, "Missing", nginx_->Url("/missing-setup.exe")));
  Download(1);
  // Both copies of the engine's report, before the window handles either.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (window_->Count(kMsgDownloadReport) < 2 && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::vector<ds::RecordingTarget::Message> messages = window_->Take();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_FALSE(messages[0].sent);
  EXPECT_TRUE(messages[1].sent);

  queue_->HandleReport(1, 0, false);
  EXPECT_EQ(Status(1), StatusPausing);
  // The user resumes between the two copies.
  queue_->ResumeDownload(&State(1));
  EXPECT_EQ(Status(1), StatusDownloading);
  DownloadQueue::ReportAction action = queue_->HandleReport(1, 0, false);
  EXPECT_FALSE(action.pauseRow);
  EXPECT_EQ(Status(1), StatusDownloading);
  EXPECT_EQ(queue_->RunningCount(), 1);
}

TEST_F(DownloadQueueTest, WithADownloadWindowTheRowPausesAndTheMessageComesOnce) {
  downloadWindow_ = true;
  StartRun(Row(1, "Missing", nginx_->Url("/missing-setup.exe")));
  Download(1);
  ASSERT_TRUE(RunUntil([&] { return reports_.size() >= 2; }));
  // The window's row does the pause; the queue leaves the status alone.
  EXPECT_EQ(pauseRows_, std::vector<int>{1});
  EXPECT_EQ(Status(1), StatusDownloading);
  EXPECT_EQ(diskFullMessages_, 0);
}

TEST_F(DownloadQueueTest, StartsTheEngineRefusesAreReportedAsFileErrors) {
  const std::string longUrl = nginx_->Url("/" + std::string(260, 'x') + ".exe");
  StartRun(Row(1, "Long", longUrl) + Row(2, "Nameless", nginx_->Url("/")));
  Download(1);
  Download(2);
  Pump();
  EXPECT_EQ(Status(1), StatusPausing);
  EXPECT_EQ(Status(2), StatusPausing);
  int fileErrors = 0;
  for (const Report& report : reports_) fileErrors += report.code == 2 ? 1 : 0;
  EXPECT_EQ(fileErrors, 4);
  // A URL without a file name never makes the Temp folder itself the target.
  EXPECT_TRUE(ds::IsDirectory(setup() + "/Temp"));
  EXPECT_FALSE(ds::PathExists(setup() + "/Temp.rd2"));
  EXPECT_FALSE(ds::PathExists(setup() + "/Temp/.rd2"));
  ASSERT_TRUE(RunUntilPaused(1));
  ASSERT_TRUE(RunUntilPaused(2));
}

TEST_F(DownloadQueueTest, AnInstallerThatCannotBeMovedIsNotClaimedAsDownloaded) {
  config_->SetAutoInstall(1);
  StartRun(Catalogue());
  // A folder of the installer's name blocks the move.
  MakeFile("setup/" + names_[0] + "/keep");
  Download(1);
  ASSERT_TRUE(RunUntil([&] { return queue_->DownloadList().empty(); }));
  EXPECT_NE(Status(1), StatusDownloaded);
  EXPECT_FALSE(IsBusyStatus(Status(1)));
  EXPECT_TRUE(installs_.empty());
  // The downloaded bytes stay where the engine put them.
  EXPECT_EQ(ReadWholeFile(TempPath(setup(), names_[0])), installers_[names_[0]]);
}

}  // namespace
