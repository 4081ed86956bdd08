#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "core/crypto/update_signature.h"
#include "core/text/path.h"
#include "core/thread/message_target.h"
#include "core/zip/packet_checksum.h"
#include "tests/common/http_server.h"
#include "tests/common/temp_dir.h"
#include "tests/update/update_test_packets.h"
#include "update/packet_downloader.h"
#include "update/update_messages.h"
#include "update/update_worker.h"

namespace {

using corvane_test::HttpConnection;
using corvane_test::HttpRequest;
using corvane_test::ListDirectory;
using corvane_test::ReadWholeFile;
using corvane_test::TempDir;
using namespace update_test;
using update::UpdateWorker;

// An update server answering each packet's successive requests from a script of "good",
// "corrupt", "truncated" or an error status; the last step repeats. Plus a folder of installation and
// a recorded window for the worker.
class UpdateWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    handle_ = ds::RegisterMessageTarget(window_);
  }
  void TearDown() override { ds::UnregisterMessageTarget(handle_); }

  // Builds packet `number` from `entries` and serves it after `script`.
  void Serve(int number, const std::vector<PacketEntry>& entries, std::vector<std::string> script = {"good"}) {
    const std::string path = scratch_.File(std::to_string(number) + ".zip");
    ASSERT_TRUE(WritePacket(path, entries));
    std::lock_guard<std::mutex> lock(mutex_);
    packets_[number] = {ReadWholeFile(path), std::move(script), 0};
  }
  const std::string& Bytes(int number) { return packets_[number].bytes; }
  int Requests(int number) {
    std::lock_guard<std::mutex> lock(mutex_);
    return packets_[number].served;
  }

  // A worker for c..s whose manifest lists every served packet, newest first.
  std::unique_ptr<UpdateWorker> Worker(int current, int target, const std::string& key = "") {
    std::vector<std::pair<int, std::string>> listed;
    for (auto it = packets_.rbegin(); it != packets_.rend(); ++it)
      listed.emplace_back(it->first, ds::PacketChecksumOfBytes(it->second.bytes));
    update::UpdateJob job{install_.path(), current, target, server_.Url("/update/packet"), {}, key};
    EXPECT_EQ(1, job.manifest.Parse(Manifest(listed)));
    auto worker = std::make_unique<UpdateWorker>(std::move(job), &downloader_, handle_);
    worker->set_retry_interval_ms(10);
    worker->set_main_program_running([] { return false; });
    return worker;
  }

  // Serves the signature of packet `number` by `secret_key`.
  void Sign(int number, const std::string& secret_key) {
    const std::string path = scratch_.File("sign.pkg");
    corvane_test::WriteWholeFile(path, Bytes(number));
    ASSERT_TRUE(ds::SignFile(secret_key, path, path + ".sig"));
    std::lock_guard<std::mutex> lock(mutex_);
    signatures_["/update/packet/s" + std::to_string(number) + ".pkg.sig"] = ReadWholeFile(path + ".sig");
  }

  void Handle(const HttpRequest& request, HttpConnection& connection) {
    std::string action = "404", bytes;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      const auto signature = signatures_.find(request.path);
      if (signature != signatures_.end()) return corvane_test::ServeBytes(request, connection, signature->second);
      for (auto& [number, packet] : packets_) {
        if (request.path != "/update/packet/s" + std::to_string(number) + ".pkg") continue;
        action = packet.script[std::min<std::size_t>(packet.served++, packet.script.size() - 1)];
        bytes = packet.bytes;
      }
    }
    if (action == "corrupt") bytes[bytes.size() / 2] ^= 0x5A;
    if (action == "truncated") {  // the promised length, then the connection ends half way
      connection.Send(corvane_test::MakeResponse(200, {{"Content-Length", std::to_string(bytes.size())}},
                                                 bytes.substr(0, bytes.size() / 2)));
      return connection.Close();
    }
    if (action == "good" || action == "corrupt") return corvane_test::ServeBytes(request, connection, bytes);
    connection.Send(corvane_test::MakeResponse(std::stoi(action), {}, "<html>error page</html>"));
  }

  struct Packet {
    std::string bytes;
    std::vector<std::string> script;
    int served;
  };
  TempDir install_, scratch_;
  std::mutex mutex_;
  std::map<int, Packet> packets_;
  std::map<std::string, std::string> signatures_;
  corvane_test::HttpServer server_{[this](const HttpRequest& r, HttpConnection& c) { Handle(r, c); }};
  update::CurlPacketDownloader downloader_;
  std::shared_ptr<ds::RecordingTarget> window_ = std::make_shared<ds::RecordingTarget>();
  ds::MsgHandle handle_ = 0;
};

TEST_F(UpdateWorkerTest, FetchesVerifiesRetriesAndInstallsInOrder) {
  // Error statuses are failed downloads: retried, never taken for (corrupt) packet bytes.
  Serve(5, {File("app.txt", "v5"), File("five.txt", "5")}, {"404", "500", "503", "good"});
  Serve(6, {File("app.txt", "v6"), File("data/six.txt", "6")}, {"corrupt", "corrupt", "good"});
  Serve(7, {File("app.txt", "v7")});
  auto worker = Worker(4, 7);
  int looks = 0;
  bool installed_early = false;
  worker->set_main_program_running([&] {
    installed_early = installed_early || ListDirectory(install_.path()).size() != 3;
    return ++looks < 3;  // the main program is still there for two looks
  });
  worker->set_poll_interval_ms(10);

  EXPECT_EQ(UpdateWorker::Outcome::kInstalled, worker->Run());
  EXPECT_EQ(3, looks);
  EXPECT_FALSE(installed_early);
  EXPECT_EQ("v7", ReadWholeFile(install_.File("app.txt")));  // later packets win
  EXPECT_EQ("5", ReadWholeFile(install_.File("five.txt")));
  EXPECT_EQ("6", ReadWholeFile(install_.File("data/six.txt")));
  EXPECT_EQ((std::vector<std::string>{"app.txt", "data", "five.txt", "s5.pkg", "s6.pkg", "s7.pkg"}),
            ListDirectory(install_.path()));  // the packets stay; no temp.dat
  EXPECT_EQ(4, Requests(5));
  EXPECT_EQ(3, Requests(6));
  EXPECT_EQ(1, Requests(7));
  int fresh = 0;  // after a corrupt copy, caches are asked for a fresh one
  for (const HttpRequest& r : server_.requests())
    fresh += r.path == "/update/packet/s6.pkg" && r.Header("cache-control") == "no-cache";
  EXPECT_EQ(2, fresh);

  const auto messages = window_->Messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(update::kMsgOverallProgress, messages.front().message);
  EXPECT_EQ(3, messages.front().lparam);
  EXPECT_EQ(update::kMsgUpdateDone, messages.back().message);
  EXPECT_EQ(0u, window_->Count(update::kMsgDownloadError));
  bool full_download = false;
  ds::WParam overall = 0;
  for (const auto& m : messages) {
    const std::size_t size7 = Bytes(7).size();
    full_download |= m.message == update::kMsgDownloadProgress && m.wparam == size7 &&
                     m.lparam == static_cast<ds::LParam>(size7);
    if (m.message != update::kMsgOverallProgress) continue;
    EXPECT_GE(m.wparam, overall);
    overall = m.wparam;
  }
  EXPECT_TRUE(full_download);
  EXPECT_EQ(3u, overall);
}

TEST_F(UpdateWorkerTest, ReusesValidPacketsAndReplacesInvalidOnes) {
  Serve(2, {File("a.txt", "two")});
  Serve(3, {File("b.txt", "three")});
  corvane_test::WriteWholeFile(install_.File("s2.pkg"), Bytes(2));            // left by an earlier run
  corvane_test::WriteWholeFile(install_.File("s3.pkg"), Bytes(3).substr(7));  // a damaged leftover
  EXPECT_EQ(UpdateWorker::Outcome::kInstalled, Worker(1, 3)->Run());
  EXPECT_EQ(0, Requests(2));
  EXPECT_EQ(1, Requests(3));
  EXPECT_EQ("two", ReadWholeFile(install_.File("a.txt")));
  EXPECT_EQ(Bytes(3), ReadWholeFile(install_.File("s3.pkg")));
}

TEST_F(UpdateWorkerTest, GoodPacketResetsTheFailureCount) {
  Serve(2, {File("a.txt", "2")}, {"corrupt", "corrupt", "good"});
  Serve(3, {File("a.txt", "3")}, {"corrupt", "corrupt", "good"});
  EXPECT_EQ(UpdateWorker::Outcome::kInstalled, Worker(1, 3)->Run());
  EXPECT_EQ("3", ReadWholeFile(install_.File("a.txt")));
}

TEST_F(UpdateWorkerTest, ThreeCorruptCopiesInARowRaiseTheErrorAndInstallNothing) {
  Serve(2, {File("a.txt", "2")}, {"corrupt"});
  Serve(3, {File("b.txt", "3")});
  auto worker = Worker(1, 3);
  bool waited = false;
  worker->set_main_program_running([&] { return waited = true, false; });
  EXPECT_EQ(UpdateWorker::Outcome::kDownloadError, worker->Run());
  EXPECT_EQ(3, Requests(2));
  EXPECT_EQ(0, Requests(3));
  EXPECT_FALSE(waited);
  EXPECT_TRUE(ListDirectory(install_.path()).empty());
  EXPECT_EQ(1u, window_->Count(update::kMsgDownloadError));
  EXPECT_EQ(0u, window_->Count(update::kMsgUpdateDone));
}

// A packet that verifies but cannot be installed (a publisher's broken archive) ends the update
// with the error dialog: later packets are not installed and success is not reported.
TEST_F(UpdateWorkerTest, VerifiedPacketThatCannotBeInstalledRaisesTheError) {
  Serve(3, {File("b.txt", "3")});
  {
    std::lock_guard<std::mutex> lock(mutex_);
    packets_[2] = {"verified, but no zip archive", {"good"}, 0};
  }
  EXPECT_EQ(UpdateWorker::Outcome::kInstallError, Worker(1, 3)->Run());
  EXPECT_EQ(1, Requests(2));
  EXPECT_NE("3", ReadWholeFile(install_.File("b.txt")));
  EXPECT_EQ(1u, window_->Count(update::kMsgDownloadError));
  EXPECT_EQ(0u, window_->Count(update::kMsgUpdateDone));
}

// Failed downloads (error statuses, broken bodies) are retried after pauses that double, a
// bounded number of times; then the user gets the error dialog.
TEST_F(UpdateWorkerTest, FailedDownloadsEndInTheErrorAfterGrowingPauses) {
  Serve(2, {File("a.txt", "2")}, {"404", "truncated"});
  auto worker = Worker(1, 2);
  worker->set_retry_interval_ms(40);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(UpdateWorker::Outcome::kDownloadError, worker->Run());
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(UpdateWorker::kMaxDownloadAttempts, Requests(2));
  EXPECT_GE(elapsed, std::chrono::milliseconds(40 + 80 + 160 + 320));
  EXPECT_EQ(1u, window_->Count(update::kMsgDownloadError));
  EXPECT_TRUE(ListDirectory(install_.path()).empty());
}

TEST_F(UpdateWorkerTest, PacketsTheManifestDoesNotListAreNeverFetched) {
  Serve(2, {File("a.txt", "2")});
  Serve(4, {File("a.txt", "4")});
  EXPECT_EQ(UpdateWorker::Outcome::kDownloadError, Worker(1, 4)->Run());  // 3 is not listed
  EXPECT_TRUE(server_.requests().empty());
  EXPECT_EQ(1u, window_->Count(update::kMsgDownloadError));
  EXPECT_TRUE(ListDirectory(install_.path()).empty());
}

TEST_F(UpdateWorkerTest, StopCutsRetryPausesShort) {
  Serve(2, {File("a.txt", "2")}, {"503"});
  auto worker = Worker(1, 2);
  worker->set_retry_interval_ms(60000);
  ASSERT_EQ(1, worker->Start());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (Requests(2) < 1 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(1, Requests(2));
  worker->Stop();
  EXPECT_TRUE(worker->Join(5000));  // long before the minute's pause is over
  EXPECT_EQ(0u, window_->Count(update::kMsgDownloadError));
  EXPECT_TRUE(ListDirectory(install_.path()).empty());
}

// With an update key each packet needs the key's signature beside it: one signed by another key
// or not signed at all is refused like a corrupt copy and nothing is installed; a signed packet
// left by an earlier run is used again.
TEST_F(UpdateWorkerTest, WithAKeyOnlyPacketsSignedByItAreInstalled) {
  std::string key, secret, other_key, other_secret;
  ASSERT_TRUE(ds::MakeSigningKeyPair(&key, &secret));
  ASSERT_TRUE(ds::MakeSigningKeyPair(&other_key, &other_secret));
  Serve(2, {File("a.txt", "2")});
  Serve(3, {File("b.txt", "3")});
  Sign(2, secret);
  Sign(3, other_secret);
  EXPECT_EQ(UpdateWorker::Outcome::kDownloadError, Worker(1, 3, key)->Run());
  EXPECT_EQ(UpdateWorker::kMaxVerifyFailures, Requests(3));
  EXPECT_FALSE(ds::PathExists(install_.File("a.txt")));
  EXPECT_FALSE(ds::PathExists(install_.File("s3.pkg")));
  EXPECT_EQ(1u, window_->Count(update::kMsgDownloadError));

  signatures_.erase("/update/packet/s3.pkg.sig");
  EXPECT_EQ(UpdateWorker::Outcome::kDownloadError, Worker(1, 3, key)->Run());
  EXPECT_FALSE(ds::PathExists(install_.File("b.txt")));

  Sign(3, secret);
  const int requests = Requests(2);
  EXPECT_EQ(UpdateWorker::Outcome::kInstalled, Worker(1, 3, key)->Run());
  EXPECT_EQ(requests, Requests(2));  // s2.pkg and its signature were kept
  EXPECT_EQ("2", ReadWholeFile(install_.File("a.txt")));
  EXPECT_EQ("3", ReadWholeFile(install_.File("b.txt")));
}

}  // namespace
