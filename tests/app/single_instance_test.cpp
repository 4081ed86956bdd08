// Two real processes of Corvane: a second start hands its command line to the running one and
// ends; a socket left by a killed instance does not stop the next one from listening.
#include <signal.h>

#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "core/platform/named_mutex.h"
#include "core/platform/process.h"
#include "tests/app/corvane_fixture.h"

namespace {

using corvane_test::CorvaneCopy;
using corvane_test::WriteWholeFile;

constexpr int kStartMs = 30000;

ds::ProcessId Start(const CorvaneCopy& copy, const std::vector<std::string>& args) {
  ds::ProcessId pid = 0;
  EXPECT_EQ(ds::kSpawnStarted, ds::StartProcessArgs(copy.program().c_str(), args, copy.dir().c_str(), &pid));
  return pid;
}

// Runs a second start to its end; its exit code, -1 when it did not end in time.
int RunSecond(const CorvaneCopy& copy, const std::vector<std::string>& args) {
  const auto begin = std::chrono::steady_clock::now();
  const ds::ProcessId pid = Start(copy, args);
  int code = -1;
  if (ds::WaitProcess(pid, 15000, &code) != 1) {
    ::kill(pid, SIGKILL);
    ds::WaitProcess(pid, -1, &code);
    return -1;
  }
  // It waits three half seconds before it ends, as a start during a shutdown would need.
  EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(1400));
  return code;
}

void Stop(ds::ProcessId pid) {
  ::kill(pid, SIGKILL);
  int code = 0;
  ds::WaitProcess(pid, -1, &code);
}

TEST(SingleInstanceTest, SecondStartForwardsAndEnds) {
  CorvaneCopy copy;
  const std::string file = copy.root() + "/a b.txt";
  WriteWholeFile(file, "x");
  const ds::ProcessId first = Start(copy, {});
  ASSERT_TRUE(copy.WaitForSocket(kStartMs)) << copy.Log();

  EXPECT_EQ(0, RunSecond(copy, {}));
  EXPECT_TRUE(copy.WaitForLog("a second start forwarded \"\".", 5000)) << copy.Log();
  EXPECT_EQ(0, RunSecond(copy, {"/a", file}));
  EXPECT_TRUE(copy.WaitForLog("a second start forwarded \"/a \"" + file + "\"\".", 5000)) << copy.Log();
  // The first instance still runs.
  EXPECT_TRUE(ds::IsProcessAlive(first));

  // Killed: the lock goes with the process, the socket file stays behind.
  Stop(first);
  ASSERT_TRUE(ds::PathExists(copy.SocketPath()));
  const ds::ProcessId next = Start(copy, {});
  // The new run's log is fresh: it exists (the lock is taken by then) without the old lines.
  ASSERT_TRUE(CorvaneCopy::WaitFor([&] { return ds::PathExists(copy.dir() + "/Error.log") &&
                                                 copy.Log().find("HandleForwarded") == std::string::npos; },
                                   kStartMs));
  // Once it listens on the old socket's name, a second start reaches it.
  EXPECT_TRUE(CorvaneCopy::WaitFor([&] { return RunSecond(copy, {}) == 0 &&
                                                 copy.Log().find("forwarded \"\"") != std::string::npos; },
                                   kStartMs))
      << copy.Log();
  Stop(next);
}

TEST(SingleInstanceTest, SessionEndSavesAndLetsGoOfTheLock) {
  CorvaneCopy copy;
  const ds::ProcessId pid = Start(copy, {});
  ASSERT_TRUE(copy.WaitForSocket(kStartMs)) << copy.Log();
  ::kill(pid, SIGTERM);
  int code = -1;
  ASSERT_EQ(1, ds::WaitProcess(pid, 15000, &code));
  EXPECT_EQ(0, code);
  EXPECT_TRUE(ds::PathExists(copy.dir() + "/Config/MgrSet.xml"));
  EXPECT_FALSE(ds::NamedMutex::Exists("Corvane"));
}

}  // namespace
