#include <zlib.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "core/crypto/crc32.h"
#include "core/crypto/md5.h"
#include "tests/common/temp_dir.h"

namespace {

std::string Pattern(std::size_t length) {
  std::string data(length, '\0');
  unsigned state = 12345;
  for (char& c : data) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 16);
  return data;
}

// Feeds `data` (after whatever was fed before) and renders the digest.
std::string Finish(ds::MD5& md5, const std::string& data) {
  md5.Update(reinterpret_cast<const unsigned char*>(data.data()), static_cast<unsigned>(data.size()));
  unsigned char digest[16];
  md5.Final(digest);
  char text[33];
  for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
  return text;
}

TEST(MD5Test, Rfc1321TestSuite) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) {
    ds::MD5 md5;
    EXPECT_EQ(Finish(md5, c.first), c.second) << '"' << c.first << '"';
    EXPECT_EQ(ds::MD5Hex(c.first, std::strlen(c.first)), c.second);
  }
}

// Every length across the padding boundaries (55, 56, 64 and their multiples) against md5sum.
TEST(MD5Test, MatchesMd5sumAcrossBlockBoundaries) {
  corvane_test::TempDir dir;
  for (int n = 0; n <= 200; ++n) corvane_test::WriteWholeFile(dir.File(std::to_string(n)), Pattern(n));
  ASSERT_EQ(corvane_test::RunCommand("cd '" + dir.path() + "' && md5sum [0-9]* > sums"), 0);
  std::string sums = corvane_test::ReadWholeFile(dir.File("sums"));
  int checked = 0;
  for (std::size_t pos = 0, end; (end = sums.find('\n', pos)) != std::string::npos; pos = end + 1, ++checked) {
    std::string line = sums.substr(pos, end - pos);  // "<32 hex digits>  <length>"
    std::string data = Pattern(std::stoul(line.substr(34)));
    EXPECT_EQ(ds::MD5Hex(data.data(), data.size()), line.substr(0, 32)) << "length " << data.size();
  }
  EXPECT_EQ(checked, 201);
}

TEST(MD5Test, PiecewiseUpdateAndReuseAfterFinal) {
  const std::string data = Pattern(300);
  const std::string whole = ds::MD5Hex(data.data(), data.size());
  ds::MD5 md5;  // one object for all: Final must leave it fresh every time
  for (std::size_t split = 0; split <= data.size(); ++split) {
    md5.Update(reinterpret_cast<const unsigned char*>(data.data()), static_cast<unsigned>(split));
    md5.Update(nullptr, 7);  // null adds nothing
    ASSERT_EQ(Finish(md5, data.substr(split)), whole) << "split at " << split;
  }
  EXPECT_EQ(Finish(md5, "abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(ds::MD5Hex(nullptr, 10), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(CRC32Test, CheckValueAgreementWithZlibAndNulls) {
  for (auto crc : {&ds::GetCRC32, &ds::GetCRC32_Ex, &ds::GetCRC32_ASM}) {
    EXPECT_EQ(crc("123456789", 9), 0xCBF43926u);
    for (std::size_t n : {1u, 3u, 64u, 255u, 256u, 4097u}) {
      std::string data = Pattern(n);
      EXPECT_EQ(crc(data.data(), n), crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(n)));
    }
    EXPECT_EQ(crc("abcde", 0), 0u);
    EXPECT_EQ(crc(nullptr, 5), 0u);
  }
}

}  // namespace
