// The block downloader against servers as they are found in the wild: ranges ignored, no
// length, ranges answered past the asked end, hosts that want a User-Agent, a file replaced
// between two runs, errors that must say why, HTTPS with a certificate made for the test, a
// file size limit, and a slow connection among fast ones. Every download must end with the
// server's bytes.
#include <atomic>
#include <csignal>
#include <mutex>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "core/platform/program_version.h"
#include "tests/common/http_server.h"
#include "tests/common/nginx_server.h"
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

std::string Sha256OfBytes(const TempDir& dir, const std::string& bytes) {
  const std::string path = dir.File("expected.bin");
  corvane_test::WriteWholeFile(path, bytes);
  return download4_test::Sha256Of(path);
}

// Downloads `url` into dir/name with 4 blocks; the outcome.
int Fetch(const std::string& url, const std::string& target, HttpDownloader4& downloader, Events& events,
          int timeoutMs = 5000) {
  downloader.Init(&events, timeoutMs, 3, 4);
  if (downloader.Download(url.c_str(), target.c_str()) != 1) return -100;
  return events.Wait(downloader);
}

void SendChunked(HttpConnection& c, const std::string& data) {
  c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
  for (std::size_t at = 0; at < data.size(); at += 10000) {
    const std::string piece = data.substr(at, 10000);
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
    if (!c.Send(size + piece + "\r\n")) return;
  }
  c.Send("0\r\n\r\n");
}

}  // namespace

TEST(Download4RealServers, ServersWithoutRangesOrLengthAreFetchedAsOneStream) {
  const std::string data = PatternBytes(300000, 41);
  HttpServer server([&](const HttpRequest& r, HttpConnection& c) {
    if (r.path == "/whole") {  // ranges ignored: always 200 with the whole file
      c.Send(MakeResponse(200, {}, data));
    } else if (r.path == "/chunked") {
      SendChunked(c, data);
    } else {  // no length at all: the body ends when the connection does
      c.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + data);
      c.Close();
    }
  });
  ASSERT_TRUE(server.Start());
  TempDir dir;
  const std::string digest = Sha256OfBytes(dir, data);
  for (const char* path : {"/whole", "/chunked", "/close"}) {
    Events events;
    HttpDownloader4 downloader;
    const std::string target = dir.File(std::string("f") + (path + 1));
    ASSERT_EQ(Fetch(server.Url(path), target, downloader, events), kFinished) << path;
    EXPECT_EQ(download4_test::Sha256Of(target), digest) << path;
    EXPECT_TRUE(downloader.IsSingleStream()) << path;
    EXPECT_EQ(downloader.GetFileLength(), static_cast<std::int64_t>(data.size())) << path;
  }
}

TEST(Download4RealServers, AnInterruptedStreamStartsAgainFromZeroAndSaysWhy) {
  const std::string data = PatternBytes(400000, 43);
  std::atomic<bool> slow{true};
  HttpServer server([&](const HttpRequest&, HttpConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(data.size()) + "\r\n\r\n");
    for (std::size_t at = 0; at < data.size(); at += 4096) {
      if (!c.Send(data.substr(at, 4096))) return;
      if (slow.load()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  ASSERT_TRUE(server.Start());
  TempDir dir;
  const std::string target = dir.File("s.bin");
  Events events;
  HttpDownloader4 downloader;
  downloader.Init(&events, 5000, 3, 4);
  ASSERT_EQ(downloader.Download(server.Url("/s").c_str(), target.c_str()), 1);
  for (int i = 0; i < 500 && downloader.GetCompletedSize() < 50000; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  downloader.Pause();
  ASSERT_EQ(events.Wait(downloader), kDownload4Paused);
  // The record says the download is one stream.
  RecordFileHeader4 header;
  std::vector<BlockHeader4> blocks;
  ASSERT_EQ(ReadRecordFile(target + ".rd2", &header, &blocks), 1);
  EXPECT_TRUE(IsStreamRecord(blocks));

  slow = false;
  events.Reset();
  downloader.ReSetState();
  ASSERT_EQ(downloader.Continue(target.c_str()), 1);
  ASSERT_EQ(events.Wait(downloader), kFinished);
  EXPECT_EQ(ReadWholeFile(target), data);
  EXPECT_NE(downloader.GetNote(), "");
  // Every request asked for the whole file: the link tests from byte 0 on, the streams without a range.
  for (const HttpRequest& r : server.requests())
    EXPECT_TRUE(r.Header("range").empty() || r.Header("range") == "bytes=0-") << r.Header("range");
}

TEST(Download4RealServers, BlocksAskForBoundedRangesWithIdentityAndValidator) {
  const std::string data = PatternBytes(200003, 47);
  HttpServer server([&](const HttpRequest& r, HttpConnection& c) {
    if (r.Header("user-agent").empty()) {  // some hosts refuse anonymous requests
      c.Send(MakeResponse(403, {}, "who are you"));
      return;
    }
    std::int64_t begin = 0, end = -1;
    if (!r.Range(&begin, &end)) {
      c.Send(MakeResponse(200, {{"ETag", "\"v1\""}}, data));
      return;
    }
    // Like nginx: an open range is answered to the end of the file.
    if (end < 0 || end >= static_cast<std::int64_t>(data.size())) end = static_cast<std::int64_t>(data.size()) - 1;
    const std::string part = data.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin + 1));
    c.Send(MakeResponse(206, {{"ETag", "\"v1\""}, {"Content-Range", "bytes " + std::to_string(begin) + "-" +
                                                                    std::to_string(end) + "/" +
                                                                    std::to_string(data.size())}},
                        part));
  });
  ASSERT_TRUE(server.Start());
  TempDir dir;
  Events events;
  HttpDownloader4 downloader;
  ASSERT_EQ(Fetch(server.Url("/b"), dir.File("b.bin"), downloader, events), kFinished);
  EXPECT_EQ(ReadWholeFile(dir.File("b.bin")), data);
  EXPECT_FALSE(downloader.IsSingleStream());
  std::set<std::int64_t> ends;
  for (const HttpRequest& r : server.requests()) {
    EXPECT_EQ(r.Header("user-agent"), std::string(kProgramUserAgent));
    std::int64_t begin = 0, end = -1;
    ASSERT_TRUE(r.Range(&begin, &end));
    if (end < 0) continue;  // the link test's "bytes=0-"
    ends.insert(end);
    EXPECT_EQ(r.Header("if-range"), "\"v1\"");
  }
  // Every block asked exactly up to its own last byte.
  EXPECT_EQ(ends, (std::set<std::int64_t>{49999, 99999, 149999, 200002}));
}

TEST(Download4RealServers, LongBlocksAreAskedForInAlignedPiecesOnOneConnection) {
  // Four blocks of 10 MiB and a little: each is asked for in pieces of at most 8 MiB, the
  // pieces after a block's first start on a 64 KiB boundary, and they follow one another on
  // the block's connection. (Without splits, so the requests are known.)
  const std::string data = PatternBytes((40 << 20) + 12345, 53);
  std::mutex mutex;
  std::set<int> connections;
  HttpServer server([&](const HttpRequest& r, HttpConnection& c) {
    {
      std::lock_guard<std::mutex> hold(mutex);
      connections.insert(c.fd());
    }
    ServeBytes(r, c, data);
  });
  ASSERT_TRUE(server.Start());
  TempDir dir;
  Events events;
  HttpDownloader4 downloader;
  downloader.SetSplitThreshold(0);
  ASSERT_EQ(Fetch(server.Url("/p"), dir.File("p.bin"), downloader, events), kFinished);
  EXPECT_EQ(ReadWholeFile(dir.File("p.bin")), data);
  const std::int64_t block = static_cast<std::int64_t>(data.size()) / 4;
  int pieces = 0;
  for (const HttpRequest& r : server.requests()) {
    std::int64_t begin = 0, end = -1;
    if (!r.Range(&begin, &end) || end < 0) continue;  // the link test
    ++pieces;
    EXPECT_LE(end - begin + 1, 8 << 20);
    EXPECT_TRUE(begin % block == 0 || begin % (64 << 10) == 0) << begin;
  }
  EXPECT_EQ(pieces, 8);
  EXPECT_LE(connections.size(), 5u) << "a connection each for the link test and the four blocks";
}

TEST(Download4RealServers, AFileReplacedBetweenRunsIsFetchedAgainNotMixed) {
  std::mutex mutex;
  std::string data = PatternBytes(600000, 51);
  std::string tag = "\"old\"";
  std::atomic<bool> slow{true};
  HttpServer server([&](const HttpRequest& r, HttpConnection& c) {
    std::string body, etag;
    {
      std::lock_guard<std::mutex> hold(mutex);
      body = data;
      etag = tag;
    }
    std::int64_t begin = 0, end = -1;
    const bool ranged = r.Range(&begin, &end);
    // If-Range with another tag: the whole (new) file, as RFC 9110 says.
    if (!ranged || (!r.Header("if-range").empty() && r.Header("if-range") != etag)) {
      c.Send(MakeResponse(200, {{"ETag", etag}}, body));
      return;
    }
    if (end < 0) end = static_cast<std::int64_t>(body.size()) - 1;
    std::string head = "HTTP/1.1 206 Partial Content\r\nETag: " + etag + "\r\nContent-Range: bytes " +
                       std::to_string(begin) + "-" + std::to_string(end) + "/" + std::to_string(body.size()) +
                       "\r\nContent-Length: " + std::to_string(end - begin + 1) + "\r\n\r\n";
    if (!c.Send(head)) return;
    for (std::int64_t at = begin; at <= end; at += 4096) {
      if (!c.Send(body.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(std::min<std::int64_t>(4096, end - at + 1)))))
        return;
      if (slow.load()) std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
  });
  ASSERT_TRUE(server.Start());
  TempDir dir;
  const std::string target = dir.File("v.bin");
  Events events;
  HttpDownloader4 downloader;
  downloader.Init(&events, 5000, 3, 4);
  ASSERT_EQ(downloader.Download(server.Url("/v").c_str(), target.c_str()), 1);
  for (int i = 0; i < 500 && downloader.GetCompletedSize() < 60000; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  downloader.Pause();
  ASSERT_EQ(events.Wait(downloader), kDownload4Paused);
  EXPECT_EQ(ReadWholeFile(ValidatorPathOf(target)), "ETag: \"old\"\n");

  // The vendor replaces the file by another of the same length.
  std::string replaced;
  {
    std::lock_guard<std::mutex> hold(mutex);
    data = PatternBytes(600000, 52);
    tag = "\"new\"";
    replaced = data;
  }
  slow = false;
  events.Reset();
  downloader.ReSetState();
  ASSERT_EQ(downloader.Continue(target.c_str()), 1);
  ASSERT_EQ(events.Wait(downloader), kFinished);
  EXPECT_EQ(download4_test::Sha256Of(target), Sha256OfBytes(dir, replaced));
  EXPECT_NE(downloader.GetNote(), "");
  EXPECT_FALSE(corvane_test::RunCommand("test -e '" + ValidatorPathOf(target) + "'") == 0);
}

TEST(Download4RealServers, FailuresSayWhy) {
  std::atomic<bool> release{false};
  HttpServer server([&](const HttpRequest& r, HttpConnection& c) {
    if (r.path == "/loop") {
      c.Send(MakeResponse(302, {{"Location", "/loop"}}, ""));
    } else if (r.path == "/silent") {
      for (int i = 0; i < 500 && !release.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      c.Close();
    } else {
      c.Send(MakeResponse(std::stoi(r.path.substr(1)), {}, "error page"));
    }
  });
  ASSERT_TRUE(server.Start());
  TempDir dir;
  struct Case {
    std::string url;
    std::string reason;  // a part of the reason
  } cases[] = {
      {server.Url("/404"), "HTTP 404"},
      {server.Url("/500"), "HTTP 500"},
      {server.Url("/503"), "HTTP 503"},
      {server.Url("/loop"), "redirect"},
      {"ftp://127.0.0.1:" + std::to_string(server.port()) + "/x", "ftp"},
      {server.Url("/silent"), "no answer"},
  };
  for (const Case& test : cases) {
    Events events;
    HttpDownloader4 downloader;
    downloader.Init(&events, 500, 1, 4);  // the silent server: 1 s to the first byte
    ASSERT_EQ(downloader.Download(test.url.c_str(), dir.File("e.bin").c_str()), 1);
    EXPECT_EQ(events.Wait(downloader), kDownload4LinkTestFailed) << test.url;
    EXPECT_NE(downloader.GetFailure().text.find(test.reason), std::string::npos)
        << test.url << ": " << downloader.GetFailure().text;
  }
  release = true;
}

// HTTPS from nginx with a certificate the test makes: trusted only when the test names it.
TEST(Download4RealServers, HttpsIsVerifiedAndAnUntrustedCertificateSaysSo) {
  TempDir dir;
  const std::string cert = dir.File("cert.pem");
  const std::string key = dir.File("key.pem");
  ASSERT_EQ(corvane_test::RunCommand("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
                                     "-addext subjectAltName=IP:127.0.0.1 -keyout '" + key + "' -out '" + cert +
                                     "' >/dev/null 2>&1"),
            0);
  ASSERT_EQ(corvane_test::RunCommand("mkdir -p '" + dir.File("www") + "'"), 0);
  const std::string data = PatternBytes(3 << 20, 53);
  corvane_test::WriteWholeFile(dir.File("www/setup.exe"), data);
  corvane_test::NginxServer nginx(dir.File("www"));
  nginx.UseTls(cert, key);
  ASSERT_TRUE(nginx.Start()) << nginx.error();

  Events events;
  HttpDownloader4 trusting;
  trusting.SetCaFile(cert);
  ASSERT_EQ(Fetch(nginx.Url("/setup.exe"), dir.File("ok.exe"), trusting, events), kFinished);
  EXPECT_EQ(download4_test::Sha256Of(dir.File("ok.exe")), download4_test::Sha256Of(dir.File("www/setup.exe")));

  Events refused;
  HttpDownloader4 system;
  EXPECT_EQ(Fetch(nginx.Url("/setup.exe"), dir.File("no.exe"), system, refused), kDownload4LinkTestFailed);
  EXPECT_TRUE(system.GetFailure().certificate);
  EXPECT_NE(system.GetFailure().text.find("certificate"), std::string::npos) << system.GetFailure().text;
}

// Under a file size limit the write fails (the signal is ignored): paused, resumable.
TEST(Download4RealServers, AFileSizeLimitPausesTheDownloadInsteadOfKillingIt) {
  TempDir dir;
  ASSERT_EQ(corvane_test::RunCommand("mkdir -p '" + dir.File("www") + "'"), 0);
  corvane_test::WriteWholeFile(dir.File("www/big.bin"), PatternBytes(2 << 20, 55));
  corvane_test::NginxServer nginx(dir.File("www"));
  ASSERT_TRUE(nginx.Start()) << nginx.error();
  const std::string target = dir.File("big.bin");
  const std::string get = "'" + download4_test::ToolPath() + "' -q '" + nginx.Url("/big.bin") + "' '" + target + "'";
  // 512 blocks of 1 KiB: the limit is hit half way.
  EXPECT_EQ(corvane_test::RunCommand("ulimit -f 512; " + get), 15);
  EXPECT_TRUE(corvane_test::RunCommand("test -e '" + target + ".rd2'") == 0);
  EXPECT_EQ(corvane_test::RunCommand(get), 0);
  EXPECT_EQ(download4_test::Sha256Of(target), download4_test::Sha256Of(dir.File("www/big.bin")));
}

// One connection of four crawls: finished connections take over half of its rest, so the
// download does not wait for it, and the record keeps the split blocks.
TEST(Download4RealServers, FinishedBlocksTakeOverTheRestOfASlowOne) {
  const std::string data = PatternBytes(8 << 20, 57);
  std::mutex mutex;
  std::vector<BlockHeader4> midway;
  HttpServer server([&](const HttpRequest& r, HttpConnection& c) {
    std::int64_t begin = 0, end = -1;
    // The first request for block 1 (from 2 MiB) crawls until it is cut off.
    if (r.Range(&begin, &end) && begin == (2 << 20) && end >= 0) {
      download4_test::ServeSlowly(r, c, data, 4096, 50);
      return;
    }
    ServeBytes(r, c, data);
  });
  ASSERT_TRUE(server.Start());
  TempDir dir;
  const std::string target = dir.File("t.bin");
  Events events;
  HttpDownloader4 downloader;
  downloader.Init(&events, 5000, 3, 4);
  downloader.SetSplitThreshold(256 << 10);
  ASSERT_EQ(downloader.Download(server.Url("/t").c_str(), target.c_str()), 1);
  for (int i = 0; i < 1000 && downloader.GetBlocks().size() < 6; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  RecordFileHeader4 header;
  ASSERT_EQ(ReadRecordFile(target + ".rd2", &header, &midway), 1);
  ASSERT_EQ(events.Wait(downloader, 120), kFinished);
  EXPECT_EQ(ReadWholeFile(target), data);
  // The record kept its four base blocks and listed the split ones after them, covering the file.
  EXPECT_EQ(header.blockCount, 4);
  EXPECT_GT(midway.size(), 4u);
  EXPECT_TRUE(BlocksFitLength(header, midway));
}
