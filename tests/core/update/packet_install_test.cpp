#include "core/update/packet_install.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "core/update/install_journal.h"
#include "core/platform/file_write.h"
#include "tests/common/temp_dir.h"
#include "tests/core/update/install_snapshot.h"
#include "tests/update/update_test_packets.h"

namespace {

using corvane_test::ListDirectory;
using corvane_test::ReadWholeFile;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;
using install_test::Snapshot;
using install_test::TakeSnapshot;
using namespace update_test;

std::string Safe(const std::string& name) {
  std::string relative;
  return ds::PacketEntryPath(name, &relative) ? relative : "<refused>";
}

TEST(PacketInstallTest, EntryNamesAreTrimmedThenRefusedWhenTheyEscape) {
  EXPECT_EQ("bin/app", Safe("bin\\app"));
  EXPECT_EQ("a/b", Safe("./a//b/."));
  EXPECT_EQ("a..b/..c", Safe("a..b/..c"));  // dots inside names are names
  EXPECT_EQ("etc/passwd", Safe("/etc/passwd"));
  EXPECT_EQ("windows/x", Safe("\\\\windows\\x"));
  EXPECT_EQ("x", Safe("C:\\x"));
  EXPECT_EQ("x", Safe("c:x"));
  EXPECT_EQ("sub/.corvane-packet/x", Safe("sub/.corvane-packet/x"));
  for (const char* name : {"../x", "a/../../x", "a\\..\\x", "C:\\..\\x", "/../x", "a/..", "", "./", "C:", "/",
                           ".corvane-packet/journal", "\\.corvane-packet\\new\\0"})
    EXPECT_EQ("<refused>", Safe(name)) << name;
}

// One hostile entry fails the whole packet: nothing goes in, inside or outside the folder.
TEST(PacketInstallTest, AnyRefusedEntryFailsTheWholePacket) {
  TempDir top;
  const std::string install = top.File("install");
  const std::string outside = top.File("outside");
  ASSERT_EQ(0, ::mkdir(install.c_str(), 0755));
  ASSERT_EQ(0, ::mkdir(outside.c_str(), 0755));
  WriteWholeFile(outside + "/victim.txt", "original");
  // A link already in the installation that leads outside, and one that stays inside.
  ASSERT_EQ(0, ::symlink(outside.c_str(), (install + "/out").c_str()));
  ASSERT_EQ(0, ::mkdir((install + "/real").c_str(), 0755));
  ASSERT_EQ(0, ::symlink("real", (install + "/alias").c_str()));
  const Snapshot before = TakeSnapshot(install);

  const std::vector<PacketEntry> good = {File(outside + "/abs.txt", "absolute"),
                                         File("C:/outside/victim.txt", "drive"), File("good/a.txt", "good"),
                                         Folder("empty/")};
  const std::vector<PacketEntry> hostile = {
      File("../outside/victim.txt", "dotdot"),
      File("sub/../../outside/victim.txt", "dotdot2"),
      Link("evil", outside),
      File("out/victim.txt", "through an existing link"),
      File("out/new/deep.txt", "deep"),
      Folder("out/madedir/"),
      File("alias/inside.txt", "even a link that stays inside"),
  };
  for (const PacketEntry& bad : hostile) {
    std::vector<PacketEntry> entries = good;
    entries.insert(entries.begin() + 2, bad);
    const std::string packet = top.File("s2.pkg");
    ASSERT_TRUE(WritePacket(packet, entries));
    ds::PacketInstallReport report;
    EXPECT_EQ(0, ds::InstallPacket(packet, install, &report)) << bad.name;
    EXPECT_EQ(1, report.refused) << bad.name;
    EXPECT_EQ(0, report.extracted);
    EXPECT_EQ(before, TakeSnapshot(install)) << bad.name;
  }
  EXPECT_EQ("original", ReadWholeFile(outside + "/victim.txt"));
  EXPECT_EQ((std::vector<std::string>{"victim.txt"}), ListDirectory(outside));

  // Without them, the trimmed names land inside.
  ASSERT_TRUE(WritePacket(top.File("s3.pkg"), good));
  ds::PacketInstallReport report;
  ASSERT_EQ(1, ds::InstallPacket(top.File("s3.pkg"), install, &report));
  EXPECT_EQ(4, report.extracted);
  EXPECT_EQ("absolute", ReadWholeFile(install + outside + "/abs.txt"));
  EXPECT_EQ("drive", ReadWholeFile(install + "/outside/victim.txt"));
  EXPECT_EQ("original", ReadWholeFile(outside + "/victim.txt"));
}

TEST(PacketInstallTest, ExtractsInArchiveOrderWithModesAndTimes) {
  TempDir dir;
  WriteWholeFile(dir.File("keep.sh"), "old script");
  ASSERT_EQ(0, ::chmod(dir.File("keep.sh").c_str(), 0750));
  WriteWholeFile(dir.File("Corvane"), "old program");

  std::string big(100000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 + (i >> 9));
  const std::string packet = dir.File("s5.pkg");
  ASSERT_TRUE(WritePacket(packet, {
      File("Corvane", "first copy", 0755),
      File("lib/data.bin", big, 0644),
      File("keep.sh", "new script"),  // no Unix mode: the replaced file's mode stays
      File("Corvane", "second copy", 0755),
      File("lib/ro.txt", "read only", 0444),
      File("bad\\name.txt", "backslash folders"),
      File("lib/bare.txt", "a Unix mode without permission bits", S_IFREG),
  }));
  ds::PacketInstallReport report;
  ASSERT_EQ(1, ds::InstallPacket(packet, dir.path(), &report));
  EXPECT_EQ(0, report.failed);
  EXPECT_EQ(0, report.refused);
  EXPECT_EQ("second copy", ReadWholeFile(dir.File("Corvane")));  // the later entry wins
  EXPECT_EQ(big, ReadWholeFile(dir.File("lib/data.bin")));
  EXPECT_EQ("backslash folders", ReadWholeFile(dir.File("bad/name.txt")));
  struct stat st;
  ASSERT_EQ(0, ::stat(dir.File("Corvane").c_str(), &st));
  EXPECT_EQ(0755u, st.st_mode & 07777);
  ASSERT_EQ(0, ::stat(dir.File("keep.sh").c_str(), &st));
  EXPECT_EQ(0750u, st.st_mode & 07777);
  EXPECT_EQ("new script", ReadWholeFile(dir.File("keep.sh")));
  ASSERT_EQ(0, ::stat(dir.File("lib/ro.txt").c_str(), &st));
  EXPECT_EQ(0444u, st.st_mode & 07777);
  ASSERT_EQ(0, ::stat(dir.File("lib/bare.txt").c_str(), &st));
  EXPECT_EQ(ds::CreationMode(0666), st.st_mode & 07777);

  // The entry's modification time is kept (libzip stamps entries with the time they were added).
  struct stat packet_st;
  ASSERT_EQ(0, ::stat(packet.c_str(), &packet_st));
  ASSERT_EQ(0, ::stat(dir.File("lib/data.bin").c_str(), &st));
  EXPECT_LE(std::llabs(static_cast<long long>(st.st_mtime - packet_st.st_mtime)), 2);
  EXPECT_EQ((std::vector<std::string>{"Corvane", "bad", "keep.sh", "lib", "s5.pkg"}), ListDirectory(dir.path()));
}

// A packet is installed whole or not at all: one damaged entry keeps every old file, and the
// folders made for the packet go again.
TEST(PacketInstallTest, DamagedEntryInstallsNothingOfThePacket) {
  TempDir dir;
  WriteWholeFile(dir.File("program"), "working program");
  const std::string payload(20000, 'x');
  const std::string packet = dir.File("s6.pkg");
  WriteWholeFile(dir.File("other.txt"), "old other");
  ASSERT_TRUE(WritePacket(packet, {File("program", payload), File("other.txt", "new other"),
                                   File("added/deeper/new.txt", "new")}));

  // Flip a byte inside the first entry's compressed data: its CRC check fails at the end.
  std::string bytes = ReadWholeFile(packet);
  const std::size_t data_start = 30 + std::string("program").size();
  bytes[data_start + 8] = static_cast<char>(bytes[data_start + 8] ^ 0x55);
  WriteWholeFile(packet, bytes);

  ds::PacketInstallReport report;
  EXPECT_EQ(0, ds::InstallPacket(packet, dir.path(), &report));
  EXPECT_EQ(1, report.failed);
  EXPECT_EQ("working program", ReadWholeFile(dir.File("program")));
  EXPECT_EQ("old other", ReadWholeFile(dir.File("other.txt")));
  EXPECT_EQ((std::vector<std::string>{"other.txt", "program", "s6.pkg"}), ListDirectory(dir.path()));

  // Not an archive at all.
  WriteWholeFile(dir.File("s7.pkg"), "no zip here");
  EXPECT_EQ(0, ds::InstallPacket(dir.File("s7.pkg"), dir.path(), &report));
  EXPECT_EQ(0, ds::InstallPacket(dir.File("missing.pkg"), dir.path(), &report));
}

// Clashes are found in the whole packet before anything is written, so a rerun fails the same
// way instead of finding half of the packet in place.
TEST(PacketInstallTest, NameClashesFailBeforeAnythingChanges) {
  TempDir dir;
  WriteWholeFile(dir.File("a.txt"), "old a");
  ASSERT_EQ(0, ::mkdir(dir.File("plugins").c_str(), 0755));
  WriteWholeFile(dir.File("plugins/p.so"), "plugin");
  WriteWholeFile(dir.File("lib"), "a file where a folder would go");
  TempDir scratch;
  const std::string install = dir.path(), packet = scratch.File("clash.pkg");
  const Snapshot before = TakeSnapshot(dir.path());
  const std::vector<std::vector<PacketEntry>> packets = {
      {File("a.txt", "new a"), File("x", "file x"), File("x/y", "file y")},
      {File("a.txt", "new a"), File("x/y", "file y"), File("x", "file x")},
      {File("a.txt", "new a"), File("plugins", "a file over a folder that is not empty")},
      {File("a.txt", "new a"), File("lib/x.so", "under a file")},
      {File("a.txt", "new a"), Folder("lib/")},
  };
  for (const auto& entries : packets) {
    ASSERT_TRUE(WritePacket(packet, entries));
    for (int run = 0; run < 2; ++run) {
      ds::PacketInstallReport report;
      EXPECT_EQ(0, ds::InstallPacket(packet, install, &report)) << entries.back().name;
      EXPECT_EQ(1, report.failed) << entries.back().name;
      EXPECT_EQ(before, TakeSnapshot(dir.path())) << entries.back().name;
    }
  }
}

// A folder link inside the installation: an entry through it is refused, so the link's target
// never receives files under two names.
TEST(PacketInstallTest, EntriesThroughALinkInsideAreRefused) {
  TempDir dir;
  ASSERT_EQ(0, ::mkdir(dir.File("plugins").c_str(), 0755));
  WriteWholeFile(dir.File("plugins/p.so"), "old plugin");
  ASSERT_EQ(0, ::symlink("plugins", dir.File("alias").c_str()));
  const Snapshot before = TakeSnapshot(dir.path());
  TempDir scratch;
  ASSERT_TRUE(WritePacket(scratch.File("s2.pkg"), {File("plugins/p.so", "new p"), File("alias/q.so", "new q")}));
  ds::PacketInstallReport report;
  EXPECT_EQ(0, ds::InstallPacket(scratch.File("s2.pkg"), dir.path(), &report));
  EXPECT_EQ(1, report.refused);
  EXPECT_EQ(before, TakeSnapshot(dir.path()));
  // A link that is itself a target is replaced, never written through.
  ASSERT_TRUE(WritePacket(scratch.File("s3.pkg"), {File("alias", "now a file")}));
  ASSERT_EQ(1, ds::InstallPacket(scratch.File("s3.pkg"), dir.path(), &report));
  EXPECT_EQ("now a file", ReadWholeFile(dir.File("alias")));
  EXPECT_EQ("old plugin", ReadWholeFile(dir.File("plugins/p.so")));
}

// Temporary files an earlier version left beside their targets when it was killed are removed
// when a packet next writes into their folder; other names that merely look alike stay.
TEST(PacketInstallTest, OldLeftoversAreSwept) {
  TempDir dir;
  ASSERT_EQ(0, ::mkdir(dir.File("sub").c_str(), 0755));
  ASSERT_EQ(0, ::mkdir(dir.File(".corvane-update-dir123").c_str(), 0755));
  WriteWholeFile(dir.File(".corvane-update-abc123"), "half a program");
  WriteWholeFile(dir.File("sub/.corvane-update-Zz9_x0"), "half a library");
  WriteWholeFile(dir.File(".corvane-update-notes"), "user file");
  const std::string packet = dir.File("s2.pkg");
  ASSERT_TRUE(WritePacket(packet, {File("a.txt", "a"), File("sub/b.txt", "b")}));

  ASSERT_EQ(1, ds::InstallPacket(packet, dir.path(), nullptr));
  EXPECT_EQ((std::vector<std::string>{".corvane-update-dir123", ".corvane-update-notes", "a.txt", "s2.pkg", "sub"}),
            ListDirectory(dir.path()));
  EXPECT_EQ((std::vector<std::string>{"b.txt"}), ListDirectory(dir.File("sub")));
}

// The rename phase, failed or cut off by a crash at each of its steps in turn: the old
// installation comes back byte for byte, and an install that got as far as its commit is
// finished by the recovery instead.
class RenamePhaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WritePacket(packet_.File("s9.pkg"), {
        File("a.txt", "new a", 0600), File("bin/app", "new app", 0755), File("current", "now a file"),
        File("new/deep/n.txt", "n"), Folder("share/empty/"), File("lib/libx.so", "x"),
    }));
  }
  // The old installation, made afresh.
  std::string Fresh() {
    dir_ = std::make_unique<TempDir>();
    const std::string root = dir_->File("app");
    ::mkdir(root.c_str(), 0755);
    WriteWholeFile(root + "/a.txt", "old a");
    ::chmod((root + "/a.txt").c_str(), 0640);
    ::mkdir((root + "/bin").c_str(), 0755);
    WriteWholeFile(root + "/bin/app", "old app");
    ::chmod((root + "/bin/app").c_str(), 0700);
    ::symlink("bin/app", (root + "/current").c_str());
    ::mkdir((root + "/lib").c_str(), 0755);
    WriteWholeFile(root + "/lib/old.so", "kept");
    return root;
  }
  std::string Packet() const { return packet_.File("s9.pkg"); }

  TempDir packet_;
  std::unique_ptr<TempDir> dir_;
};

TEST_F(RenamePhaseTest, FailureOrCrashAtEveryStepLeavesTheOldInstallation) {
  std::string root = Fresh();
  const Snapshot old_set = TakeSnapshot(root);
  int steps = 0;
  ASSERT_EQ(1, ds::InstallPacket(Packet(), root, nullptr, [&](int) { return ++steps, false; }));
  const Snapshot new_set = TakeSnapshot(root);
  EXPECT_EQ("file 493 new app", new_set.at("bin/app"));
  EXPECT_EQ("file 384 new a", new_set.at("a.txt"));
  EXPECT_EQ("kept", ReadWholeFile(root + "/lib/old.so"));
  EXPECT_EQ(1u, new_set.count("share/empty"));
  EXPECT_EQ(9, steps);  // three old files moved aside, five new ones placed, the commit

  for (int fail_at = 0; fail_at < steps; ++fail_at) {
    root = Fresh();
    ds::PacketInstallReport report;
    EXPECT_EQ(0, ds::InstallPacket(Packet(), root, &report, [&](int step) { return step == fail_at; }));
    EXPECT_EQ(1, report.failed);
    EXPECT_EQ(old_set, TakeSnapshot(root)) << "failure at step " << fail_at;

    root = Fresh();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ds::InstallPacket(Packet(), root, nullptr, [&](int step) {
        if (step == fail_at) ::_exit(0);  // the process dies here
        return false;
      });
      ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(1u, TakeSnapshot(root).count(ds::kPacketWorkFolder));
    if (fail_at + 1 == steps) {
      // Cut off after the commit was written: the recovery finishes the packet.
      std::ofstream(root + "/" + ds::kPacketWorkFolder + "/journal", std::ios::app) << "committed\n";
      EXPECT_EQ(1, ds::RecoverPacketInstall(root));
      EXPECT_EQ(new_set, TakeSnapshot(root));
    }
    EXPECT_EQ(1, ds::RecoverPacketInstall(root));
    if (fail_at + 1 < steps) {
      EXPECT_EQ(old_set, TakeSnapshot(root)) << "crash at step " << fail_at;
    }
    // After the recovery the packet installs as usual.
    ASSERT_EQ(1, ds::InstallPacket(Packet(), root, nullptr));
    EXPECT_EQ(new_set, TakeSnapshot(root));
  }
}

}  // namespace
