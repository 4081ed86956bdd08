// The block downloader against a server of our own with edge behaviours: the block layout and
// its requests, header quirks, redirects, servers that ignore ranges or fail them, dropped and
// stalled connections, pause/stop and resume.
#include <atomic>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "tests/common/http_server.h"
#include "tests/common/temp_dir.h"
#include "tests/vexo/download/download4_test_support.h"

using corvane_test::HttpConnection;
using corvane_test::HttpRequest;
using corvane_test::HttpServer;
using corvane_test::MakeResponse;
using corvane_test::PatternBytes;
using corvane_test::ReadWholeFile;
using corvane_test::ServeBytes;
using corvane_test::TempDir;
using download4_test::Events;
using download4_test::kFinished;

namespace {

[[maybe_unused]] auto* const g_curl =
    ::testing::AddGlobalTestEnvironment(new download4_test::CurlEnvironment);

bool Exists(const std::string& path) { return corvane_test::RunCommand("test -e '" + path + "'") == 0; }

// Range starts of the block requests after the first `skip` requests (-1: no Range header).
std::multiset<int64_t> RangeStarts(const HttpServer& server, size_t skip = 0) {
  std::multiset<int64_t> starts;
  std::vector<HttpRequest> requests = server.requests();
  for (size_t i = skip; i < requests.size(); ++i) {
    int64_t begin = -1, end = -1;
    starts.insert(requests[i].Range(&begin, &end) ? begin : -1);
  }
  return starts;
}

std::vector<BlockHeader4> RecordBlocks(const std::string& target) {
  RecordFileHeader4 header;
  std::vector<BlockHeader4> blocks;
  HttpDownloader4::LoadRecordFile((target + ".rd2").c_str(), &header, &blocks);
  return blocks;
}

}  // namespace

TEST(Download4Server, SplitsIntoBlocksAndAssemblesTheFile) {
  const std::string data = PatternBytes(1005, 3);
  HttpServer server([&](const HttpRequest& r, HttpConnection& c) { ServeBytes(r, c, data); });
  ASSERT_TRUE(server.Start());
  TempDir dir;
  const std::string target = dir.File("setup.exe");
  Events events;
  HttpDownloader4 downloader;
  downloader.Init(&events, 5000, 3, 10);
  ASSERT_EQ(downloader.Download(server.Url("/setup.exe").c_str(), target.c_str()), 1);
  ASSERT_EQ(events.Wait(downloader), kFinished);

  EXPECT_EQ(ReadWholeFile(target), data);
  EXPECT_FALSE(Exists(target + ".rd2"));
  EXPECT_FALSE(Exists(target + ".tmp"));
  EXPECT_EQ(events.log(), (std::vector<std::string>{"test", "start", "finish"}));
  EXPECT_EQ(downloader.GetFileLength(), 1005);
  EXPECT_EQ(downloader.GetCompletedSize(), 1005);
  // The probe ("bytes=0-") and block 0 ask from the start; blocks 1..9 from i * 100, block 9
  // taking 105 bytes.
  std::multiset<int64_t> starts = RangeStarts(server);
  EXPECT_EQ(starts.count(0), 2u);
  for (int64_t i = 1; i < 10; ++i) EXPECT_EQ(starts.count(i * 100), 1u) << i;
  EXPECT_EQ(downloader.GetBlocks().back().blockSize, 105);

  // Starting while a download runs, without an operator, or with an over-long URL is refused.
  HttpDownloader4 idle;
  EXPECT_EQ(idle.Download(server.Url("/x").c_str(), dir.File("x").c_str()), 0);
  idle.Init(&events, 5000, 1, 2);
  EXPECT_EQ(idle.Download(("http://h/" + std::string(260, 'u')).c_str(), dir.File("x").c_str()), 0);
  EXPECT_FALSE(Exists(dir.File("x.rd2")));
}

TEST(Download4Server, LengthHeaderInAnyCaseAndThroughRedirects) {
  const std::string data = PatternBytes(64 * 1024 + 3, 5);
  HttpServer server([&](const HttpRequest& r, HttpConnection& c) {
    if (r.path == "/first") {  // a redirect that states length 0
      c.Send(MakeResponse(302, {{"Location", "/second"}, {"Content-Length", "0"}}, ""));
    } else if (r.path == "/second") {  // a redirect with a small body of its own
      c.Send(MakeResponse(301, {{"Location", "/lower"}}, "moved here"));
    } else if (r.path == "/lower") {  // the final answer names its length in lower case
      int64_t begin = 0, end = -1;
      if (!r.Range(&begin, &end)) {
        c.Send(MakeResponse(200, {{"content-length", std::to_string(data.size())}}, data));
        return;
      }
      std::string part = data.substr(static_cast<size_t>(begin));
      c.Send(MakeResponse(206, {{"content-range", "bytes " + std::to_string(begin) + "-" +
                                                       std::to_string(data.size() - 1) + "/" +
                                                       std::to_string(data.size())},
                                {"content-length", std::to_string(part.size())}},
                          part));
    }
  });
  ASSERT_TRUE(server.Start());
  TempDir dir;
  Events events;
  HttpDownloader4 downloader;
  downloader.Init(&events, 5000, 3, 4);
  ASSERT_EQ(downloader.Download(server.Url("/first").c_str(), dir.File("f.bin").c_str()), 1);
  ASSERT_EQ(events.Wait(downloader), kFinished);
  EXPECT_EQ(downloader.GetFileLength(), static_cast<int64_t>(data.size()));
  EXPECT_EQ(ReadWholeFile(dir.File("f.bin")), data);
}

TEST(Download4Server, RefusedRangesWriteNothingAndEndIncomplete) {
  const std::string data = PatternBytes(4000, 7);
  const std::string errorPage = "<html>internal error</html>";
  struct Case {
    const char* what;
    corvane_test::HttpHandler handler;
  } cases[] = {
      // The link test's open range is served, every block's bounded one fails.
      {"server failing block requests",
       [&](const HttpRequest& r, HttpConnection& c) {
         int64_t begin = 0, end = -1;
         if (r.Range(&begin, &end) && end >= 0) {
           c.Send(MakeResponse(500, {{"Content-Type", "text/html"}}, errorPage));
         } else {
           ServeBytes(r, c, data);
         }
       }},
  };
  for (const Case& test : cases) {
    HttpServer server(test.handler);
    ASSERT_TRUE(server.Start());
    TempDir dir;
    const std::string target = dir.File("f.bin");
    Events events;
    HttpDownloader4 downloader;
    downloader.Init(&events, 5000, 2, 4);
    ASSERT_EQ(downloader.Download(server.Url("/f.bin").c_str(), target.c_str()), 1) << test.what;
    EXPECT_EQ(events.Wait(downloader), kDownload4Incomplete) << test.what;
    EXPECT_EQ(downloader.GetFailure().text, "HTTP 500") << test.what;

    // No block holds anything of the error page.
    const std::string stored = ReadWholeFile(target + ".tmp");
    ASSERT_EQ(stored.size(), data.size()) << test.what;
    EXPECT_EQ(stored, std::string(4000, '\0')) << test.what;
    std::vector<BlockHeader4> blocks = RecordBlocks(target);
    ASSERT_EQ(blocks.size(), 4u) << test.what;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(blocks[i].completedSize, 0) << test.what << " block " << i;
    EXPECT_FALSE(Exists(target)) << test.what;
  }
  // A server that ignores ranges altogether is served as one stream (see
  // download4_real_servers_test.cpp).
}

TEST(Download4Server, DroppedAndStalledConnectionsResumeInTheNextCycle) {
  const std::string data = PatternBytes(200000, 9);
  std::mutex mutex;
  std::set<int64_t> seen;  // range starts already answered once
  std::atomic<bool> release{false};
  HttpServer server([&](const HttpRequest& r, HttpConnection& c) {
    int64_t begin = 0, end = -1;
    bool first;
    if (!r.Range(&begin, &end)) begin = -1;
    {
      std::lock_guard<std::mutex> hold(mutex);
      first = seen.insert(begin).second;
    }
    if (first && begin == 100000) {  // block 2 of 4: the headers, then silence
      c.Send("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 100000-199999/200000\r\nContent-Length: 100000"
             "\r\n\r\n");
      for (int i = 0; i < 1000 && !release.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      c.Close();
    } else if (first && begin == 50000) {  // block 1 of 4: half the block, then the line drops
      std::string response = MakeResponse(206, {{"Content-Range", "bytes 50000-199999/200000"}}, data.substr(50000));
      c.Send(response.substr(0, response.size() - 150000 + 25000));
      c.Close();
    } else {
      ServeBytes(r, c, data);
    }
  });
  ASSERT_TRUE(server.Start());
  TempDir dir;
  Events events;
  HttpDownloader4 downloader;
  downloader.Init(&events, 5000, 4, 4);
  downloader.SetLowSpeedLimit(1, 1);
  const auto began = std::chrono::steady_clock::now();
  ASSERT_EQ(downloader.Download(server.Url("/f").c_str(), dir.File("f").c_str()), 1);
  EXPECT_EQ(events.Wait(downloader, 30), kFinished);
  release = true;
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(8))
      << "the stalled block should end by the low-speed limit, not by the server";
  EXPECT_EQ(ReadWholeFile(dir.File("f")), data);
  // Both broken blocks were asked again from where they had stopped.
  std::multiset<int64_t> starts = RangeStarts(server);
  EXPECT_EQ(starts.count(100000), 2u);
  EXPECT_EQ(starts.count(75000), 1u);
}

TEST(Download4Server, PauseKeepsThePairAndContinueResumesFromTheCounts) {
  std::mutex mutex;
  std::string data = PatternBytes(1 << 20, 11);
  std::atomic<bool> slow{true};
  HttpServer server([&](const HttpRequest& r, HttpConnection& c) {
    std::string copy;
    {
      std::lock_guard<std::mutex> hold(mutex);
      copy = data;
    }
    if (slow.load()) {
      download4_test::ServeSlowly(r, c, copy, 4096, 40);
    } else {
      ServeBytes(r, c, copy);
    }
  });
  ASSERT_TRUE(server.Start());
  TempDir dir;
  for (bool changeLength : {false, true}) {
    const std::string target = dir.File(changeLength ? "changed.bin" : "same.bin");
    slow = true;
    Events events;
    HttpDownloader4 downloader;
    downloader.Init(&events, 5000, 3, 10);
    ASSERT_EQ(downloader.Download(server.Url("/f").c_str(), target.c_str()), 1);
    for (int i = 0; i < 500 && downloader.GetCompletedSize() < 100000; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    downloader.Pause();
    ASSERT_EQ(events.Wait(downloader), kDownload4Paused);
    ASSERT_TRUE(Exists(target + ".rd2"));
    ASSERT_TRUE(Exists(target + ".tmp"));
    std::vector<BlockHeader4> stored = RecordBlocks(target);
    int64_t storedSum = 0;
    for (const BlockHeader4& block : stored) storedSum += block.completedSize;
    EXPECT_EQ(storedSum, downloader.GetCompletedSize());
    ASSERT_GT(storedSum, 0);
    ASSERT_LT(storedSum, static_cast<int64_t>(data.size()));

    std::string expected;
    {
      std::lock_guard<std::mutex> hold(mutex);
      if (changeLength) data = PatternBytes((1 << 20) + 777, 12);
      expected = data;
    }
    slow = false;
    const size_t before = server.requests().size();
    events.Reset();
    // Still paused: Continue(target) alone would run into the pause flag again.
    downloader.ReSetState();
    ASSERT_EQ(downloader.Continue(target.c_str()), 1);
    ASSERT_EQ(events.Wait(downloader), kFinished) << "changed length: " << changeLength;
    EXPECT_EQ(ReadWholeFile(target), expected) << "changed length: " << changeLength;

    std::multiset<int64_t> starts = RangeStarts(server, before);
    const int64_t size = static_cast<int64_t>(stored[0].blockSize);
    for (size_t i = 1; i < stored.size(); ++i) {
      // Same length: each unfinished block goes on from its count; new length: from its start.
      const int64_t from = changeLength ? BlockStart(static_cast<int64_t>(expected.size()), 10, i)
                                        : static_cast<int64_t>(i) * size + stored[i].completedSize;
      EXPECT_GE(starts.count(from), 1u) << "block " << i << " changed length: " << changeLength;
    }
  }
}

TEST(Download4Server, StopEndsTestOrTransferAndBadResumesFailTheLinkTest) {
  const std::string data = PatternBytes(400000, 13);
  std::atomic<int> probeDelayMs{0};
  HttpServer server([&](const HttpRequest& r, HttpConnection& c) {
    int64_t begin = 0, end = -1;
    // The link test asks "bytes=0-"; the blocks ask bounded ranges.
    if (!r.Range(&begin, &end) || end < 0) std::this_thread::sleep_for(std::chrono::milliseconds(probeDelayMs.load()));
    if (r.path == "/missing") {
      c.Send(MakeResponse(404, {}, "not here"));
    } else {
      download4_test::ServeSlowly(r, c, data, 4096, 30);
    }
  });
  ASSERT_TRUE(server.Start());
  TempDir dir;
  const std::string target = dir.File("f.bin");
  Events events;
  HttpDownloader4 downloader;
  downloader.Init(&events, 5000, 2, 4);

  probeDelayMs = 3000;
  ASSERT_EQ(downloader.Download(server.Url("/f").c_str(), target.c_str()), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  downloader.Stop();
  EXPECT_EQ(events.Wait(downloader, 10), kDownload4StoppedInTest);

  probeDelayMs = 0;
  events.Reset();
  downloader.ReSetState();
  ASSERT_EQ(downloader.Download(server.Url("/f").c_str(), target.c_str()), 1);
  for (int i = 0; i < 500 && downloader.GetCompletedSize() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  downloader.Stop();
  EXPECT_EQ(events.Wait(downloader, 10), kDownload4Stopped);
  EXPECT_TRUE(Exists(target + ".rd2"));

  // A record of 4 blocks does not fit a downloader set up for 8, even though the length matches.
  events.Reset();
  HttpDownloader4 other;
  other.Init(&events, 5000, 2, 8);
  ASSERT_EQ(other.Continue(target.c_str()), 1);
  EXPECT_EQ(events.Wait(other), kDownload4LinkTestFailed);

  // An answer that is not 2xx gives no length.
  events.Reset();
  ASSERT_EQ(other.Download(server.Url("/missing").c_str(), dir.File("m").c_str()), 1);
  EXPECT_EQ(events.Wait(other), kDownload4LinkTestFailed);
  EXPECT_EQ(other.GetFileLength(), 0);
}

TEST(Download4Server, CompleteRecordFinishesWithoutNewData) {
  const std::string data = PatternBytes(3000, 17);
  std::atomic<int> bodies{0};
  HttpServer server([&](const HttpRequest& r, HttpConnection& c) {
    int64_t begin = 0, end = -1;
    if (r.Range(&begin, &end)) ++bodies;
    ServeBytes(r, c, std::string(data.size(), 'Z'));  // any stored byte rewritten would show
  });
  ASSERT_TRUE(server.Start());
  TempDir dir;
  const std::string target = dir.File("done.bin");
  ASSERT_EQ(CreateRecordPair(server.Url("/f").c_str(), target, 3), 1);
  std::vector<BlockHeader4> blocks = MakeBlockLayout(3000, 3);
  for (BlockHeader4& block : blocks) block.completedSize = block.blockSize;
  ASSERT_EQ(WriteRecordLayout(target + ".rd2", server.Url("/f").c_str(), 3000, blocks), 1);
  corvane_test::WriteWholeFile(target + ".tmp", data);

  Events events;
  HttpDownloader4 downloader;
  downloader.Init(&events, 5000, 2, 3);
  ASSERT_EQ(downloader.Continue(target.c_str()), 1);
  ASSERT_EQ(events.Wait(downloader), kFinished);
  EXPECT_EQ(ReadWholeFile(target), data);
  EXPECT_FALSE(Exists(target + ".rd2"));
}

namespace {

// Deletes its downloader from the final report, as an owner that keeps nothing else might.
class DeletingOperator : public IHttpDownloadOperator4 {
 public:
  HttpDownloader4* downloader = nullptr;
  std::atomic<int> outcome{download4_test::kTimedOut};
  void OnFinish(HttpDownloader4*) override { End(kFinished); }
  void OnError(HttpDownloader4*, int code) override { End(code); }

 private:
  void End(int code) {
    delete downloader;
    outcome = code;
  }
};

}  // namespace

TEST(Download4Server, OperatorMayDeleteTheDownloaderFromItsFinalReport) {
  const std::string data = PatternBytes(20000, 19);
  HttpServer server([&](const HttpRequest& r, HttpConnection& c) {
    if (r.path == "/missing") {
      c.Send(MakeResponse(404, {}, "not here"));
    } else {
      ServeBytes(r, c, data);
    }
  });
  ASSERT_TRUE(server.Start());
  TempDir dir;
  for (const char* path : {"/f", "/missing"}) {
    DeletingOperator op;
    op.downloader = new HttpDownloader4;
    op.downloader->Init(&op, 5000, 2, 4);
    ASSERT_EQ(op.downloader->Download(server.Url(path).c_str(), dir.File("f.bin").c_str()), 1) << path;
    for (int i = 0; i < 1000 && op.outcome == download4_test::kTimedOut; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the thread's last steps
    EXPECT_EQ(op.outcome.load(), std::string(path) == "/f" ? kFinished : kDownload4LinkTestFailed) << path;
  }
  EXPECT_EQ(ReadWholeFile(dir.File("f.bin")), data);
}
