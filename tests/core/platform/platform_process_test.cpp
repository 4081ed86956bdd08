#include "core/platform/process.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <future>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/platform/named_mutex.h"
#include "core/platform/wine_prefix.h"
#include "tests/common/temp_dir.h"

namespace {

using corvane_test::ReadWholeFile;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;
using Items = std::vector<std::string>;

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_)
      setenv(name_, old_.c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

void WriteScript(const std::string& path, const std::string& body) {
  WriteWholeFile(path, "#!/bin/sh\n" + body + "\n");
  chmod(path.c_str(), 0755);
}

// Polls until `path` holds `lines` complete lines (written by a child we do not wait for).
std::string WaitForFile(const std::string& path, int lines = 1) {
  for (int i = 0; i < 500; ++i) {
    std::string text = ReadWholeFile(path);
    if (!text.empty() && text.back() == '\n' && std::count(text.begin(), text.end(), '\n') >= lines)
      return text;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::string();
}

bool Contains(const std::vector<ds::ProcessId>& pids, ds::ProcessId pid) {
  return std::find(pids.begin(), pids.end(), pid) != pids.end();
}

TEST(SplitCommandLineTest, WindowsQuotingRules) {
  EXPECT_EQ((Items{R"(C:\Program Files\App\)", "/S"}),
            ds::SplitCommandLine(R"("C:\Program Files\App\" /S)"));
  EXPECT_EQ((Items{"prog", R"(a\"b)", "c d", R"(e\\f)"}),
            ds::SplitCommandLine(R"(prog a\\\"b "c d" e\\f)"));
  EXPECT_EQ((Items{"prog", R"(a\)", "b"}), ds::SplitCommandLine(R"(prog "a\\" b)"));
  EXPECT_EQ((Items{"prog", R"(a"b)", "c"}), ds::SplitCommandLine(R"(prog "a""b c")"));
  EXPECT_EQ((Items{"prog", "", "x"}), ds::SplitCommandLine(R"(prog "" x)"));
  EXPECT_EQ((Items{"prog", "\""}), ds::SplitCommandLine(R"(prog """)"));
  EXPECT_EQ((Items{"a", "b", "c"}), ds::SplitCommandLine(R"("a"b c)"));
  EXPECT_EQ((Items{"prog", "a"}), ds::SplitCommandLine(" \t prog\t a  "));
  EXPECT_TRUE(ds::SplitCommandLine("").empty());
  EXPECT_TRUE(ds::SplitCommandLine(" \t ").empty());
  // Parameters have no program item: the same text splits differently.
  EXPECT_EQ((Items{R"(C:\dir" x)"}), ds::SplitParameters(R"("C:\dir\" x)"));
  EXPECT_EQ((Items{"-c14", "-s16"}), ds::SplitParameters("-c14 -s16"));
}

TEST(ProcessTest, StartWaitAndExitCodes) {
  TempDir dir;
  ds::ProcessId pid = -1;
  int code = -1;
  ASSERT_GT(ds::StartProcess("/bin/sh", "-c \"exit 7\"", nullptr, &pid), 32);
  EXPECT_EQ(1, ds::WaitProcess(pid, -1, &code));
  EXPECT_EQ(7, code);
  EXPECT_EQ(-1, ds::WaitProcess(pid, 100, &code)) << "already reaped";

  ASSERT_GT(ds::StartProcess("/bin/sh", "-c \"pwd > here.txt\"", dir.path().c_str(), &pid), 32);
  EXPECT_EQ(1, ds::WaitProcess(pid, 5000, &code));
  EXPECT_EQ(dir.path() + "\n", ReadWholeFile(dir.File("here.txt")));

  ASSERT_GT(ds::StartProcess("sleep", "30", nullptr, &pid), 32);  // found on PATH
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(0, ds::WaitProcess(pid, 150, &code));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(140));
  kill(pid, SIGKILL);
  EXPECT_EQ(1, ds::WaitProcess(pid, 5000, &code));
  EXPECT_EQ(128 + SIGKILL, code);

  EXPECT_EQ(-1, ds::WaitProcess(1, 10, &code)) << "not our child";
}

TEST(ProcessTest, StartResultCodes) {
  TempDir dir;
  WriteWholeFile(dir.File("plain.txt"), "text");
  WriteWholeFile(dir.File("setup.exe"), "MZ");
  ds::ProcessId pid = -1;
  EXPECT_EQ(2, ds::StartProcess(dir.File("missing").c_str(), "", nullptr, &pid));
  EXPECT_EQ(2, ds::StartProcess("no-such-program-here", "", nullptr, &pid));
  EXPECT_EQ(3, ds::StartProcess("/bin/true", "", dir.File("nowhere").c_str(), &pid));
  EXPECT_EQ(5, ds::StartProcess(dir.File("plain.txt").c_str(), "", nullptr, &pid));
  EXPECT_EQ(-1, pid);

  ScopedEnv path("PATH", dir.path() + "/empty-bin");  // no wine anywhere
  EXPECT_EQ(31, ds::StartProcess(dir.File("setup.exe").c_str(), "/S", nullptr, &pid));
  EXPECT_EQ(2, ds::StartProcess(dir.File("gone.EXE").c_str(), "", nullptr, &pid));
}

TEST(ProcessTest, WindowsProgramsRunThroughWine) {
  TempDir dir;
  mkdir(dir.File("bin").c_str(), 0755);
  WriteScript(dir.File("bin/wine"), "printf '%s\\n' \"$@\" > \"$FAKE_WINE_LOG\"");
  WriteWholeFile(dir.File("Setup.EXE"), "MZ");
  WriteWholeFile(dir.File("pkg.Msi"), "msi");
  ScopedEnv path("PATH", dir.File("bin") + ":/usr/bin:/bin");
  ScopedEnv log("FAKE_WINE_LOG", dir.File("wine.log"));
  ScopedEnv prefix("WINEPREFIX", dir.File("no-prefix"));  // no drives: paths stay ours

  ds::ProcessId pid = -1;
  int code = -1;
  ASSERT_GT(ds::StartProcess(dir.File("Setup.EXE").c_str(), "/S \"/D=C:\\a b\"", nullptr, &pid), 32);
  ASSERT_EQ(1, ds::WaitProcess(pid, 5000, &code));
  EXPECT_EQ(dir.File("Setup.EXE") + "\n/S\n/D=C:\\a b\n", ReadWholeFile(dir.File("wine.log")));

  ASSERT_GT(ds::StartProcess(dir.File("pkg.Msi").c_str(), nullptr, nullptr, &pid), 32);
  ASSERT_EQ(1, ds::WaitProcess(pid, 5000, &code));
  EXPECT_EQ("msiexec\n/i\n" + dir.File("pkg.Msi") + "\n", ReadWholeFile(dir.File("wine.log")));
}

TEST(ProcessTest, ChildGetsOnlyStandardDescriptorsAndDefaultSignals) {
  TempDir dir;
  ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path());
  ds::NamedMutex mutex;
  ASSERT_EQ(1, mutex.TryAcquire("Corvane"));
  WriteWholeFile(dir.File("leak.txt"), "x");
  int leaky = open(dir.File("leak.txt").c_str(), O_RDONLY);  // deliberately without O_CLOEXEC
  ASSERT_GE(leaky, 3);

  sigset_t block, old;
  sigemptyset(&block);
  sigaddset(&block, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &block, &old);
  ds::ProcessId pid = -1;
  int result = ds::StartProcess("/bin/sleep", "30", nullptr, &pid);
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  close(leaky);
  ASSERT_GT(result, 32);

  // sleep briefly opens files of its own while it starts (locale data): an inherited descriptor
  // is the one that is still there once it has settled.
  std::vector<int> fds;
  std::string fd_dir = "/proc/" + std::to_string(pid) + "/fd";
  for (int attempt = 0; attempt < 100; ++attempt) {
    fds.clear();
    if (DIR* d = opendir(fd_dir.c_str())) {
      while (dirent* e = readdir(d))
        if (e->d_name[0] != '.') fds.push_back(std::atoi(e->d_name));
      closedir(d);
    }
    if (!fds.empty() && *std::max_element(fds.begin(), fds.end()) < 3) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_FALSE(fds.empty());
  for (int fd : fds) EXPECT_LT(fd, 3) << "descriptor " << fd << " leaked into the child";

  // This test program ignores SIGPIPE and blocked SIGUSR1; the child must have neither.
  std::string status = ReadWholeFile("/proc/" + std::to_string(pid) + "/status");
  auto mask = [&status](const char* key) {
    std::size_t at = status.find(key);
    return at == std::string::npos ? ~0ull : std::strtoull(status.c_str() + at + 7, nullptr, 16);
  };
  EXPECT_EQ(0u, mask("SigIgn:") & (1ull << (SIGPIPE - 1)));
  EXPECT_EQ(0u, mask("SigBlk:"));

  // The lock is ours alone: releasing it frees the mutex though the child still runs.
  mutex.Release();
  EXPECT_FALSE(ds::NamedMutex::Exists("Corvane"));
  kill(pid, SIGKILL);
  int code = 0;
  EXPECT_EQ(1, ds::WaitProcess(pid, 5000, &code));
}

TEST(ProcessTest, FindByNameSeesOnlyRunningProcesses) {
  ds::ProcessId pid = -1;
  ASSERT_GT(ds::StartProcess("/bin/sleep", "30", nullptr, &pid), 32);
  EXPECT_TRUE(Contains(ds::FindProcessByName("sleep"), pid));
  EXPECT_TRUE(Contains(ds::FindProcessByName("SLEEP"), pid));
  EXPECT_FALSE(Contains(ds::FindProcessByName("slee"), pid));
  EXPECT_TRUE(ds::IsProcessAlive(pid));

  // Ended but not reaped yet: a zombie is not running.
  kill(pid, SIGKILL);
  for (int i = 0; i < 200 && ds::IsProcessAlive(pid); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(ds::IsProcessAlive(pid));
  EXPECT_FALSE(Contains(ds::FindProcessByName("sleep"), pid));
  int code = 0;
  EXPECT_EQ(1, ds::WaitProcess(pid, 5000, &code));
  EXPECT_FALSE(Contains(ds::FindProcessByName("sleep"), pid));

  EXPECT_TRUE(Contains(ds::FindProcessByName("core_platform_process_test", true), getpid()));
  EXPECT_FALSE(Contains(ds::FindProcessByName("core_platform_process_test"), getpid()));
}

TEST(ProcessTest, UnwatchedChildrenAreReapedAndWatchersCalledBack) {
  TempDir dir;
  std::string command = "-c \"echo $$ > '" + dir.File("pid.txt") + "'\"";
  ASSERT_GT(ds::StartProcess("/bin/sh", command.c_str(), nullptr, nullptr), 32);
  std::string text = WaitForFile(dir.File("pid.txt"));
  ASSERT_FALSE(text.empty());
  std::string proc = "/proc/" + std::to_string(std::atoi(text.c_str()));
  bool gone = false;
  for (int i = 0; i < 500 && !gone; ++i) {
    gone = access(proc.c_str(), F_OK) != 0;  // a zombie would keep its /proc entry
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(gone) << "the finished child was left a zombie";

  ds::ProcessId pid = -1;
  ASSERT_GT(ds::StartProcess("/bin/sh", "-c \"exit 3\"", nullptr, &pid), 32);
  std::promise<std::pair<int, int>> ended;
  ASSERT_EQ(1, ds::WatchProcess(pid, [&ended](ds::ProcessId p, int c) { ended.set_value({p, c}); }));
  auto future = ended.get_future();
  ASSERT_EQ(std::future_status::ready, future.wait_for(std::chrono::seconds(5)));
  EXPECT_EQ(std::make_pair(pid, 3), future.get());
}

TEST(ProcessTest, RunCommandLineFindsUnquotedPathsWithBlanks) {
  TempDir dir;
  mkdir(dir.File("my dir").c_str(), 0755);
  WriteScript(dir.File("my dir/tool"),
              "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$(dirname \"$0\")/args.txt\"");
  ds::ProcessId pid = -1;
  int code = -1;
  std::string line = dir.File("my dir/tool") + " a \"b c\" d\\\"e";
  ASSERT_GT(ds::RunCommandLine(line.c_str(), &pid), 32);
  ASSERT_EQ(1, ds::WaitProcess(pid, 5000, &code));
  EXPECT_EQ("a\nb c\nd\"e\n", ReadWholeFile(dir.File("my dir/args.txt")));

  line = "\"" + dir.File("my dir/tool") + "\" x";
  ASSERT_GT(ds::RunCommandLine(line.c_str(), &pid), 32);
  ASSERT_EQ(1, ds::WaitProcess(pid, 5000, &code));
  EXPECT_EQ("x\n", ReadWholeFile(dir.File("my dir/args.txt")));

  EXPECT_EQ(2, ds::RunCommandLine((dir.File("my dir/nothing") + " x").c_str(), &pid));
  EXPECT_EQ(2, ds::RunCommandLine("   ", &pid));
}

TEST(ProcessTest, OpenWithShellUsesXdgOpen) {
  TempDir dir;
  mkdir(dir.File("bin").c_str(), 0755);
  WriteScript(dir.File("bin/xdg-open"), "printf '%s\\n' \"$1\" >> \"$FAKE_OPEN_LOG\"");
  ScopedEnv log("FAKE_OPEN_LOG", dir.File("open.log"));
  {
    ScopedEnv path("PATH", dir.File("bin") + ":/usr/bin:/bin");
    EXPECT_GT(ds::OpenWithShell("https://example.invalid/a?b=c"), 32);
    EXPECT_EQ("https://example.invalid/a?b=c\n", WaitForFile(dir.File("open.log")));
    EXPECT_EQ(2, ds::OpenWithShell(dir.File("missing.txt").c_str()));
    // A relative path that looks like an option is passed so that it cannot be one.
    WriteWholeFile(dir.File("--help"), "");
    char cwd[4096];
    ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
    ASSERT_EQ(0, chdir(dir.path().c_str()));
    EXPECT_GT(ds::OpenWithShell("--help"), 32);
    EXPECT_EQ("https://example.invalid/a?b=c\n./--help\n", WaitForFile(dir.File("open.log"), 2));
    ASSERT_EQ(0, chdir(cwd));
  }
  ScopedEnv path("PATH", dir.File("empty-bin"));
  EXPECT_EQ(31, ds::OpenWithShell(dir.path().c_str()));
}

std::string PeFixture(const char* name) {
  std::string here = __FILE__;
  return here.substr(0, here.rfind('/')) + "/../pe/fixtures/" + name;
}

TEST(ProcessTest, WineRunsInThePrefixQuietlyWithFoldersMapped) {
  TempDir dir;
  mkdir(dir.File("bin").c_str(), 0755);
  WriteScript(dir.File("bin/wine"),
              "{ pwd; echo \"$WINEPREFIX\"; echo \"$WINEDEBUG\"; printf '%s\\n' \"$@\"; } > \"$FAKE_WINE_LOG\"");
  ASSERT_EQ(0, corvane_test::RunCommand("mkdir -p '" + dir.File("prefix/dosdevices") + "' '" +
                                        dir.File("prefix/drive_c/Program Files/App") + "'"));
  ASSERT_EQ(0, symlink("../drive_c", dir.File("prefix/dosdevices/c:").c_str()));
  const std::string app = dir.File("prefix/drive_c/Program Files/App/uninst.exe");
  WriteWholeFile(app, "MZ");
  ScopedEnv path("PATH", dir.File("bin") + ":/usr/bin:/bin");
  ScopedEnv log("FAKE_WINE_LOG", dir.File("wine.log"));
  ScopedEnv prefix("WINEPREFIX", dir.File("prefix"));
  unsetenv("WINEDEBUG");

  ds::ProcessId pid = -1;
  int code = -1;
  ASSERT_GT(ds::StartProcess("C:\\Program Files\\App\\UNINST.exe", "/S", "c:\\program files\\app", &pid), 32);
  ASSERT_EQ(1, ds::WaitProcess(pid, 5000, &code));
  EXPECT_EQ(dir.File("prefix/drive_c/Program Files/App") + "\n" + dir.File("prefix") + "\n-all\n" + app + "\n/S\n",
            ReadWholeFile(dir.File("wine.log")));
  EXPECT_EQ(nullptr, std::getenv("WINEDEBUG")) << "only the child's environment has it";

  // msiexec gets its package as a Windows path, through the drive that holds it.
  WriteWholeFile(dir.File("prefix/drive_c/Program Files/App/pkg.msi"), "msi");
  WriteWholeFile(dir.File("pkg.msi"), "msi");
  ASSERT_GT(ds::StartProcess(dir.File("prefix/drive_c/Program Files/App/pkg.msi").c_str(), nullptr, nullptr, &pid), 32);
  ASSERT_EQ(1, ds::WaitProcess(pid, 5000, &code));
  EXPECT_NE(std::string::npos, ReadWholeFile(dir.File("wine.log")).find("\nmsiexec\n/i\nC:\\Program Files\\App\\pkg.msi\n"));
  ASSERT_EQ(0, symlink("/", dir.File("prefix/dosdevices/z:").c_str()));
  ASSERT_GT(ds::StartProcess(dir.File("pkg.msi").c_str(), nullptr, nullptr, &pid), 32);
  ASSERT_EQ(1, ds::WaitProcess(pid, 5000, &code));
  std::string windows = "Z:" + dir.File("pkg.msi");
  std::replace(windows.begin(), windows.end(), '/', '\\');
  EXPECT_NE(std::string::npos, ReadWholeFile(dir.File("wine.log")).find("\nmsiexec\n/i\n" + windows + "\n"));

  // Uninstall commands as the registry holds them: an unquoted path with blanks, and a program
  // that only Wine knows (msiexec.exe lives in the prefix's system folder).
  ASSERT_GT(ds::RunCommandLine("C:\\Program Files\\App\\uninst.exe /S /D=x", &pid), 32);
  ASSERT_EQ(1, ds::WaitProcess(pid, 5000, &code));
  EXPECT_NE(std::string::npos, ReadWholeFile(dir.File("wine.log")).find(app + "\n/S\n/D=x\n"));
  ASSERT_GT(ds::RunCommandLine("MsiExec.exe /X{6F330B47-2577-43AD-9095-1861BA25889B}", &pid), 32);
  ASSERT_EQ(1, ds::WaitProcess(pid, 5000, &code));
  EXPECT_NE(std::string::npos,
            ReadWholeFile(dir.File("wine.log")).find("\nMsiExec.exe\n/X{6F330B47-2577-43AD-9095-1861BA25889B}\n"));
}

TEST(ProcessTest, WaitingForTheWineServerIsBounded) {
  TempDir dir;
  mkdir(dir.File("bin").c_str(), 0755);
  ScopedEnv path("PATH", dir.File("bin"));
  EXPECT_EQ(-1, ds::WaitForWineServer(100)) << "no wineserver";
  WriteScript(dir.File("bin/wineserver"), "[ \"$1\" = -w ] && exec /bin/sleep \"$FAKE_SERVER_LIFE\"");
  ScopedEnv life("FAKE_SERVER_LIFE", "0.1");
  EXPECT_EQ(1, ds::WaitForWineServer(5000));
  ScopedEnv longer("FAKE_SERVER_LIFE", "30");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(0, ds::WaitForWineServer(200));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(ProcessTest, MissingWineAndMissing32BitWineAreSaidPlainly) {
  TempDir dir;
  mkdir(dir.File("bin").c_str(), 0755);
  const std::string x86 = dir.File("setup32.exe");
  const std::string x64 = dir.File("setup64.exe");
  WriteWholeFile(x86, ReadWholeFile(PeFixture("upper_table_x86.exe")));
  WriteWholeFile(x64, ReadWholeFile(PeFixture("chinese_x64.exe")));

  ScopedEnv path("PATH", dir.File("bin"));
  EXPECT_EQ(ds::WineStatus::kNoWine, ds::CheckWineFor(x64));
  const std::string no_wine = ds::WineStatusMessage(ds::WineStatus::kNoWine, x64);
  EXPECT_NE(std::string::npos, no_wine.find("setup64.exe"));
  EXPECT_NE(std::string::npos, no_wine.find("sudo apt-get install wine"));

  WriteScript(dir.File("bin/wine"), "exit 0");
  ds::ProcessId pid = -1;
  EXPECT_EQ(ds::WineStatus::kReady, ds::CheckWineFor(x64));
  EXPECT_EQ(ds::WineStatus::kNo32Bit, ds::CheckWineFor(x86)) << "64-bit Wine only";
  EXPECT_EQ(ds::kSpawnBadFormat, ds::StartProcess(x86.c_str(), "", nullptr, &pid));
  const std::string no32 = ds::WineStatusMessage(ds::WineStatus::kNo32Bit, x86);
  EXPECT_NE(std::string::npos, no32.find("dpkg --add-architecture i386"));
  EXPECT_NE(std::string::npos, no32.find("wine32"));

  // Debian's wine32 puts its loader beside wine64's.
  ASSERT_EQ(0, corvane_test::RunCommand("/bin/mkdir -p '" + dir.File("lib/wine") + "'"));
  WriteScript(dir.File("lib/wine/wine"), "exit 0");
  EXPECT_EQ(ds::WineStatus::kReady, ds::CheckWineFor(x86));
  int code = -1;
  ASSERT_GT(ds::StartProcess(x86.c_str(), "", nullptr, &pid), 32);
  ASSERT_EQ(1, ds::WaitProcess(pid, 5000, &code));
}

TEST(ProcessTest, WindowsProgramsUnderWineAreFoundByTheirExeName) {
  TempDir dir;
  // Wine's loader runs the program and shows its Windows path as argv[0].
  const std::string loader = dir.File("wine64-preloader");
  ASSERT_EQ(0, corvane_test::RunCommand("cp /bin/sleep '" + loader + "'"));
  pid_t pid = fork();
  if (pid == 0) {
    execl(loader.c_str(), "C:\\Program Files\\Corvane Test\\CorvaneApp.exe", "30", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  bool found = false;
  for (int i = 0; i < 200 && !found; ++i) {
    found = Contains(ds::FindProcessByName("corvaneapp.EXE"), pid);
    if (!found) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(found);
  EXPECT_FALSE(Contains(ds::FindProcessByName("Corvane Test\\CorvaneApp.exe"), pid));
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_FALSE(Contains(ds::FindProcessByName("CorvaneApp.exe"), pid));
}

}  // namespace
