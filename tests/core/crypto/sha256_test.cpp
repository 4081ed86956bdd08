// SHA-256 against the published test vectors, fed whole and in uneven pieces, and of a file.
#include "core/crypto/sha256.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/common/temp_dir.h"

namespace {

TEST(Sha256Test, PublishedVectorsWholeInPiecesAndFromAFile) {
  EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", ds::Sha256Hex("", 0));
  EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", ds::Sha256Hex("abc", 3));
  // 56 bytes: the length no longer fits the first block's padding.
  const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1", ds::Sha256Hex(two.data(), two.size()));

  const std::string million(1000000, 'a');
  ds::Sha256 digest;
  for (std::size_t at = 0; at < million.size();) {
    const std::size_t piece = std::min<std::size_t>(million.size() - at, 1 + at % 97);
    digest.Update(million.data() + at, piece);
    at += piece;
  }
  unsigned char out[32];
  digest.Final(out);
  EXPECT_EQ(0xcd, out[0]);
  EXPECT_EQ(0xd0, out[31]);  // cdc76e5c...046d39ccc7112cd0

  corvane_test::TempDir dir;
  std::ofstream(dir.File("a.bin"), std::ios::binary) << million;
  EXPECT_EQ("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0", ds::Sha256FileHex(dir.File("a.bin")));
  EXPECT_EQ("", ds::Sha256FileHex(dir.File("missing.bin")));
}

}  // namespace
