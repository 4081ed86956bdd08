#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/common/temp_dir.h"
#include "tests/update/update_test_packets.h"
#include "update/packet_extractor.h"

namespace {

using corvane_test::ListDirectory;
using corvane_test::ReadWholeFile;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;
using namespace update_test;

std::string Safe(const std::string& name) {
  std::string relative;
  return update::SafeEntryPath(name, &relative) ? relative : "<refused>";
}

TEST(PacketExtractorTest, EntryNamesAreRefusedNotTrimmed) {
  EXPECT_EQ("bin/app", Safe("bin\\app"));
  EXPECT_EQ("a/b", Safe("./a//b/."));
  EXPECT_EQ("a..b/..c", Safe("a..b/..c"));  // dots inside names are names
  for (const char* name : {"/etc/passwd", "\\windows\\x", "C:\\x", "c:x", "../x", "a/../../x", "a\\..\\x",
                           "a/..", "", "./"})
    EXPECT_EQ("<refused>", Safe(name)) << name;
}

TEST(PacketExtractorTest, HostilePacketChangesNothingOutside) {
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

  const std::string packet = top.File("s2.pkg");
  ASSERT_TRUE(WritePacket(packet, {
      File(outside + "/abs.txt", "absolute"),
      File("../outside/victim.txt", "dotdot"),
      File("sub/../../outside/victim.txt", "dotdot2"),
      File("C:/outside/victim.txt", "drive"),
      Link("evil", outside),
      File("evil/through.txt", "through a link entry"),
      File("out/victim.txt", "through an existing link"),
      File("out/new/deep.txt", "deep"),
      Folder("out/madedir/"),
      File("alias/inside.txt", "inside link is fine"),
      File("good/a.txt", "good"),
      Folder("empty/"),
  }));

  update::PacketExtractReport report;
  ASSERT_EQ(1, update::ExtractPacket(packet, install, &report));
  EXPECT_EQ(8, report.refused);
  EXPECT_EQ(4, report.extracted);  // alias/inside.txt, good/a.txt, empty/, evil/ as folder
  EXPECT_EQ("original", ReadWholeFile(outside + "/victim.txt"));
  EXPECT_EQ((std::vector<std::string>{"victim.txt"}), ListDirectory(outside));
  EXPECT_EQ("inside link is fine", ReadWholeFile(install + "/real/inside.txt"));
  EXPECT_EQ("good", ReadWholeFile(install + "/good/a.txt"));
  struct stat st;
  ASSERT_EQ(0, ::lstat((install + "/evil").c_str(), &st));
  EXPECT_FALSE(S_ISLNK(st.st_mode));  // the link entry was never made
  EXPECT_EQ(0, ::stat((install + "/empty").c_str(), &st));
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  // No temporary file is left anywhere.
  EXPECT_EQ((std::vector<std::string>{"alias", "empty", "evil", "good", "out", "real"}),
            ListDirectory(install));
}

TEST(PacketExtractorTest, ExtractsInArchiveOrderWithModesAndTimes) {
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
  }));
  update::PacketExtractReport report;
  ASSERT_EQ(1, update::ExtractPacket(packet, dir.path(), &report));
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

  // The entry's modification time is kept (libzip stamps entries with the time they were added).
  struct stat packet_st;
  ASSERT_EQ(0, ::stat(packet.c_str(), &packet_st));
  ASSERT_EQ(0, ::stat(dir.File("lib/data.bin").c_str(), &st));
  EXPECT_LE(std::llabs(static_cast<long long>(st.st_mtime - packet_st.st_mtime)), 2);
}

// A packet is installed whole or not at all: one damaged entry keeps every old file.
TEST(PacketExtractorTest, DamagedEntryInstallsNothingOfThePacket) {
  TempDir dir;
  WriteWholeFile(dir.File("program"), "working program");
  const std::string payload(20000, 'x');
  const std::string packet = dir.File("s6.pkg");
  WriteWholeFile(dir.File("other.txt"), "old other");
  ASSERT_TRUE(WritePacket(packet, {File("program", payload), File("other.txt", "new other"),
                                   File("added/new.txt", "new")}));

  // Flip a byte inside the first entry's compressed data: its CRC check fails at the end.
  std::string bytes = ReadWholeFile(packet);
  const std::size_t data_start = 30 + std::string("program").size();
  bytes[data_start + 8] = static_cast<char>(bytes[data_start + 8] ^ 0x55);
  WriteWholeFile(packet, bytes);

  update::PacketExtractReport report;
  EXPECT_EQ(0, update::ExtractPacket(packet, dir.path(), &report));
  EXPECT_EQ(1, report.failed);
  EXPECT_EQ("working program", ReadWholeFile(dir.File("program")));
  EXPECT_EQ("old other", ReadWholeFile(dir.File("other.txt")));
  EXPECT_NE(0, ::access(dir.File("added/new.txt").c_str(), F_OK));
  EXPECT_TRUE(ListDirectory(dir.File("added")).empty());  // no temporary file left behind either
  EXPECT_EQ((std::vector<std::string>{"added", "other.txt", "program", "s6.pkg"}), ListDirectory(dir.path()));

  // Not an archive at all.
  WriteWholeFile(dir.File("s7.pkg"), "no zip here");
  EXPECT_EQ(0, update::ExtractPacket(dir.File("s7.pkg"), dir.path(), &report));
  EXPECT_EQ(0, update::ExtractPacket(dir.File("missing.pkg"), dir.path(), &report));
}

// Temporary files of an extraction that was killed are removed when a packet next writes into
// their folder; other names that merely look alike stay.
TEST(PacketExtractorTest, InterruptedRunsLeftoversAreSwept) {
  TempDir dir;
  ASSERT_EQ(0, ::mkdir(dir.File("sub").c_str(), 0755));
  ASSERT_EQ(0, ::mkdir(dir.File(".corvane-update-dir123").c_str(), 0755));
  WriteWholeFile(dir.File(".corvane-update-abc123"), "half a program");
  WriteWholeFile(dir.File("sub/.corvane-update-Zz9_x0"), "half a library");
  WriteWholeFile(dir.File(".corvane-update-notes"), "user file");
  const std::string packet = dir.File("s2.pkg");
  ASSERT_TRUE(WritePacket(packet, {File("a.txt", "a"), File("sub/b.txt", "b")}));

  ASSERT_EQ(1, update::ExtractPacket(packet, dir.path(), nullptr));
  EXPECT_EQ((std::vector<std::string>{".corvane-update-dir123", ".corvane-update-notes", "a.txt", "s2.pkg", "sub"}),
            ListDirectory(dir.path()));
  EXPECT_EQ((std::vector<std::string>{"b.txt"}), ListDirectory(dir.File("sub")));
}

}  // namespace
