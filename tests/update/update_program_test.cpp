// Runs the real updater program on a copy of an installation.
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/update/packet_install.h"
#include "core/zip/packet_checksum.h"
#include "core/text/path.h"
#include "core/platform/named_mutex.h"
#include "core/platform/process.h"
#include "tests/common/http_server.h"
#include "tests/common/temp_dir.h"
#include "tests/update/update_test_packets.h"

namespace {

using corvane_test::ReadWholeFile;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;
using namespace update_test;
using Clock = std::chrono::steady_clock;

// The program directory of the build: $CORVANE_TEST_BIN/../dist, else beside this test's folder.
std::string DistDirectory() {
  if (const char* bin = std::getenv("CORVANE_TEST_BIN")) return std::string(bin) + "/../dist";
  char self[PATH_MAX];
  ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return "dist";
  return ds::DirectoryOf(ds::DirectoryOf(std::string(self, static_cast<std::size_t>(length)))) + "/dist";
}

// A stand-in main program: records its version and working folder, then ends.
std::string StandIn(const std::string& version) {
  return "#!/bin/sh\necho \"" + version + " $(pwd)\" > marker.txt\n";
}

// Runs the updater with `args` and waits up to `seconds` for it; its exit code, or -1.
int RunUpdater(const std::string& program, const std::vector<std::string>& args, int seconds) {
  ds::ProcessId pid = 0;
  if (ds::StartProcessArgs(program.c_str(), args, nullptr, &pid) != ds::kSpawnStarted) return -1;
  int code = -1;
  if (ds::WaitProcess(pid, seconds * 1000, &code) == 1) return code;
  ::kill(pid, SIGKILL);
  ds::WaitProcess(pid, -1, &code);
  return -1;
}

bool WaitForFile(const std::string& path, int seconds) {
  const auto deadline = Clock::now() + std::chrono::seconds(seconds);
  while (Clock::now() < deadline) {
    if (ds::PathExists(path) && !ReadWholeFile(path).empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

class UpdateProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A runtime folder of our own: the mutex "Corvane" here is this test's alone.
    run_ = root_.File("run");
    ASSERT_EQ(0, ::mkdir(run_.c_str(), 0700));
    ::setenv("XDG_RUNTIME_DIR", run_.c_str(), 1);

    program_dir_ = root_.File("Corvane");
    ASSERT_EQ(0, ::mkdir(program_dir_.c_str(), 0755));
    const std::string dist = DistDirectory();
    // The updater as installed: beside its libraries and the main program.
    WriteWholeFile(program_dir_ + "/update", ReadWholeFile(dist + "/update"));
    for (const char* library : {"/libcore.so", "/libvexo.so"})
      WriteWholeFile(program_dir_ + library, ReadWholeFile(dist + library));
    WriteWholeFile(program_dir_ + "/Corvane", StandIn("v1"));
    for (const char* name : {"/update", "/Corvane"}) ASSERT_EQ(0, ::chmod((program_dir_ + name).c_str(), 0755));
    WriteWholeFile(program_dir_ + "/data.txt", "version 1 data");
  }

  int Update(const std::vector<std::string>& args, const std::string& url, int seconds) {
    ::setenv("CORVANE_UPDATE_URL", url.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return RunUpdater(program_dir_ + "/update", args, seconds);
  }

  TempDir root_;
  std::string run_;
  std::string program_dir_;
};

TEST_F(UpdateProgramTest, UpgradesTheInstallationAndStartsTheMainProgram) {
  TempDir scratch;
  ASSERT_TRUE(WritePacket(scratch.File("2.zip"), {File("Corvane", StandIn("v2"), 0755),
                                                  File("data.txt", "version 2 data"),
                                                  File("plugins/two.txt", "added in 2")}));
  ASSERT_TRUE(WritePacket(scratch.File("3.zip"), {File("Corvane", StandIn("v3"), 0755),
                                                  File("data.txt", "version 3 data"),
                                                  File("/escaped.txt", "trimmed into the folder")}));
  const std::string two = ReadWholeFile(scratch.File("2.zip"));
  const std::string three = ReadWholeFile(scratch.File("3.zip"));
  std::atomic<int> corrupt_left{1};
  corvane_test::HttpServer server([&](const corvane_test::HttpRequest& r, corvane_test::HttpConnection& c) {
    if (r.path == "/update/packet/s2.pkg") return corvane_test::ServeBytes(r, c, two);
    if (r.path == "/update/packet/s3.pkg") {
      if (corrupt_left-- > 0) return corvane_test::ServeBytes(r, c, three.substr(0, three.size() - 9) + "damaged!!");
      return corvane_test::ServeBytes(r, c, three);
    }
    c.Send(corvane_test::MakeResponse(404, {}, "not here"));
  });
  ASSERT_TRUE(server.Start());
  WriteWholeFile(program_dir_ + "/Update.xml",
                 Manifest({{3, ds::PacketChecksumOfBytes(three)}, {2, ds::PacketChecksumOfBytes(two)}}));
  // An earlier install that died half way: its stray file goes when the updater starts.
  ASSERT_TRUE(WritePacket(scratch.File("x.zip"), {File("data.txt", "half installed"), File("stray.txt", "x")}));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ds::InstallPacket(scratch.File("x.zip"), program_dir_, nullptr, [](int step) {
      if (step == 3) ::_exit(0);  // both files are in place, the commit is not written
      return false;
    });
    ::_exit(1);
  }
  int status = 1;
  ASSERT_EQ(child, ::waitpid(child, &status, 0));
  ASSERT_EQ(0, status);
  ASSERT_EQ("half installed", ReadWholeFile(program_dir_ + "/data.txt"));

  EXPECT_EQ(0, Update({"-c1", "-s3"}, server.Url("/update/packet"), 90));
  ASSERT_TRUE(WaitForFile(program_dir_ + "/marker.txt", 20));
  EXPECT_EQ("v3 " + program_dir_ + "\n", ReadWholeFile(program_dir_ + "/marker.txt"));
  EXPECT_EQ("version 3 data", ReadWholeFile(program_dir_ + "/data.txt"));
  EXPECT_EQ("added in 2", ReadWholeFile(program_dir_ + "/plugins/two.txt"));
  EXPECT_EQ(two, ReadWholeFile(program_dir_ + "/s2.pkg"));
  EXPECT_EQ(three, ReadWholeFile(program_dir_ + "/s3.pkg"));
  EXPECT_FALSE(ds::PathExists(program_dir_ + "/temp.dat"));
  EXPECT_FALSE(ds::PathExists(root_.File("escaped.txt")));
  EXPECT_EQ("trimmed into the folder", ReadWholeFile(program_dir_ + "/escaped.txt"));
  EXPECT_FALSE(ds::PathExists(program_dir_ + "/stray.txt"));
  EXPECT_FALSE(ds::PathExists(program_dir_ + "/.corvane-packet"));
  EXPECT_EQ(3, server.request_count());  // s2 once, s3 damaged then good
  // The updater let go of the mutex: the main program could run.
  ds::NamedMutex mutex;
  EXPECT_EQ(1, mutex.TryAcquire("Corvane"));
}

TEST_F(UpdateProgramTest, DoesNothingForNoUpdateOrWhileTheMainProgramRuns) {
  corvane_test::HttpServer server([](const corvane_test::HttpRequest& r, corvane_test::HttpConnection& c) {
    c.Send(corvane_test::MakeResponse(404, {}, r.path));
  });
  ASSERT_TRUE(server.Start());
  WriteWholeFile(program_dir_ + "/Update.xml", Manifest({{3, "0123456789abcdef0123456789abcdef"}}));

  // Versions that call for no update end the program at once.
  for (const auto& args : std::vector<std::vector<std::string>>{{"-c3", "-s3"}, {"-c0", "-s3"}, {"-c1"}}) {
    const auto start = Clock::now();
    EXPECT_EQ(0, Update(args, server.Url("/update/packet"), 30));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  }

  // The main program holds its mutex throughout: the updater gives up after about ten seconds.
  ds::NamedMutex main_program;
  ASSERT_EQ(1, main_program.TryAcquire("Corvane"));
  const auto start = Clock::now();
  EXPECT_EQ(0, Update({"-c1", "-s3"}, server.Url("/update/packet"), 40));
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(10000));
  EXPECT_EQ(0, server.request_count());
  EXPECT_FALSE(ds::PathExists(program_dir_ + "/marker.txt"));
}

}  // namespace
