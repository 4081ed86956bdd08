// The command-line downloader against nginx: killed with SIGKILL at random moments and resumed
// each time, the final file must still be the served file byte for byte.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/common/nginx_server.h"
#include "tests/common/temp_dir.h"
#include "tests/vexo/download/download4_test_support.h"

using corvane_test::NginxServer;
using corvane_test::TempDir;
using download4_test::Sha256Of;
using download4_test::ToolPath;

namespace {

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

long long SizeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

pid_t StartTool(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

// Exit status of a child, or -1 when it did not end within `seconds` (it is then killed).
int WaitTool(pid_t pid, int seconds) {
  for (int i = 0; i < seconds * 50; ++i) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

void WriteSource(const std::string& path, size_t size) {
  std::string block = corvane_test::PatternBytes(1 << 20, 21);
  FILE* out = std::fopen(path.c_str(), "we");
  ASSERT_NE(out, nullptr);
  for (size_t done = 0; done < size; done += block.size()) {
    block[0] = static_cast<char>(done >> 20);  // no two MiB alike, so a misplaced block shows
    std::fwrite(block.data(), 1, block.size(), out);
  }
  std::fclose(out);
}

}  // namespace

TEST(Download4Crash, SurvivesRepeatedKillsAndResumesToTheExactFile) {
  ASSERT_TRUE(Exists(ToolPath())) << ToolPath() << " is missing: build the vexo_get target";
  ASSERT_TRUE(NginxServer::Available()) << "nginx is not installed";
  TempDir served;
  WriteSource(served.File("big.bin"), 64u << 20);
  // Slow enough per connection that the download spans many kills.
  NginxServer nginx(served.path(), "limit_rate 200k;");
  ASSERT_TRUE(nginx.Start()) << nginx.error();
  const std::string expected = Sha256Of(served.File("big.bin"));
  ASSERT_EQ(expected.size(), 64u);

  TempDir dir;
  const std::string target = dir.File("big.bin");
  const std::string url = nginx.Url("/big.bin");
  std::random_device device;
  const unsigned seed = device();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delayMs(30, 700);
  SCOPED_TRACE("seed " + std::to_string(seed));

  int kills = 0;
  int killsWithProgressKept = 0;
  int lastStatus = -1;
  for (int run = 0; run < 200 && kills < 24; ++run) {
    pid_t pid = StartTool({ToolPath(), "-q", url, target});
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {  // ended by itself: finished
      lastStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      break;
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    ++kills;
    if (Exists(target + ".rd2") && Exists(target + ".tmp")) ++killsWithProgressKept;
  }
  EXPECT_GE(kills, 20) << "the download ended before it could be interrupted often enough";
  EXPECT_GE(killsWithProgressKept, 15);

  if (lastStatus != 0) {
    pid_t pid = StartTool({ToolPath(), "-q", url, target});
    lastStatus = WaitTool(pid, 120);
  }
  ASSERT_EQ(lastStatus, 0);
  EXPECT_EQ(Sha256Of(target), expected);
  EXPECT_FALSE(Exists(target + ".rd2"));
  EXPECT_FALSE(Exists(target + ".tmp"));
}

TEST(Download4Crash, FullDiskEndsPausedAndKeepsThePairForAResume) {
  ASSERT_TRUE(Exists(ToolPath())) << ToolPath() << " is missing: build the vexo_get target";
  ASSERT_TRUE(NginxServer::Available()) << "nginx is not installed";
  TempDir served;
  WriteSource(served.File("f.bin"), 8u << 20);
  NginxServer nginx(served.path(), "limit_rate 256k;");
  ASSERT_TRUE(nginx.Start()) << nginx.error();
  TempDir dir;
  const std::string target = dir.File("f.bin");
  const std::string url = nginx.Url("/f.bin");

  // An unlimited run sizes the pair; Ctrl-C pauses it and keeps the record.
  pid_t pid = StartTool({ToolPath(), "-q", url, target});
  for (int i = 0; i < 250 && SizeOf(target + ".tmp") != (8 << 20); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(pid, SIGINT);
  ASSERT_EQ(WaitTool(pid, 20), 10 + kDownload4Paused);
  ASSERT_TRUE(Exists(target + ".rd2"));

  // The resume runs with a file size limit of 2 MiB: writes beyond it fail like a full disk.
  pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{2u << 20, 2u << 20};
    setrlimit(RLIMIT_FSIZE, &limit);
    const std::string tool = ToolPath();
    execl(tool.c_str(), tool.c_str(), "-q", "-c", target.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_EQ(WaitTool(pid, 60), 10 + kDownload4Paused);
  EXPECT_TRUE(Exists(target + ".rd2"));
  EXPECT_TRUE(Exists(target + ".tmp"));
  EXPECT_FALSE(Exists(target));

  // With room again the same pair completes.
  pid = StartTool({ToolPath(), "-q", "-c", target});
  ASSERT_EQ(WaitTool(pid, 120), 0);
  EXPECT_EQ(Sha256Of(target), Sha256Of(served.File("f.bin")));
}
