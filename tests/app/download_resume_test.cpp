// Pausing, resuming, cancelling and stopping downloads against a server that sends slowly, so
// every operation lands while the transfer runs. A resume shows in the server's log as ranged
// requests that begin inside a block rather than at its start.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/app/download_queue_fixture.h"

namespace {

using corvane_test::PatternBytes;
using corvane_test::ReadWholeFile;
using corvane_test::SlowInstallerServer;

constexpr std::int64_t kSize = 3 << 20;

class DownloadResumeTest : public corvane_test::DownloadQueueFixture {
 protected:
  void SetUp() override {
    DownloadQueueFixture::SetUp();
    ASSERT_TRUE(first_.Start());
    ASSERT_TRUE(second_.Start());
  }

  std::string Catalogue() const {
    return Row(1, "Alpha", first_.Url("/dl/alpha-setup.exe")) +
           Row(2, "Beta", second_.Url("/dl/beta.msi"));
  }

  static bool Arrived(const std::string& path, const SlowInstallerServer& server) {
    return ds::IsRegularFile(path) && ReadWholeFile(path) == server.data();
  }

  // True when some ranged request from the `skip`th on began inside a block: the transfer went
  // on from a record.
  static bool ResumedMidBlock(const SlowInstallerServer& server, std::size_t skip = 0) {
    std::vector<std::int64_t> blockStarts;
    for (std::int64_t i = 0; i < CDownloadTask::kBlockCount; ++i)
      blockStarts.push_back(BlockStart(kSize, CDownloadTask::kBlockCount, i));
    const std::vector<std::int64_t> starts = server.RangeStarts();
    for (std::size_t i = skip; i < starts.size(); ++i)
      if (std::find(blockStarts.begin(), blockStarts.end(), starts[i]) == blockStarts.end()) return true;
    return false;
  }

  static std::int64_t StoredBytes(const std::string& target) {
    RecordFileHeader4 header;
    std::vector<BlockHeader4> blocks;
    if (!ReadRecordFile(RecordPathOf(target), &header, &blocks)) return -1;
    std::int64_t stored = 0;
    for (const BlockHeader4& block : blocks) stored += block.completedSize;
    return stored;
  }

  std::string AlphaTarget(const std::string& folder) const { return TempPath(folder, "alpha-setup.exe"); }

  SlowInstallerServer first_{PatternBytes(kSize, 21), 4096, 40};
  SlowInstallerServer second_{PatternBytes(kSize, 22), 4096, 40};
};

TEST_F(DownloadResumeTest, AResumeBeforeThePausedRunEndedWaitsForItThenContinuesTheRecord) {
  StartRun(Catalogue());
  Download(1);
  ASSERT_TRUE(RunUntilProgress(1, 256 << 10));
  EXPECT_EQ(queue_->PauseDownload(&State(1)), DownloadQueue::PauseOutcome::PausedRunning);
  EXPECT_EQ(Status(1), StatusPausing);
  EXPECT_EQ(queue_->RunningCount(), 0);
  // Resumed at once: the paused thread is still ending, so the start is deferred.
  const std::size_t requestsBefore = first_.RangeStarts().size();
  queue_->ResumeDownload(&State(1));
  EXPECT_EQ(Status(1), StatusDownloading);
  EXPECT_TRUE(State(1).downloadTask->restartPending());
  ASSERT_TRUE(RunUntil([&] { return Status(1) == StatusDownloaded; }));
  EXPECT_TRUE(Arrived(setup() + "/alpha-setup.exe", first_));
  EXPECT_TRUE(ResumedMidBlock(first_, requestsBefore));
  EXPECT_EQ(State(1).keepTemp, 0);
}

TEST_F(DownloadResumeTest, APausedDownloadResumesInTheNextRunFromItsRecord) {
  StartRun(Catalogue());
  Download(1);
  ASSERT_TRUE(RunUntilProgress(1, 256 << 10));
  queue_->PauseDownload(&State(1));
  ASSERT_TRUE(RunUntilPaused(1));
  const std::int64_t stored = StoredBytes(AlphaTarget(setup()));
  ASSERT_GT(stored, 0);
  ASSERT_LT(stored, kSize);

  // A new run of the program: a new manager and queue that know nothing of the old ones.
  StartRun();
  manager_->DetectAll();
  manager_->ScanInterruptedDownloads(setup());
  EXPECT_EQ(Status(1), StatusPaused);
  EXPECT_EQ(State(1).downloadedBytes, stored);
  queue_->RestoreDownloads();
  ASSERT_EQ(queue_->DownloadList().size(), 1u);
  EXPECT_EQ(Status(1), StatusPaused);
  EXPECT_EQ(queue_->RunningCount(), 0);
  const std::size_t requestsBefore = first_.RangeStarts().size();

  queue_->ResumeDownload(&State(1));
  ASSERT_TRUE(RunUntil([&] { return Status(1) == StatusDownloaded; }));
  EXPECT_TRUE(Arrived(setup() + "/alpha-setup.exe", first_));
  // The new run asked for what the record lacked.
  EXPECT_TRUE(ResumedMidBlock(first_, requestsBefore));
}

TEST_F(DownloadResumeTest, AFolderChangeWhilePausedStartsAfreshThereAndDeletesTheOldFiles) {
  StartRun(Catalogue());
  Download(1);
  ASSERT_TRUE(RunUntilProgress(1, 128 << 10));
  queue_->PauseDownload(&State(1));
  ASSERT_TRUE(RunUntilPaused(1));
  ASSERT_TRUE(PairExists(AlphaTarget(setup())));

  const std::string moved = dir_.File("elsewhere");
  config_->SetDownloadDir(moved.c_str());
  queue_->ResumeDownload(&State(1));
  EXPECT_EQ(State(1).downloadDir, moved);
  ASSERT_TRUE(RunUntil([&] {
    return Status(1) == StatusDownloaded && State(1).downloadTask->retiredCount() == 0;
  }));
  EXPECT_TRUE(Arrived(moved + "/alpha-setup.exe", first_));
  EXPECT_TRUE(PairGone(AlphaTarget(setup())));
  EXPECT_FALSE(ds::PathExists(setup() + "/alpha-setup.exe"));
  EXPECT_TRUE(PairGone(AlphaTarget(moved)));
}

TEST_F(DownloadResumeTest, CancelStopsTheTransferDeletesItsFilesAndFreesTheSlot) {
  config_->SetDownloadCount(1);
  StartRun(Catalogue());
  Download(1);
  Download(2);
  ASSERT_TRUE(RunUntilProgress(1, 128 << 10));
  // What the download window's cancel and its message 2527 do.
  queue_->CancelDownload(&State(1));
  queue_->RemoveDownload(1);
  EXPECT_EQ(Status(1), StatusCancelled);
  EXPECT_EQ(Status(2), StatusDownloading);
  ASSERT_TRUE(RunUntil([&] { return State(1).downloadTask == nullptr && Status(2) == StatusDownloaded; }));
  EXPECT_EQ(Status(1), StatusCancelled);
  EXPECT_TRUE(PairGone(AlphaTarget(setup())));
  EXPECT_FALSE(ds::PathExists(setup() + "/alpha-setup.exe"));
  EXPECT_TRUE(Arrived(setup() + "/beta.msi", second_));
  EXPECT_EQ(queue_->TaskCount(), 1u);
}

TEST_F(DownloadResumeTest, StoppingEverythingAtExitLeavesDownloadsTheNextRunRestores) {
  config_->SetDownloadCount(1);
  StartRun(Catalogue());
  Download(1);
  Download(2);
  ASSERT_TRUE(RunUntilProgress(1, 128 << 10));
  const std::size_t requestsBefore = first_.RangeStarts().size();
  queue_->StopAllDownloads();
  EXPECT_EQ(Status(1), StatusStopped);
  EXPECT_EQ(Status(2), StatusStopped);
  // The exit waits for the downloaders; meanwhile the timer may still collect the tasks.
  ASSERT_TRUE(RunUntil([&] { return queue_->AllDownloadersEnded() && queue_->TaskCount() == 0; }));
  EXPECT_TRUE(PairExists(AlphaTarget(setup())));
  EXPECT_TRUE(PairExists(TempPath(setup(), "beta.msi")));
  const std::int64_t stored = StoredBytes(AlphaTarget(setup()));
  EXPECT_GT(stored, 0);

  StartRun();
  manager_->DetectAll();
  manager_->ScanInterruptedDownloads(setup());
  EXPECT_EQ(Status(1), StatusPaused);
  EXPECT_EQ(Status(2), StatusPaused);
  EXPECT_EQ(State(1).downloadedBytes, stored);
  queue_->RestoreDownloads();
  ASSERT_EQ(queue_->DownloadList().size(), 2u);
  queue_->ResumeDownload(&State(1));
  queue_->ResumeDownload(&State(2));
  EXPECT_EQ(Status(1), StatusDownloading);
  EXPECT_EQ(Status(2), StatusWaiting);
  ASSERT_TRUE(RunUntil([&] { return Status(1) == StatusDownloaded && Status(2) == StatusDownloaded; }));
  EXPECT_TRUE(Arrived(setup() + "/alpha-setup.exe", first_));
  EXPECT_TRUE(Arrived(setup() + "/beta.msi", second_));
  EXPECT_TRUE(ResumedMidBlock(first_, requestsBefore));
}

TEST_F(DownloadResumeTest, TooLittleDiskSpaceAsksForTheMessageOnceAndEndsPaused) {
  StartRun(Catalogue());
  Download(1);
  ASSERT_TRUE(RunUntilProgress(1, 64 << 10));
  // The engine's report, as its thread would make it.
  CDownloadTask* task = State(1).downloadTask;
  task->OnError(task->downloader(), kDownload4NoDiskSpace);
  ASSERT_TRUE(RunUntilPaused(1));
  EXPECT_EQ(diskFullMessages_, 1);
  EXPECT_EQ(State(1).keepTemp, 1);
  EXPECT_TRUE(PairExists(AlphaTarget(setup())));
}

}  // namespace
