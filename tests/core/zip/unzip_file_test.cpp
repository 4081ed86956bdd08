#include "core/zip/unzip_file.h"
#include "core/platform/file_write.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <ctime>
#include <string>
#include <vector>

#include "core/files/file_system.h"
#include "tests/common/privileges.h"
#include "tests/common/temp_dir.h"

using corvane_test::ReadWholeFile;
using corvane_test::RunCommand;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;

namespace {

const char kPassword[] = "kfqe~rmt@zp!4821~vcn";

// A stored entry for the byte-level archive writer below.
struct RawEntry {
  RawEntry(std::string n, std::string d, uint16_t f = 0, uint8_t o = 0, uint32_t x = 0,
           uint16_t t = 0, uint16_t dt = 0x21, std::string ce = {})
      : name(std::move(n)), data(std::move(d)), flags(f), os(o), external(x), time(t), date(dt),
        central_extra(std::move(ce)) {}
  std::string name, data;
  uint16_t flags;
  uint8_t os;  // "made by" system: 0 DOS, 3 Unix
  uint32_t external;
  uint16_t time, date;
  std::string central_extra;
};

// Appends little-endian fields given as {value, byte count}.
void Put(std::string& out, std::initializer_list<std::pair<uint32_t, int>> fields) {
  for (auto [value, bytes] : fields)
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
}

// Writes a zip archive of stored entries exactly as given (names, flags, attributes).
std::string BuildZip(const std::vector<RawEntry>& entries) {
  std::string out, central;
  for (const RawEntry& e : entries) {
    uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), e.data.size());
    uint32_t size = e.data.size(), name = e.name.size();
    std::string common;  // flags to name length, alike in both headers
    Put(common, {{e.flags, 2}, {0, 2}, {e.time, 2}, {e.date, 2}, {crc, 4}, {size, 4}, {size, 4},
                 {name, 2}});
    Put(central, {{0x02014b50, 4}, {e.os << 8 | 20u, 2}, {20, 2}});
    central += common;
    Put(central, {{e.central_extra.size(), 2}, {0, 4}, {0, 2}, {e.external, 4}, {out.size(), 4}});
    central += e.name + e.central_extra;
    Put(out, {{0x04034b50, 4}, {20, 2}});
    out += common;
    Put(out, {{0, 2}});
    out += e.name + e.data;
  }
  uint32_t count = entries.size(), offset = out.size();
  out += central;
  Put(out, {{0x06054b50, 4}, {0, 4}, {count, 2}, {count, 2}, {central.size(), 4}, {offset, 4},
            {0, 2}});
  return out;
}

// Traditional PKWARE check: the last of the 12 decrypted header bytes.
uint8_t DecryptedCheckByte(const std::string& password, const std::string& header) {
  const z_crc_t* table = get_crc_table();
  uint32_t k[3] = {0x12345678, 0x23456789, 0x34567890};
  auto update = [&](uint8_t c) {
    k[0] = table[(k[0] ^ c) & 0xff] ^ (k[0] >> 8);
    k[1] = (k[1] + (k[0] & 0xff)) * 134775813 + 1;
    k[2] = table[(k[2] ^ (k[1] >> 24)) & 0xff] ^ (k[2] >> 8);
  };
  for (char c : password) update(static_cast<uint8_t>(c));
  uint8_t plain = 0;
  for (char c : header) {
    uint32_t t = (k[2] | 2) & 0xffff;
    plain = static_cast<uint8_t>(c) ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8);
    update(plain);
  }
  return plain;
}

std::string ReadEntry(ds::UnzipFile& zip, const char* name) {
  ds::ZipEntryInfo info;
  if (!zip.GetEntryInfo(name, info)) return "<missing>";
  std::string data(info.size, '\0');
  return zip.Unzip2Buffer(info.index, data.data(), info.size) ? data : "<failed>";
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

class UnzipFileTest : public ::testing::Test {
 protected:
  // Runs zip in the temp dir with the given arguments.
  void Zip(const std::string& args) {
    ASSERT_EQ(0, RunCommand("cd " + dir.path() + " && zip -q " + args));
  }
  std::string Crafted(const std::vector<RawEntry>& entries) {
    WriteWholeFile(dir.File("crafted.zip"), BuildZip(entries));
    return dir.File("crafted.zip");
  }
  TempDir dir;
  ds::UnzipFile zip;
};

TEST_F(UnzipFileTest, IndexesNormalisedNamesAndKeepsTheLaterDuplicate) {
  std::string path = Crafted({{"C:/x.txt", "x"}, {"/abs.txt", "abs"}, {"a/../../b.txt", "b"},
                              {"..", "up"}, {"\xD6\xD0\xCE\xC4.txt", "gbk"},
                              {"\x81\\..\\z.txt", "gbk-backslash"},
                              {"\xE4\xB8\xAD\xE6\x96\x87/u.txt", "utf8", 0x0800}, {"dir/", ""},
                              {"dup.txt", "first"}, {"dup.txt", "second!"}});
  ASSERT_EQ(1, zip.OpenFile(path.c_str(), nullptr));
  EXPECT_EQ(9, zip.GetEntryCount());
  ds::ZipEntryInfo info;
  for (const char* name :
       {"x.txt", "abs.txt", "b.txt", "", "中文.txt", "乗..\\z.txt", "中文/u.txt", "dir/"})
    EXPECT_TRUE(zip.GetEntryInfo(name, info)) << name;
  EXPECT_TRUE(zip.GetEntryInfo("\\abs.txt", info));
  EXPECT_FALSE(zip.GetEntryInfo("//abs.txt", info));  // only one separator is dropped
  EXPECT_FALSE(zip.GetEntryInfo("中文\\u.txt", info));  // separators are not converted
  ASSERT_TRUE(zip.GetEntryInfo("dup.txt", info));
  EXPECT_EQ(9, info.index);
  EXPECT_EQ(7, info.size);
  EXPECT_EQ("second!", ReadEntry(zip, "dup.txt"));
  ASSERT_TRUE(zip.GetEntryInfo(8, info));  // by index: the archive's own record
  EXPECT_EQ("dup.txt", info.name);
  EXPECT_EQ(5, info.size);
  ASSERT_TRUE(zip.GetEntryInfo(4, info));
  EXPECT_EQ("中文.txt", info.name);
  EXPECT_FALSE(zip.GetEntryInfo(10, info));
  EXPECT_FALSE(zip.GetEntryInfo(-1, info));
}

TEST_F(UnzipFileTest, BufferReadsContinueAndSwitchEntries) {
  std::string big;
  for (int i = 0; big.size() < 20000; ++i) big += std::to_string(i * 7919) + ",";
  WriteWholeFile(dir.File("big.txt"), big);
  WriteWholeFile(dir.File("small.txt"), "small");
  Zip("a.zip big.txt small.txt");
  ASSERT_EQ(1, zip.OpenFile(dir.File("a.zip").c_str(), "any password"));
  ASSERT_LT(14000u, big.size());
  ASSERT_GT(21000u, big.size());
  std::string got, part(7000, '\0');
  EXPECT_EQ(0, zip.Unzip2Buffer("big.txt", part.data(), 7000));  // full before the end
  got += part;
  EXPECT_EQ(0, zip.Unzip2Buffer("/big.txt", part.data(), 7000));  // goes on where it stopped
  got += part;
  EXPECT_EQ(1, zip.Unzip2Buffer("big.txt", part.data(), 7000));
  got += part.substr(0, big.size() - 14000);
  EXPECT_EQ(big, got);
  // Another entry closes the open one; coming back starts from the first byte again.
  EXPECT_EQ(0, zip.Unzip2Buffer("big.txt", part.data(), 100));
  EXPECT_EQ(1, zip.Unzip2Buffer("small.txt", part.data(), 5));  // exactly the size
  EXPECT_EQ("small", part.substr(0, 5));
  EXPECT_EQ(0, zip.Unzip2Buffer("big.txt", part.data(), 100));
  EXPECT_EQ(big.substr(0, 100), part.substr(0, 100));
}

TEST_F(UnzipFileTest, PasswordsDecideOverEncryptedEntriesOnly) {
  std::string big(30000, 'p');
  WriteWholeFile(dir.File("s.txt"), "secret data of the pack");
  WriteWholeFile(dir.File("big.txt"), big);
  WriteWholeFile(dir.File("plain.txt"), "plain");
  Zip(std::string("-0 -P '") + kPassword + "' e.zip s.txt");
  Zip(std::string("-P '") + kPassword + "' e.zip big.txt");
  Zip("e.zip plain.txt");
  std::string archive = dir.File("e.zip");

  ASSERT_EQ(1, zip.OpenFile(archive.c_str(), kPassword));
  EXPECT_EQ("secret data of the pack", ReadEntry(zip, "s.txt"));
  EXPECT_EQ(1, zip.Unzip2File("big.txt", dir.File("out/big.txt").c_str()));
  EXPECT_EQ(big, ReadWholeFile(dir.File("out/big.txt")));

  std::vector<std::string> wrong = {"", "KFQE~RMT@ZP!4821~VCN", "kfqe~rmt@zp!4821~vc"};
  for (int i = 0; i < 40; ++i) wrong.push_back("wrong-" + std::to_string(i));
  for (const std::string& password : wrong) {
    ASSERT_EQ(1, zip.OpenFile(archive.c_str(), password.c_str()));
    EXPECT_EQ(3, zip.GetEntryCount());  // the directory is not encrypted
    EXPECT_EQ("<failed>", ReadEntry(zip, "s.txt")) << password;
    EXPECT_EQ("<failed>", ReadEntry(zip, "big.txt")) << password;
    EXPECT_EQ(0, zip.Unzip2File("s.txt", dir.File("out/s.txt").c_str())) << password;
    EXPECT_EQ("plain", ReadEntry(zip, "plain.txt"));
  }
  ASSERT_EQ(1, zip.OpenFile(archive.c_str(), nullptr));
  EXPECT_EQ("<failed>", ReadEntry(zip, "s.txt"));
}

// About one wrong password in 128 passes libzip's check byte (it accepts the CRC's or the DOS
// time's high byte); only the CRC at the entry's end then tells it apart.
TEST_F(UnzipFileTest, WrongPasswordPassingTheCheckByteFails) {
  const std::string secret = "stored secret, read into a buffer of exactly its size";
  WriteWholeFile(dir.File("s.txt"), secret);
  Zip(std::string("-0 -P '") + kPassword + "' e.zip s.txt");
  std::string bytes = ReadWholeFile(dir.File("e.zip"));
  auto u16 = [&](size_t at) { return uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8; };
  std::string header = bytes.substr(30 + u16(26) + u16(28), 12);
  uint8_t crc_high = crc32(0, reinterpret_cast<const Bytef*>(secret.data()), secret.size()) >> 24;
  uint8_t time_high = u16(10) >> 8;
  std::string lucky;
  for (int i = 0; lucky.empty() && i < 100000; ++i) {
    std::string candidate = "guess-" + std::to_string(i);
    uint8_t check = DecryptedCheckByte(candidate, header);
    if (check == crc_high || check == time_high) lucky = candidate;
  }
  ASSERT_FALSE(lucky.empty());
  zip_t* raw = zip_open(dir.File("e.zip").c_str(), ZIP_RDONLY, nullptr);
  zip_file_t* file = raw ? zip_fopen_index_encrypted(raw, 0, 0, lucky.c_str()) : nullptr;
  EXPECT_NE(nullptr, file);  // libzip itself lets this password past the header
  if (file) zip_fclose(file);
  if (raw) zip_discard(raw);

  ASSERT_EQ(1, zip.OpenFile(dir.File("e.zip").c_str(), lucky.c_str()));
  std::string buffer(secret.size(), '\0');
  EXPECT_EQ(0, zip.Unzip2Buffer("s.txt", buffer.data(), static_cast<int>(buffer.size())));
  EXPECT_EQ(0, zip.Unzip2File("s.txt", dir.File("s-out.txt").c_str()));
}

// An entry flagged for strong encryption (general-purpose bits 0 and 6) is refused. Asking libzip
// to open one leaks memory on every attempt, and update packets come from the network.
TEST_F(UnzipFileTest, StrongEncryptionEntriesFailWithoutLeaking) {
  std::string archive = Crafted({{"strong.txt", "twelve bytes and some data", 0x41},
                                 {"plain.txt", "plain"}});
  ASSERT_EQ(1, zip.OpenFile(archive.c_str(), kPassword));
  const size_t before = mallinfo2().uordblks;
  int succeeded = 0;
  for (int i = 0; i < 2000; ++i) {
    char buffer[64];
    succeeded += zip.Unzip2Buffer("strong.txt", buffer, sizeof buffer);
    succeeded += zip.Unzip2File("strong.txt", dir.File("strong.txt").c_str());
  }
  EXPECT_EQ(0, succeeded);
  EXPECT_LT(mallinfo2().uordblks, before + 100000);
  EXPECT_EQ("plain", ReadEntry(zip, "plain.txt"));
}

// A whole-entry read grows with the data actually inflated, not with the size the directory
// claims: a damaged or hostile entry claiming about 2 GiB must fail without taking that memory.
TEST_F(UnzipFileTest, WholeEntryReadDoesNotTrustTheClaimedSize) {
  std::string big;
  for (int i = 0; big.size() < 40000; ++i) big += std::to_string(i) + ";";
  std::string bytes = BuildZip({{"liar.txt", "tiny"}, {"big.txt", big}, {"empty.txt", ""}});
  const uint32_t claimed = 0x7ffffff0;
  auto claim = [&](size_t at) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(claimed >> (8 * i));
  };
  claim(22);                             // uncompressed size in the first local header
  claim(bytes.find("PK\x01\x02") + 24);  // and in its central directory record
  WriteWholeFile(dir.File("liar.zip"), bytes);
  ASSERT_EQ(1, zip.OpenFile(dir.File("liar.zip").c_str(), nullptr));
  ds::ZipEntryInfo info;
  ASSERT_TRUE(zip.GetEntryInfo("liar.txt", info));
  ASSERT_EQ(static_cast<int>(claimed), info.size);

  std::string out = "old";
  pid_t child = fork();
  ASSERT_NE(-1, child);
  if (child == 0) _exit(zip.ReadEntry("liar.txt", out) == 0 && out.empty() ? 0 : 1);
  int status = 0;
  struct rusage usage;
  ASSERT_EQ(child, wait4(child, &status, 0, &usage));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_LT(usage.ru_maxrss, 512L * 1024);  // KiB

  ASSERT_EQ(1, zip.ReadEntry("big.txt", out));
  EXPECT_EQ(big, out);
  ASSERT_EQ(1, zip.ReadEntry("empty.txt", out));
  EXPECT_EQ("", out);
}

TEST_F(UnzipFileTest, ExtractionAppliesTimesAndModes) {
  WriteWholeFile(dir.File("run.sh"), "#!/bin/sh\n");
  WriteWholeFile(dir.File("ro.txt"), "read only");
  ASSERT_EQ(0, ::chmod(dir.File("run.sh").c_str(), 0755));
  ASSERT_EQ(0, ::chmod(dir.File("ro.txt").c_str(), 0444));
  const time_t atime = time(nullptr) - 100;  // recent, so reading it does not move it
  struct timespec times[2] = {{atime, 0}, {1500000000, 0}};
  ASSERT_EQ(0, ::utimensat(AT_FDCWD, dir.File("run.sh").c_str(), times, 0));
  Zip("u.zip run.sh ro.txt");  // Unix archive with extended timestamps
  ASSERT_EQ(1, zip.OpenFile(dir.File("u.zip").c_str(), nullptr));
  ASSERT_EQ(1, zip.Unzip2File("run.sh", dir.File("out/run.sh").c_str()));
  ASSERT_EQ(1, zip.Unzip2File("ro.txt", dir.File("out/ro.txt").c_str()));
  struct stat st;
  ASSERT_EQ(0, ::stat(dir.File("out/run.sh").c_str(), &st));
  EXPECT_EQ(0755u, st.st_mode & 07777);
  EXPECT_EQ(1500000000, st.st_mtime);
  EXPECT_EQ(atime, st.st_atime);
  EXPECT_EQ(0444u, ModeOf(dir.File("out/ro.txt")) & 07777);

  // Entries made on DOS: the DOS time as local time unless a timestamp field says otherwise,
  // the read-only attribute clears write bits, a replaced file keeps its mode.
  const uint16_t dos_time = 5 << 11 | 6 << 5 | 4, dos_date = 41 << 9 | 3 << 5 | 4;
  std::string ut;
  Put(ut, {{0x5455, 2}, {5, 2}, {1, 1}, {1234567890, 4}});
  std::string archive = Crafted({{"dos.txt", "d", 0, 0, 0, dos_time, dos_date},
                                 {"ut.txt", "u", 0, 0, 0, dos_time, dos_date, ut},
                                 {"ro.txt", "r", 0, 0, 0x01}, {"rw.txt", "w"},
                                 {"link", "../outside", 0, 3, 0120777u << 16},
                                 {"bare", "a Unix file type without permission bits", 0, 3, 0100000u << 16}});
  ASSERT_EQ(1, zip.OpenFile(archive.c_str(), nullptr));
  for (const char* name : {"dos.txt", "ut.txt", "ro.txt", "rw.txt", "link", "bare"})
    ASSERT_EQ(1, zip.Unzip2File(name, dir.File(std::string("dos/") + name).c_str())) << name;
  struct tm local = {};
  local.tm_year = 121, local.tm_mon = 2, local.tm_mday = 4, local.tm_hour = 5, local.tm_min = 6;
  local.tm_sec = 8, local.tm_isdst = -1;
  ASSERT_EQ(0, ::stat(dir.File("dos/dos.txt").c_str(), &st));
  EXPECT_EQ(mktime(&local), st.st_mtime);
  ASSERT_EQ(0, ::stat(dir.File("dos/ut.txt").c_str(), &st));
  EXPECT_EQ(1234567890, st.st_mtime);
  EXPECT_EQ(0u, ModeOf(dir.File("dos/ro.txt")) & 0222);
  // A symbolic link entry becomes a plain file holding the link text.
  EXPECT_TRUE(S_ISREG(ModeOf(dir.File("dos/link"))));
  EXPECT_EQ("../outside", ReadWholeFile(dir.File("dos/link")));
  EXPECT_EQ(0u, ModeOf(dir.File("dos/link")) & 0111);  // not the link's 0777
  EXPECT_EQ(ds::CreationMode(0666), ModeOf(dir.File("dos/bare")) & 07777);  // not 0000

  ASSERT_EQ(0, ::chmod(dir.File("dos/ro.txt").c_str(), 0750));
  EXPECT_EQ(1, zip.Unzip2File("ro.txt", dir.File("dos/ro.txt").c_str()));
  EXPECT_EQ(0550u, ModeOf(dir.File("dos/ro.txt")) & 07777);
  WriteWholeFile(dir.File("dos/rw.txt"), "old");
  ASSERT_EQ(0, ::chmod(dir.File("dos/rw.txt").c_str(), 0440));
  // A read-only file is still replaced, also for an ordinary user (root would write it anyway).
  EXPECT_EQ(0, corvane_test::RunWithoutFileModeOverride(
                   [&] { return zip.Unzip2File("rw.txt", dir.File("dos/rw.txt").c_str()) == 1; }));
  EXPECT_EQ("w", ReadWholeFile(dir.File("dos/rw.txt")));
  EXPECT_EQ(0440u, ModeOf(dir.File("dos/rw.txt")) & 07777);

  // An existing symbolic link at the target is replaced, never written through.
  WriteWholeFile(dir.File("victim"), "keep");
  ASSERT_EQ(0, ::symlink(dir.File("victim").c_str(), dir.File("dos/via-link").c_str()));
  EXPECT_EQ(1, zip.Unzip2File("rw.txt", dir.File("dos/via-link").c_str()));
  EXPECT_EQ("keep", ReadWholeFile(dir.File("victim")));
  EXPECT_EQ("w", ReadWholeFile(dir.File("dos/via-link")));
}

TEST_F(UnzipFileTest, DirectoriesMissingParentsAndRelativeTargets) {
  ASSERT_EQ(0, RunCommand("mkdir -p " + dir.File("sub/inner")));
  WriteWholeFile(dir.File("sub/inner/f.txt"), "inner");
  Zip("-r d.zip sub");
  char old_cwd[4096];
  ASSERT_NE(nullptr, getcwd(old_cwd, sizeof old_cwd));
  ASSERT_EQ(0, chdir(dir.path().c_str()));
  ASSERT_EQ(1, zip.Open("d.zip", nullptr, dir.path().c_str()));
  ASSERT_EQ(0, chdir("/"));
  ds::ZipEntryInfo info;
  EXPECT_TRUE(zip.GetEntryInfo("sub/inner/", info));
  EXPECT_EQ(1, zip.Unzip2File("sub/inner/", dir.File("x/y/z").c_str()));
  EXPECT_TRUE(S_ISDIR(ModeOf(dir.File("x/y/z"))));
  EXPECT_EQ(1, zip.Unzip2File("sub/inner/f.txt", dir.File("p\\q/r.txt").c_str()));
  EXPECT_EQ("inner", ReadWholeFile(dir.File("p/q/r.txt")));
  // A relative target is taken from the directory that was current at the open.
  EXPECT_EQ(1, zip.Unzip2File("sub/inner/f.txt", "rel.txt"));
  ASSERT_EQ(0, chdir(old_cwd));
  EXPECT_EQ("inner", ReadWholeFile(dir.File("rel.txt")));
}

TEST_F(UnzipFileTest, OpenBuildsPathsAndFailsCleanly) {
  std::string good = BuildZip({{"a.txt", "a"}, {"b.txt", "b"}});
  WriteWholeFile(dir.File("a.zip"), good);
  EXPECT_EQ(0, zip.Open("missing.zip", nullptr, dir.path().c_str()));
  EXPECT_EQ(0, zip.GetEntryCount());
  EXPECT_FALSE(zip.IsOpen());

  std::string backslashed = dir.path();
  for (char& c : backslashed) c = c == '/' ? '\\' : c;
  EXPECT_EQ(1, zip.Open("a.zip", nullptr, backslashed.c_str()));
  std::string work = ds::FileSystem::Instance()->GetWorkPath();
  ds::FileSystem::Instance()->SetWorkPath(dir.path().c_str());
  EXPECT_EQ(1, zip.Open("a.zip", nullptr));
  ds::FileSystem::Instance()->SetWorkPath(work.c_str());
  EXPECT_EQ(2, zip.GetEntryCount());

  // "%s/%s" must fit 260 bytes with its terminator.
  std::string fits(259 - dir.path().size() - 1, 'n'), too_long = fits + "n";
  WriteWholeFile(dir.File(fits), good);
  WriteWholeFile(dir.File(too_long), good);
  EXPECT_EQ(1, zip.Open(fits.c_str(), nullptr, dir.path().c_str()));
  EXPECT_EQ(0, zip.Open(too_long.c_str(), nullptr, dir.path().c_str()));
  EXPECT_EQ(0, zip.GetEntryCount());
  EXPECT_EQ(1, zip.OpenFile(dir.File(too_long).c_str(), nullptr));

  std::string past_end = good;  // central directory offset beyond the end of the file
  past_end[past_end.size() - 3] = '\x7f';
  WriteWholeFile(dir.File("bad.zip"), past_end);
  EXPECT_EQ(0, zip.OpenFile(dir.File("bad.zip").c_str(), nullptr));
  EXPECT_EQ(0, zip.GetEntryCount());
  WriteWholeFile(dir.File("bad.zip"), good.substr(0, good.size() / 2));
  EXPECT_EQ(0, zip.OpenFile(dir.File("bad.zip").c_str(), nullptr));

  std::string bad_local = good;  // second entry's local header offset beyond the end
  bad_local[bad_local.rfind("PK\x01\x02") + 45] = '\x7f';
  WriteWholeFile(dir.File("bad.zip"), bad_local);
  ASSERT_EQ(1, zip.OpenFile(dir.File("bad.zip").c_str(), nullptr));  // the directory is intact
  EXPECT_EQ("<failed>", ReadEntry(zip, "b.txt"));
  EXPECT_EQ(0, zip.Unzip2File("b.txt", dir.File("b.txt").c_str()));
  EXPECT_EQ("a", ReadEntry(zip, "a.txt"));
}

}  // namespace
