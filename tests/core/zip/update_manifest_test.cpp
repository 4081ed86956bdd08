#include <string>

#include <gtest/gtest.h>

#include "core/crypto/md5.h"
#include "core/zip/packet_checksum.h"
#include "core/text/text_codec.h"
#include "core/zip/update_manifest.h"
#include "tests/common/temp_dir.h"

namespace {

using corvane_test::TempDir;
using corvane_test::WriteWholeFile;

std::string FileChecksum(const TempDir& dir, const std::string& bytes) {
  WriteWholeFile(dir.File("s1.pkg"), bytes);
  std::string checksum;
  EXPECT_EQ(1, ds::PacketChecksumOfFile(dir.File("s1.pkg").c_str(), checksum));
  EXPECT_EQ(ds::PacketChecksumOfBytes(bytes), checksum) << bytes.size();
  return checksum;
}

std::string Md5Of(const std::string& text) { return ds::MD5Hex(text.data(), text.size()); }

TEST(PacketChecksumTest, ChunkDigestsIncludingTheEmptyLastRead) {
  TempDir dir;
  EXPECT_EQ("ec0405c5aef93e771cd80e0db180b88b", FileChecksum(dir, "abc"));
  EXPECT_EQ("74be16979710d4c4e7c6647856088456", FileChecksum(dir, ""));

  std::string data(1025, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + 3);
  const std::string empty = "d41d8cd98f00b204e9800998ecf8427e";
  const std::string first = Md5Of(data.substr(0, 512));
  // 512 bytes: the full chunk, then the empty read that meets the end; 513: no empty read.
  EXPECT_EQ(Md5Of(first + empty), FileChecksum(dir, data.substr(0, 512)));
  EXPECT_EQ(Md5Of(first + Md5Of(data.substr(512, 1))), FileChecksum(dir, data.substr(0, 513)));
  EXPECT_EQ(Md5Of(first + Md5Of(data.substr(512, 512)) + empty), FileChecksum(dir, data.substr(0, 1024)));
  FileChecksum(dir, data);  // file and memory agree past the boundaries too
}

TEST(PacketChecksumTest, VerificationIsExactAndFailsClosed) {
  TempDir dir;
  const std::string path = dir.File("s3.pkg");
  WriteWholeFile(path, "abc");
  EXPECT_EQ(1, ds::VerifyPacketFile(path.c_str(), "ec0405c5aef93e771cd80e0db180b88b"));
  EXPECT_EQ(0, ds::VerifyPacketFile(path.c_str(), "EC0405C5AEF93E771CD80E0DB180B88B"));
  EXPECT_EQ(0, ds::VerifyPacketFile(path.c_str(), "ec0405c5aef93e771cd80e0db180b88"));
  EXPECT_EQ(0, ds::VerifyPacketFile(path.c_str(), ""));
  // A missing file, and a folder (it opens but cannot be read), never verify.
  const char* empty_checksum = "74be16979710d4c4e7c6647856088456";
  std::string checksum = "stale";
  EXPECT_EQ(0, ds::PacketChecksumOfFile(dir.File("s4.pkg").c_str(), checksum));
  EXPECT_TRUE(checksum.empty());
  EXPECT_EQ(0, ds::VerifyPacketFile(dir.File("s4.pkg").c_str(), empty_checksum));
  EXPECT_EQ(0, ds::VerifyPacketFile(dir.path().c_str(), empty_checksum));
  EXPECT_EQ("s7.pkg", ds::PacketFileName(7));
}

TEST(UpdateManifestTest, EntriesInDocumentOrderFirstMatchWins) {
  ds::UpdateManifest manifest;
  ASSERT_EQ(1, manifest.Parse("<root><string name=\"12\" value=\"aaaa\"/><other name=\"99\" value=\"x\"/>"
                              "<string name=\"15\" value=\"bbbb\" extra=\"x\"/><string name=\"12\" value=\"cccc\"/>"
                              "<string value=\"no-number\"/><string name=\"16\"/><string name=\"x7\" value=\"d\"/>"
                              "<group><string name=\"20\" value=\"nested\"/></group></root>"));
  ASSERT_EQ(6u, manifest.Entries().size());
  EXPECT_EQ(15, manifest.Entries()[1].number);
  EXPECT_EQ(0, manifest.Entries()[5].number);  // "x7" is not numeric
  EXPECT_EQ("aaaa", manifest.ChecksumOf(12));   // the first of the duplicates
  EXPECT_EQ("bbbb", manifest.ChecksumOf(15));
  EXPECT_EQ("", manifest.ChecksumOf(16));  // no value
  EXPECT_EQ("", manifest.ChecksumOf(20));  // nested elements are not entries
  EXPECT_EQ("no-number", manifest.ChecksumOf(0));
  EXPECT_EQ(12, manifest.LatestVersion());  // the first entry, though a later one is higher

  // Unreadable documents leave nothing behind.
  TempDir dir;
  EXPECT_EQ(0, manifest.Load(dir.File("Update.xml").c_str()));
  EXPECT_TRUE(manifest.Entries().empty());
  EXPECT_EQ(0, manifest.LatestVersion());
  EXPECT_EQ(0, manifest.Parse("<r><string name=\"3\""));
  EXPECT_EQ(0, manifest.Parse("<!-- no root -->"));
  EXPECT_EQ(1, manifest.Parse("<r/>"));
  EXPECT_EQ(0, manifest.LatestVersion());
}

TEST(UpdateManifestTest, LoadsGbkDocumentFoundIgnoringCase) {
  TempDir dir;
  WriteWholeFile(dir.File("update.XML"), ds::Utf8ToGbk("<?xml version=\"1.0\" encoding=\"gb2312\"?>"
                                                       "<更新><string name=\"14\" value=\"abc\"/></更新>"));
  const std::string path = ds::UpdateManifestPath(dir.path());
  EXPECT_EQ(dir.File("update.XML"), path);
  ds::UpdateManifest manifest;
  ASSERT_EQ(1, manifest.Load(path.c_str()));
  EXPECT_EQ(14, manifest.LatestVersion());
  EXPECT_EQ("abc", manifest.ChecksumOf(14));
}

}  // namespace
