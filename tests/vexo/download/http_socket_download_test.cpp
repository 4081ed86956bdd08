// The socket downloader against a local server: redirects, resume from the ".rd" record, servers
// that ignore ranges, answer errors or drop the connection, stop and pause.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/http_server.h"
#include "tests/common/temp_dir.h"
#include "vexo/download/http_downloader.h"

using corvane_test::HttpConnection;
using corvane_test::HttpRequest;
using corvane_test::HttpServer;
using corvane_test::MakeResponse;
using corvane_test::PatternBytes;
using corvane_test::ReadWholeFile;
using corvane_test::ServeBytes;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;

namespace {

class Recorder : public IHttpDownloadOperator {
 public:
  void OnStartTest(HttpDownloader*) override { Push("test"); }
  void OnStartDownload(HttpDownloader*) override { Push("download"); }
  void OnFinish(HttpDownloader*) override { Push("finish"); }
  void OnError(HttpDownloader*, int code) override { Push("error " + std::to_string(code)); }
  void OnPrint(HttpDownloader*, const char* text) override {
    std::lock_guard<std::mutex> guard(mutex_);
    printed_ += text;
  }
  void OnProgress(HttpDownloader*, int completed, int total, float) override {
    std::lock_guard<std::mutex> guard(mutex_);
    if (completed <= last_progress_ || completed > total) progress_ok_ = false;
    last_progress_ = completed;
  }

  // The events of one run, once the downloader can be deleted again.
  std::vector<std::string> WaitEnd(const HttpDownloader& downloader) {
    for (int i = 0; i < 3000 && !downloader.CanDelete(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::lock_guard<std::mutex> guard(mutex_);
    std::vector<std::string> events;
    events.swap(events_);
    last_progress_ = -1;
    return events;
  }
  std::string printed() {
    std::lock_guard<std::mutex> guard(mutex_);
    return printed_;
  }
  bool progress_ok() {
    std::lock_guard<std::mutex> guard(mutex_);
    return progress_ok_;
  }

 private:
  void Push(const std::string& event) {
    std::lock_guard<std::mutex> guard(mutex_);
    events_.push_back(event);
  }
  std::mutex mutex_;
  std::vector<std::string> events_;
  std::string printed_;
  int last_progress_ = -1;
  bool progress_ok_ = true;
};

using Events = std::vector<std::string>;
const Events kFinished = {"test", "download", "finish"};

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// A pair as an interrupted download leaves it.
void WritePair(const std::string& target, const std::string& url, std::uint32_t completed,
               std::uint32_t length, const std::string& data) {
  RecordFileHeader header;
  header.completedSize = completed;
  header.fileLength = length;
  SetRdRecordUrl(&header, url.c_str());
  WriteWholeFile(target + ".rd", EncodeRecordHeader(header));
  WriteWholeFile(target + ".tmp", data);
}

std::uint32_t StoredCount(const std::string& target) {
  std::string record = ReadWholeFile(target + ".rd");
  if (record.size() < 4) return 0xFFFFFFFFu;
  return static_cast<unsigned char>(record[0]) | static_cast<unsigned char>(record[1]) << 8 |
         static_cast<unsigned char>(record[2]) << 16 | static_cast<std::uint32_t>(static_cast<unsigned char>(record[3])) << 24;
}

// Holds a connection silent until the client has closed it (or `ms` passed).
void WaitForPeerClose(HttpConnection& connection, int ms) {
  for (int waited = 0; waited < ms; waited += 50) {
    pollfd p{connection.fd(), POLLIN, 0};
    if (poll(&p, 1, 50) > 0) {
      char c;
      if (recv(connection.fd(), &c, 1, MSG_PEEK | MSG_DONTWAIT) <= 0) return;
    }
  }
}

class SocketDownload : public ::testing::Test {
 protected:
  void StartServer(std::function<void(const HttpRequest&, HttpConnection&)> handler) {
    server_ = std::make_unique<HttpServer>(std::move(handler));
    ASSERT_TRUE(server_->Start());
  }
  std::string Url(const std::string& path) { return server_->Url(path); }

  TempDir dir_;
  std::string target_ = dir_.File("setup.exe");
  std::string data_ = PatternBytes(100000, 3);
  Recorder recorder_;
  std::unique_ptr<HttpServer> server_;
  HttpDownloader downloader_;
};

}  // namespace

TEST_F(SocketDownload, FollowsRedirectsWhoseFirstAnswerSaysLengthZero) {
  StartServer([this](const HttpRequest& request, HttpConnection& connection) {
    if (request.path == "/start") {  // absolute, longer than the 30-character value buffer
      connection.Send(MakeResponse(302, {{"Location", Url("/mid")}}, ""));
    } else if (request.path == "/mid") {  // relative to the folder of /mid
      connection.Send(MakeResponse(302, {{"Location", "files/final.bin"}}, ""));
    } else if (request.path == "/files/final.bin") {
      ServeBytes(request, connection, data_);
    } else {
      connection.Send(MakeResponse(404, {}, ""));
    }
  });
  downloader_.Init(&recorder_, 2000, 3);
  ASSERT_EQ(downloader_.Download(Url("/start").c_str(), target_.c_str()), 1);
  EXPECT_EQ(recorder_.WaitEnd(downloader_), kFinished);
  EXPECT_TRUE(ReadWholeFile(target_) == data_);
  EXPECT_FALSE(Exists(target_ + ".rd"));
  EXPECT_FALSE(Exists(target_ + ".tmp"));
  EXPECT_EQ(downloader_.GetUrl(), Url("/files/final.bin"));
  EXPECT_EQ(downloader_.GetHost(), "127.0.0.1");
  auto requests = server_->requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[3].path, "/files/final.bin");
  EXPECT_EQ(requests[3].Header("range"), "");
  EXPECT_EQ(requests[3].Header("host"), "127.0.0.1:" + std::to_string(server_->port()));
  EXPECT_NE(recorder_.printed().find("Location: " + Url("/mid")), std::string::npos);
  EXPECT_TRUE(recorder_.progress_ok());
}

TEST_F(SocketDownload, ResumesFromARangeIgnoringServerWithLowerCaseHeaders) {
  StartServer([this](const HttpRequest&, HttpConnection& connection) {
    connection.Send("HTTP/1.1 200 OK\r\ncontent-length: " + std::to_string(data_.size()) +
                    "\r\n\r\n" + data_);
  });
  const std::uint32_t stored = 30000;
  WritePair(target_, Url("/f"), stored,
            static_cast<std::uint32_t>(data_.size()),
            data_.substr(0, stored) + std::string(data_.size() - stored, 'z'));
  downloader_.Init(&recorder_, 2000, 3);
  ASSERT_EQ(downloader_.Continue(target_.c_str()), 1);
  EXPECT_EQ(recorder_.WaitEnd(downloader_), kFinished);
  // The whole body came again: its first bytes were skipped, not written at the stored offset.
  EXPECT_TRUE(ReadWholeFile(target_) == data_);
  auto requests = server_->requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].Header("range"), "bytes=30000-100000");
}

TEST_F(SocketDownload, AnswersThatCannotBeTrustedWriteNothing) {
  StartServer([this](const HttpRequest& request, HttpConnection& connection) {
    std::int64_t begin = 0, end = 0;
    if (!request.Range(&begin, &end)) return ServeBytes(request, connection, data_);
    std::string range = "bytes " + std::to_string(begin) + "-99999/100000";
    if (request.path == "/error") {
      connection.Send(MakeResponse(500, {}, "<html>server error</html>"));
    } else if (request.path == "/chunked") {
      connection.Send("HTTP/1.1 206 Partial Content\r\nContent-Range: " + range +
                      "\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n0123456789abcdef\r\n0\r\n\r\n");
    } else {  // a range that starts elsewhere than asked
      connection.Send(MakeResponse(206, {{"Content-Range", "bytes 0-99999/100000"}}, data_));
    }
  });
  const std::string partial = data_.substr(0, 1000) + std::string(99000, '\0');
  for (const char* path : {"/error", "/chunked", "/shifted"}) {
    SCOPED_TRACE(path);
    WritePair(target_, Url(path), 1000, 100000, partial);
    downloader_.Init(&recorder_, 2000, 3);
    int before = server_->request_count();
    ASSERT_EQ(downloader_.Continue(target_.c_str()), 1);
    EXPECT_EQ(recorder_.WaitEnd(downloader_), (Events{"test", "download", "error 1"}));
    EXPECT_EQ(server_->request_count() - before, 1 + 3);  // the link test, then every attempt
    EXPECT_TRUE(ReadWholeFile(target_ + ".tmp") == partial);
    EXPECT_EQ(StoredCount(target_), 1000u);
    EXPECT_FALSE(Exists(target_));
  }
}

TEST_F(SocketDownload, LinkTestEndsAtOnceOn500AndRefusesLengthsItCannotHold) {
  StartServer([](const HttpRequest& request, HttpConnection& connection) {
    if (request.path == "/error") {
      connection.Send(MakeResponse(500, {}, "down"));
    } else if (request.path == "/padded") {  // 33 characters: more than the value buffer holds
      connection.Send(MakeResponse(200, {{"Content-Length", std::string(29, '0') + "1000"}},
                                   std::string(1000, 'p')));
    } else {
      connection.Send(MakeResponse(200, {{"Content-Length", "3000000000"}}, ""));
    }
  });
  downloader_.Init(&recorder_, 2000, 5);
  ASSERT_EQ(downloader_.Download(Url("/error").c_str(), target_.c_str()), 1);
  EXPECT_EQ(recorder_.WaitEnd(downloader_), (Events{"test", "error 0"}));
  EXPECT_EQ(server_->request_count(), 1);
  EXPECT_EQ(downloader_.GetStatusCode(), 500);
  for (const char* path : {"/padded", "/huge"}) {
    SCOPED_TRACE(path);
    ASSERT_EQ(downloader_.Download(Url(path).c_str(), target_.c_str()), 1);
    EXPECT_EQ(recorder_.WaitEnd(downloader_), (Events{"test", "error 0"}));
    EXPECT_EQ(downloader_.GetFileLength(), 0);
  }
}

TEST_F(SocketDownload, DroppedConnectionResumesFromTheBytesReceived) {
  std::atomic<int> seen{0};
  StartServer([&](const HttpRequest& request, HttpConnection& connection) {
    if (++seen == 2) {  // the first data request: half the body, then the line goes dead
      connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + data_.substr(0, 40000));
      connection.Close();
      return;
    }
    ServeBytes(request, connection, data_);
  });
  downloader_.Init(&recorder_, 2000, 3);
  ASSERT_EQ(downloader_.Download(Url("/f").c_str(), target_.c_str()), 1);
  EXPECT_EQ(recorder_.WaitEnd(downloader_), kFinished);
  EXPECT_TRUE(ReadWholeFile(target_) == data_);
  auto requests = server_->requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[2].Header("range"), "bytes=40000-100000");
}

TEST_F(SocketDownload, StalledAnswersAreLeftAfterTheTimeOut) {
  std::atomic<int> seen{0};
  StartServer([&](const HttpRequest& request, HttpConnection& connection) {
    int n = ++seen;
    if (n == 1) {  // the link test's head trickles in, far beyond time-out + 500 ms in all
      for (char c : std::string("HTTP/1.1 200 OK\r\nX-Slow: 0123456789012345678901234567890\r\n")) {
        if (!connection.Send(std::string(1, c))) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      return connection.Close();
    }
    if (n == 3) {  // the first data request: some bytes, then silence
      connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + data_.substr(0, 20000));
      WaitForPeerClose(connection, 8000);
      return connection.Close();
    }
    ServeBytes(request, connection, data_);
  });
  downloader_.Init(&recorder_, 300, 3);
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(downloader_.Download(Url("/f").c_str(), target_.c_str()), 1);
  EXPECT_EQ(recorder_.WaitEnd(downloader_), kFinished);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  EXPECT_TRUE(ReadWholeFile(target_) == data_);
  auto requests = server_->requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[3].Header("range"), "bytes=20000-100000");
}

TEST_F(SocketDownload, RemoteLengthChangedSinceThePauseStartsOver) {
  std::string fresh = PatternBytes(6000, 9);
  StartServer([&](const HttpRequest& request, HttpConnection& connection) {
    ServeBytes(request, connection, fresh);
  });
  WritePair(target_, Url("/f"), 1000, 5000, std::string(5000, 'z'));
  downloader_.Init(&recorder_, 2000, 3);
  ASSERT_EQ(downloader_.Continue(target_.c_str()), 1);
  EXPECT_EQ(recorder_.WaitEnd(downloader_), kFinished);
  EXPECT_TRUE(ReadWholeFile(target_) == fresh);
  auto requests = server_->requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].Header("range"), "");
}

TEST_F(SocketDownload, UnusablePairsAreDeletedAndAFreshPairResumes) {
  StartServer([this](const HttpRequest& request, HttpConnection& connection) {
    ServeBytes(request, connection, data_);
  });
  downloader_.Init(&recorder_, 2000, 3);
  RecordFileHeader header;
  SetRdRecordUrl(&header, Url("/f").c_str());
  struct Case {
    const char* name;
    std::string record;
    std::uint64_t data_length;
  };
  auto record = [&](std::uint32_t completed, std::uint32_t length) {
    header.completedSize = completed;
    header.fileLength = length;
    return EncodeRecordHeader(header);
  };
  std::vector<Case> cases = {
      {"short record", record(0, 100).substr(0, 267), 100},
      {"count above length", record(101, 100), 100},
      {"data one byte short", record(10, 100), 99},
      {"2 GiB or more", record(0, 0x80000000u), 0x80000000u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteWholeFile(target_ + ".rd", c.record);
    WriteWholeFile(target_ + ".tmp", "");
    std::filesystem::resize_file(target_ + ".tmp", c.data_length);  // sparse
    EXPECT_EQ(downloader_.Continue(target_.c_str()), 0);
    EXPECT_FALSE(Exists(target_ + ".rd"));
    EXPECT_FALSE(Exists(target_ + ".tmp"));
    EXPECT_EQ(downloader_.CanDelete(), 1);
  }
  WriteWholeFile(target_ + ".tmp", "left alone");  // no record: the data file goes too
  EXPECT_EQ(downloader_.Continue(target_.c_str()), 0);
  EXPECT_FALSE(Exists(target_ + ".tmp"));

  // A pair whose transfer never began (length 0, empty data file) resumes.
  ASSERT_EQ(downloader_.CreateTemp(Url("/f").c_str(), target_.c_str()), 1);
  ASSERT_EQ(downloader_.Continue(target_.c_str()), 1);
  EXPECT_EQ(recorder_.WaitEnd(downloader_), kFinished);
  EXPECT_TRUE(ReadWholeFile(target_) == data_);
}

TEST_F(SocketDownload, PauseHoldsAndStopEndsWithThePairKept) {
  StartServer([this](const HttpRequest& request, HttpConnection& connection) {
    std::int64_t begin = 0, end = 0;
    if (request.Range(&begin, &end)) return ServeBytes(request, connection, data_);
    if (!connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n")) return;
    for (std::size_t at = 0; at < data_.size(); at += 1000) {  // about 2 s for the file
      if (!connection.Send(data_.substr(at, 1000))) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  auto wait_for_bytes = [&](int bytes) {
    for (int i = 0; i < 1000 && downloader_.GetCompletedSize() < bytes; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return downloader_.GetCompletedSize() >= bytes;
  };
  downloader_.Init(&recorder_, 3000, 3);
  EXPECT_EQ(downloader_.Download(std::string(260, 'u').c_str(), target_.c_str()), 0);
  // A target of 257 characters fits, but its ".tmp" name would not.
  std::string long_target = dir_.File(std::string(257 - dir_.path().size() - 1, 'n'));
  ASSERT_EQ(long_target.size(), 257u);
  EXPECT_EQ(downloader_.Download(Url("/f").c_str(), long_target.c_str()), 0);

  ASSERT_EQ(downloader_.Download(Url("/f").c_str(), target_.c_str()), 1);
  EXPECT_EQ(downloader_.Download(Url("/f").c_str(), target_.c_str()), 0);  // still running
  ASSERT_TRUE(wait_for_bytes(5000));
  downloader_.Pause();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  int held = downloader_.GetCompletedSize();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_EQ(downloader_.GetCompletedSize(), held);
  EXPECT_EQ(downloader_.CanDelete(), 0);
  downloader_.Continue();
  EXPECT_EQ(recorder_.WaitEnd(downloader_), kFinished);
  EXPECT_TRUE(ReadWholeFile(target_) == data_);

  ASSERT_EQ(downloader_.Download(Url("/f").c_str(), target_.c_str()), 1);
  ASSERT_TRUE(wait_for_bytes(5000));
  downloader_.Stop();
  EXPECT_EQ(recorder_.WaitEnd(downloader_), (Events{"test", "download", "error 3"}));
  std::uint32_t stored = StoredCount(target_);
  EXPECT_GE(stored, 5000u);
  EXPECT_LT(stored, 100000u);
  std::string partial = ReadWholeFile(target_ + ".tmp");
  ASSERT_EQ(partial.size(), data_.size());
  EXPECT_TRUE(partial.compare(0, stored, data_, 0, stored) == 0);
}

// An operator that deletes its downloader from the final report, finished or failed.
class DeletingOperator : public IHttpDownloadOperator {
 public:
  HttpDownloader* downloader = nullptr;
  std::atomic<int> outcome{-2};
  void OnFinish(HttpDownloader*) override { End(-1); }
  void OnError(HttpDownloader*, int code) override { End(code); }

 private:
  void End(int code) {
    delete downloader;
    outcome = code;
  }
};

TEST_F(SocketDownload, OperatorMayDeleteTheDownloaderFromItsFinalReport) {
  StartServer([this](const HttpRequest& r, HttpConnection& c) {
    if (r.path == "/missing") {
      c.Send(MakeResponse(500, {}, "gone"));
    } else {
      ServeBytes(r, c, data_);
    }
  });
  for (const char* path : {"/f", "/missing"}) {
    DeletingOperator op;
    op.downloader = new HttpDownloader;
    op.downloader->Init(&op, 2000, 2);
    ASSERT_EQ(op.downloader->Download(Url(path).c_str(), target_.c_str()), 1) << path;
    for (int i = 0; i < 1000 && op.outcome == -2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // Give the ending thread time to touch the object if it were going to.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(op.outcome.load(), std::string(path) == "/f" ? -1 : kHttpErrorLinkTest) << path;
  }
  EXPECT_EQ(ReadWholeFile(target_), data_);
}
