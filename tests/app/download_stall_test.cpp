// The stall monitor: a transfer that stops making progress is reported once the slow intervals
// add up to five minutes, and ends paused with its files kept. The test's clock runs three
// seconds per timer turn, so the five minutes pass without waiting for them.
#include <gtest/gtest.h>

#include <atomic>

#include "tests/app/download_queue_fixture.h"

namespace {

using corvane_test::HttpConnection;
using corvane_test::HttpRequest;
using corvane_test::PatternBytes;

class DownloadStallTest : public corvane_test::DownloadQueueFixture {
 protected:
  void SetUp() override {
    DownloadQueueFixture::SetUp();
    ASSERT_TRUE(server_.Start());
    queueClock_ = [this] { return now_.load(); };
  }

  void TearDown() override {
    release_ = true;
    DownloadQueueFixture::TearDown();
    server_.Stop();
  }

  // Answers carry their first `sent_` bytes, then nothing more until the test ends.
  void Serve(const HttpRequest& request, HttpConnection& connection) {
    std::int64_t begin = 0, end = -1;
    const auto size = static_cast<std::int64_t>(data_.size());
    const bool ranged = request.Range(&begin, &end);
    if (begin >= size) {
      corvane_test::ServeBytes(request, connection, data_);
      return;
    }
    if (end < 0 || end >= size) end = size - 1;
    std::string head = ranged ? "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " +
                                    std::to_string(begin) + "-" + std::to_string(end) + "/" +
                                    std::to_string(size) + "\r\n"
                              : "HTTP/1.1 200 OK\r\n";
    head += "Accept-Ranges: bytes\r\nContent-Length: " + std::to_string(end - begin + 1) + "\r\n\r\n";
    if (!connection.Send(head) || request.method == "HEAD") return;
    const std::int64_t piece = std::min<std::int64_t>(sent_, end - begin + 1);
    if (!connection.Send(data_.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(piece))))
      return;
    for (int i = 0; i < 3000 && !release_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    connection.Close();
  }

  // One timer turn three seconds after the last.
  void Turn() {
    now_ += 3000;
    Tick();
  }

  bool TurnUntil(const std::function<bool()>& done, int turns) {
    for (int i = 0; i < turns; ++i) {
      Turn();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  int StallReports() const {
    int count = 0;
    for (const Report& report : reports_) count += report.code == kDownload4Incomplete ? 1 : 0;
    return count;
  }

  std::string data_ = PatternBytes(2 << 20, 31);
  std::int64_t sent_ = 8192;
  std::atomic<bool> release_{false};
  std::atomic<std::uint32_t> now_{100000};
  TickSource queueClock_;
  corvane_test::HttpServer server_{[this](const HttpRequest& request, HttpConnection& connection) {
    Serve(request, connection);
  }};
};

TEST_F(DownloadStallTest, FiveMinutesWithoutProgressEndPausedWithTheFilesKept) {
  StartRun(Row(1, "Stuck", server_.Url("/stuck-setup.exe")));
  queue_->SetClock(queueClock_);
  Download(1);
  // Every block has delivered its first bytes and then nothing more.
  ASSERT_TRUE(RunUntilProgress(1, CDownloadTask::kBlockCount * sent_));
  const std::uint32_t stallBegan = now_.load();
  ASSERT_TRUE(TurnUntil([&] { return StallReports() > 0; }, 200));
  // Reported once the silent intervals reached five minutes, not before.
  EXPECT_GE(now_.load() - stallBegan, CDownloadTask::kStallLimitMs);
  EXPECT_LE(now_.load() - stallBegan, CDownloadTask::kStallLimitMs + 4 * 3000);
  EXPECT_EQ(StallReports(), 1);
  EXPECT_EQ(Status(1), StatusPausing);
  EXPECT_EQ(State(1).speed, 0.0f);
  release_ = true;
  ASSERT_TRUE(RunUntilPaused(1));
  EXPECT_EQ(State(1).keepTemp, 1);
  EXPECT_TRUE(PairExists(TempPath(setup(), "stuck-setup.exe")));
  EXPECT_EQ(State(1).downloadedBytes, CDownloadTask::kBlockCount * sent_);
  // The pause ended the monitoring: no further reports while it stays paused.
  for (int i = 0; i < 5; ++i) Turn();
  EXPECT_EQ(StallReports(), 1);
}

}  // namespace
