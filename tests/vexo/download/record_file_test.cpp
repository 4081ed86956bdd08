// The ".rd2" record pair: byte layout, creation, validation on resume, deletion and the block
// writer's in-place updates.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/temp_dir.h"
#include "vexo/download/http_downloader4.h"
#include "vexo/download/record_file.h"

using corvane_test::ReadWholeFile;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;

namespace {

std::int64_t Int64At(const std::string& bytes, std::size_t offset) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return static_cast<std::int64_t>(value);
}

// A record as a writer would leave it: header plus the given blocks.
std::string RecordBytes(std::int64_t length, std::int64_t count, const std::vector<BlockHeader4>& blocks,
                        const char* url = "http://host/file.exe") {
  RecordFileHeader4 header;
  header.fileLength = length;
  header.blockCount = count;
  SetRecordUrl(&header, url);
  std::string bytes = EncodeRecordHeader4(header);
  for (const BlockHeader4& block : blocks) bytes += EncodeBlockHeader4(block);
  return bytes;
}

bool Exists(const std::string& path) { return corvane_test::RunCommand("test -e '" + path + "'") == 0; }

}  // namespace

TEST(RecordFile, LayoutGivesTheRemainderToTheLastBlock) {
  std::vector<BlockHeader4> even = MakeBlockLayout(1000, 10);
  ASSERT_EQ(even.size(), 10u);
  for (const BlockHeader4& block : even) EXPECT_EQ(block.blockSize, 100);

  std::vector<BlockHeader4> odd = MakeBlockLayout(1005, 10);
  ASSERT_EQ(odd.size(), 10u);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(odd[i].blockSize, 100) << i;
  EXPECT_EQ(odd[9].blockSize, 105);
  EXPECT_EQ(BlockStart(1005, 10, 9), 900);
  // More blocks than bytes: all but the last are empty, nothing is lost.
  std::vector<BlockHeader4> tiny = MakeBlockLayout(3, 5);
  EXPECT_EQ(tiny[4].blockSize, 3);
  EXPECT_TRUE(MakeBlockLayout(100, 0).empty());
}

TEST(RecordFile, CreatedPairIsLittleEndianWithCutUrlAndResumable) {
  TempDir dir;
  const std::string target = dir.File("setup.exe");
  const std::string longUrl = "http://example.test/" + std::string(280, 'a');
  ASSERT_EQ(CreateRecordPair(longUrl.c_str(), target, 10), 1);

  std::string record = ReadWholeFile(target + ".rd2");
  ASSERT_EQ(record.size(), 280u + 16u * 10u);
  EXPECT_EQ(Int64At(record, 0), 0);
  EXPECT_EQ(Int64At(record, 8), 10);
  EXPECT_EQ(std::string(record.c_str() + 16), longUrl.substr(0, 259));
  EXPECT_EQ(record[16 + 259], '\0');
  EXPECT_EQ(record.substr(280), std::string(160, '\0'));
  EXPECT_EQ(ReadWholeFile(target + ".tmp"), "");

  RecordFileHeader4 header;
  header.fileLength = 0x0102030405060708;
  std::string encoded = EncodeRecordHeader4(header);
  EXPECT_EQ(encoded[0], '\x08');
  EXPECT_EQ(encoded[7], '\x01');

  // A pair whose transfer never started is valid and is adopted with the record's URL.
  HttpDownloader4 downloader;
  ASSERT_EQ(downloader.ReadTempFile(target.c_str()), 1);
  EXPECT_EQ(downloader.GetUrl(), longUrl.substr(0, 259));
  EXPECT_EQ(downloader.GetFileLength(), 0);
  EXPECT_EQ(downloader.GetSaveFolder(), dir.path());
  EXPECT_EQ(downloader.GetBlocks().size(), 10u);
}

TEST(RecordFile, BrokenPairsAreDeletedOnResume) {
  TempDir dir;
  const std::string target = dir.File("app.msi");
  const std::vector<BlockHeader4> blocks = {{10, 50}, {0, 50}};
  struct Case {
    const char* what;
    std::string record;
    std::size_t dataLength;
  } cases[] = {
      {"header shorter than 280 bytes", RecordBytes(100, 2, blocks).substr(0, 279), 100},
      {"fewer block records than counted", RecordBytes(100, 3, blocks), 100},
      {"block count with high bits set", RecordBytes(100, (std::int64_t{1} << 32) | 2, blocks), 100},
      {"negative block count", RecordBytes(100, -1, blocks), 100},
      {"data file one byte short", RecordBytes(100, 2, blocks), 99},
      {"data file one byte long", RecordBytes(100, 2, blocks), 101},
      {"count beyond its block", RecordBytes(100, 2, {{51, 50}, {0, 50}}), 100},
      {"negative count", RecordBytes(100, 2, {{-1, 50}, {0, 50}}), 100},
      {"counts without a length", RecordBytes(0, 2, {{5, 0}, {0, 0}}), 0},
  };
  for (const Case& c : cases) {
    WriteWholeFile(target + ".rd2", c.record);
    WriteWholeFile(target + ".tmp", std::string(c.dataLength, 'x'));
    HttpDownloader4 downloader;
    EXPECT_EQ(downloader.ReadTempFile(target.c_str()), 0) << c.what;
    EXPECT_FALSE(Exists(target + ".rd2")) << c.what;
    EXPECT_FALSE(Exists(target + ".tmp")) << c.what;
  }

  // The same pair with matching lengths is adopted, extra bytes after the records ignored.
  WriteWholeFile(target + ".rd2", RecordBytes(100, 2, blocks) + "trailing");
  WriteWholeFile(target + ".tmp", std::string(100, 'x'));
  HttpDownloader4 downloader;
  ASSERT_EQ(downloader.ReadTempFile(target.c_str()), 1);
  EXPECT_EQ(downloader.GetFileLength(), 100);
  EXPECT_EQ(downloader.GetCompletedSize(), 10);
  // No record at all: nothing to adopt.
  EXPECT_EQ(downloader.ReadTempFile(dir.File("missing.exe").c_str()), 0);
}

TEST(RecordFile, CheckAndDeleteTemp) {
  TempDir dir;
  const std::string target = dir.File("Setup.exe");
  HttpDownloader4 downloader;
  ASSERT_EQ(downloader.CreateTemp("http://host/Setup.exe", target.c_str()), 1);
  EXPECT_EQ(downloader.CheckTemp((target + ".rd2").c_str()), 1);
  EXPECT_EQ(downloader.CheckTemp((dir.File("setup.exe") + ".rd2").c_str()), 0);

  ASSERT_EQ(std::remove((target + ".rd2").c_str()), 0);
  EXPECT_EQ(downloader.DeleteTemp(), 0);
  EXPECT_TRUE(Exists(target + ".tmp"));  // stops at the first failed deletion

  ASSERT_EQ(downloader.CreateTemp("http://host/Setup.exe", target.c_str()), 1);
  EXPECT_EQ(downloader.DeleteTemp(), 1);
  EXPECT_FALSE(Exists(target + ".rd2"));
  EXPECT_FALSE(Exists(target + ".tmp"));

  // Names that would not fit 259 characters once ".rd2" is added are refused.
  const std::string tooLong = dir.path() + "/" + std::string(259 - dir.path().size() - 2, 'n');
  EXPECT_EQ(downloader.CreateTemp("http://host/x", tooLong.c_str()), 0);
}

// Split blocks follow the base records; a reader that stops after the base records (a build
// without splitting) still sees a record it can resume, and stale or overlapping split blocks
// are refused.
TEST(RecordFile, SplitBlocksFollowTheBaseRecordsAndMustCoverTheFileOnce) {
  TempDir dir;
  const std::string target = dir.File("s.exe");
  ASSERT_EQ(CreateRecordPair("http://host/s.exe", target, 2), 1);
  // Two base blocks of 100; block 1 was split at 150 and its second half holds 20 bytes.
  std::vector<BlockHeader4> blocks = {{100, 100, 0}, {30, 50, 100}, {20, 50, 150}};
  ASSERT_EQ(WriteRecordLayout(RecordPathOf(target), "http://host/s.exe", 200, blocks, 2), 1);
  BlockFiles files;
  ASSERT_TRUE(files.Open(RecordPathOf(target), DataPathOf(target)));
  ASSERT_TRUE(files.WriteCompletedAt(CompletedCountOffset(2, 2), 25));
  files.Close();

  RecordFileHeader4 header;
  std::vector<BlockHeader4> read;
  ASSERT_EQ(ReadRecordFile(RecordPathOf(target), &header, &read), 1);
  EXPECT_EQ(header.blockCount, 2);
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[2].start, 150);
  EXPECT_EQ(read[2].completedSize, 25);
  EXPECT_EQ(read[1].blockSize, 50);
  EXPECT_TRUE(BlocksFitLength(header, read));

  // What a build without splitting reads: the header and its two block records.
  const std::string bytes = ReadWholeFile(RecordPathOf(target));
  std::vector<BlockHeader4> base(read.begin(), read.begin() + 2);
  EXPECT_TRUE(BlocksFitLength(header, base));
  EXPECT_EQ(Int64At(bytes, kRecordHeader4Size + kBlockHeader4Size), 30);

  // Such a build rewrites the base blocks at full length without cutting the file: the stale
  // split block now overlaps its base block, and the record is refused rather than mixed.
  std::vector<BlockHeader4> relaid = {{0, 100, 0}, {0, 100, 100}};
  std::string old = RecordBytes(200, 2, relaid);
  WriteWholeFile(RecordPathOf(target), old + bytes.substr(old.size()));
  ASSERT_EQ(ReadRecordFile(RecordPathOf(target), &header, &read), 1);
  EXPECT_EQ(read.size(), 3u);
  EXPECT_FALSE(BlocksFitLength(header, read));

  // A layout without split blocks cuts the extension off.
  ASSERT_EQ(WriteRecordLayout(RecordPathOf(target), "http://host/s.exe", 200, relaid), 1);
  EXPECT_EQ(ReadWholeFile(RecordPathOf(target)).size(), static_cast<std::size_t>(kRecordHeader4Size + 2 * kBlockHeader4Size));
}
