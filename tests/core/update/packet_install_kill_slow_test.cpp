// A large packet's install killed (SIGKILL) at random moments in a child process, then the
// recovery the next start runs: the installation is always the old set of files or the new
// one, never a mixture, and no work file is left.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/update/install_journal.h"
#include "core/update/packet_install.h"
#include "tests/common/temp_dir.h"
#include "tests/core/update/install_snapshot.h"
#include "tests/update/update_test_packets.h"

namespace {

using corvane_test::ReadWholeFile;
using corvane_test::RunCommand;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;
using install_test::TakeSnapshot;
using namespace update_test;
using Clock = std::chrono::steady_clock;

constexpr int kReplaced = 2400;  // files the packet replaces
constexpr int kAdded = 600;      // files it adds, in folders of their own
constexpr int kRounds = 24;

std::string Body(const char* kind, int i) { return std::string(kind) + std::to_string(i) + std::string(700 + i % 900, 'a' + i % 26); }

// The kills test what a dying process leaves, not what a disk keeps: the files go to memory
// (/dev/shm) where there is one, which keeps two dozen installs of 3,000 files quick.
std::string MemoryTempFolder() {
  struct stat st;
  return ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "";
}

TEST(PacketInstallKillSlowTest, EveryKillEndsInTheOldOrTheNewInstallation) {
  const char* tmpdir = std::getenv("TMPDIR");
  const std::string saved_tmpdir = tmpdir != nullptr ? tmpdir : "";
  if (!MemoryTempFolder().empty()) ::setenv("TMPDIR", MemoryTempFolder().c_str(), 1);
  TempDir top;
  if (tmpdir != nullptr) {
    ::setenv("TMPDIR", saved_tmpdir.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  const std::string base = top.File("base");
  std::vector<PacketEntry> entries;
  for (int i = 0; i < kReplaced; ++i) {
    const std::string name = "d" + std::to_string(i % 40) + "/f" + std::to_string(i);
    if (i < 40) {
      ASSERT_EQ(0, RunCommand("mkdir -p " + base + "/d" + std::to_string(i)));
    }
    WriteWholeFile(base + "/" + name, Body("old", i));
    entries.push_back(File(name, Body("new", i), 0644));
  }
  ASSERT_EQ(0, RunCommand("mkdir -p " + base + "/keep && echo kept > " + base + "/keep/k"));
  for (int i = 0; i < kAdded; ++i)
    entries.push_back(File("n" + std::to_string(i % 30) + "/sub/g" + std::to_string(i), Body("added", i)));
  const std::string packet = top.File("s20.pkg");
  ASSERT_TRUE(WritePacket(packet, entries));

  const std::string work = top.File("work");
  auto fresh = [&] { ASSERT_EQ(0, RunCommand("rm -rf " + work + " && cp -a " + base + " " + work)); };
  fresh();
  const auto old_set = TakeSnapshot(work);
  // A first, undisturbed install: the new set, and how long the whole and the rename phase take.
  const auto start = Clock::now();
  Clock::time_point renames, last_step;
  ASSERT_EQ(1, ds::InstallPacket(packet, work, nullptr, [&](int step) {
    last_step = Clock::now();
    if (step == 0) renames = last_step;
    return false;
  }));
  const auto total_us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
  const auto rename_us = std::chrono::duration_cast<std::chrono::microseconds>(last_step - renames).count();
  const auto new_set = TakeSnapshot(work);
  ASSERT_NE(old_set, new_set);

  std::mt19937 random(20261207);
  int olds = 0, news = 0, in_rename_phase = 0;
  fresh();
  for (int round = 0; round < kRounds; ++round) {
    int pipe_fds[2];
    ASSERT_EQ(0, ::pipe(pipe_fds));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipe_fds[0]);
      ds::InstallPacket(packet, work, nullptr, [&](int step) {
        if (step == 0) (void)!::write(pipe_fds[1], "r", 1);  // the rename phase begins
        return false;
      });
      ::_exit(0);
    }
    ::close(pipe_fds[1]);
    // Every other round aims at the rename phase itself; the others at any moment.
    long long delay_us;
    if (round % 2 == 0) {
      char byte;
      (void)!::read(pipe_fds[0], &byte, 1);
      delay_us = std::uniform_int_distribution<long long>(0, rename_us)(random);
    } else {
      delay_us = std::uniform_int_distribution<long long>(0, total_us)(random);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ::close(pipe_fds[0]);
    const std::string journal = ReadWholeFile(work + "/" + ds::kPacketWorkFolder + "/journal");
    in_rename_phase += journal.find("renaming") != std::string::npos && journal.find("committed") == std::string::npos;

    ASSERT_EQ(1, ds::RecoverPacketInstall(work)) << "round " << round;
    const auto after = TakeSnapshot(work);
    if (after == old_set) {
      ++olds;
    } else {
      ASSERT_EQ(new_set, after) << "round " << round << ": a mixture after a kill at " << delay_us << " us";
      ++news;
      fresh();
    }
  }
  // The kills met the rename phase itself, not only the staging before it.
  EXPECT_GT(in_rename_phase, 0);
  RecordProperty("old", olds);
  RecordProperty("new", news);
  RecordProperty("in_rename_phase", in_rename_phase);
  std::printf("kills: %d left the old set, %d the new one, %d in the rename phase\n", olds, news,
              in_rename_phase);
}

}  // namespace
