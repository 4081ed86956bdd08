// The ".rd" record of the socket downloader: byte layout, creation and in-place updates. (Which
// pairs a resume refuses is covered with the downloader.)
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "tests/common/temp_dir.h"
#include "vexo/download/rd_record.h"

using corvane_test::ReadWholeFile;
using corvane_test::TempDir;
using corvane_test::WriteWholeFile;

TEST(RdRecord, LayoutIsLittleEndianWithTheUrlCutTo259Characters) {
  RecordFileHeader header;
  header.completedSize = 0x01020304;
  header.fileLength = 0xA0B0C0D0;
  SetRdRecordUrl(&header, std::string(300, 'u').c_str());
  std::string bytes = EncodeRecordHeader(header);
  ASSERT_EQ(bytes.size(), 268u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("\x04\x03\x02\x01\xD0\xC0\xB0\xA0", 8));
  EXPECT_EQ(bytes.substr(8, 259), std::string(259, 'u'));
  EXPECT_EQ(bytes[267], '\0');
  RecordFileHeader back = DecodeRecordHeader(reinterpret_cast<const unsigned char*>(bytes.data()));
  EXPECT_EQ(back.completedSize, 0x01020304u);
  EXPECT_EQ(back.fileLength, 0xA0B0C0D0u);
  EXPECT_EQ(std::string(back.url), std::string(259, 'u'));
}

TEST(RdRecord, CreatedPairIsValidAndTheWriterUpdatesItInPlace) {
  TempDir dir;
  std::string target = dir.File("setup.exe");
  WriteWholeFile(target + ".tmp", "old data");
  WriteWholeFile(target + ".rd", std::string(400, 'x'));
  ASSERT_EQ(CreateRdRecordPair("http://h/setup.exe", target), 1);
  std::string expected_record = std::string(8, '\0') + "http://h/setup.exe" + std::string(242, '\0');
  EXPECT_TRUE(ReadWholeFile(target + ".rd") == expected_record);
  EXPECT_EQ(ReadWholeFile(target + ".tmp"), "");
  RecordFileHeader header;
  ASSERT_EQ(ReadRdRecordFile(target + ".rd", &header), 1);
  EXPECT_EQ(CheckRdDataFile(target + ".tmp", header.fileLength), 1);
  EXPECT_EQ(CreateRdRecordPair("http://h/x", dir.File("missing/x")), 0);

  RdFiles files;
  ASSERT_EQ(files.OpenRecord(target + ".rd"), 1);
  ASSERT_EQ(files.OpenData(target + ".tmp"), 1);
  ASSERT_EQ(files.WriteCounters(0, 10), 1);
  ASSERT_EQ(files.SetDataLength(10), 1);
  ASSERT_EQ(files.WriteData(4, "abc", 3), 1);
  ASSERT_EQ(files.WriteCompleted(7), 1);
  ASSERT_EQ(files.Close(), 1);
  expected_record.replace(0, 8, std::string("\x07\0\0\0\x0A\0\0\0", 8));
  EXPECT_TRUE(ReadWholeFile(target + ".rd") == expected_record);  // the URL is untouched
  EXPECT_EQ(ReadWholeFile(target + ".tmp"), std::string("\0\0\0\0abc\0\0\0", 10));
  EXPECT_EQ(CheckRdDataFile(target + ".tmp", 9), 0);
  EXPECT_EQ(files.WriteCompleted(8), 0);  // closed
  EXPECT_EQ(files.OpenRecord(dir.File("absent.rd")), 0);  // opening never creates
  EXPECT_EQ(files.OpenData(dir.File("absent.tmp")), 0);
}
