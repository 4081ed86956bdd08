#include <gtest/gtest.h>

#include <string>

#include "core/crypto/gost_tool.h"
#include "core/crypto/mars_tool.h"
#include "tests/core/crypto/crypt_test_hex.h"

namespace {

using crypt_test::Bytes;
using crypt_test::Cipher;
using crypt_test::FromHex;
using crypt_test::ToHex;

const char kMagmaKey[] = "FFEEDDCCBBAA99887766554433221100F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF";

// RFC 8891 (GOST R 34.12-2015 "Magma") block example, and the electronic-codebook example of
// GOST R 34.13-2015 under the same key, four blocks in one call.
TEST(GostToolTest, MagmaVectors) {
  EXPECT_EQ(Cipher(ds::CRYPT_GOST, kMagmaKey, "FEDCBA9876543210", true), "4EE901E5C2D8CA3D");
  EXPECT_EQ(Cipher(ds::CRYPT_GOST, kMagmaKey, "4EE901E5C2D8CA3D", false), "FEDCBA9876543210");

  const std::string plain = "92DEF06B3C130A59DB54C704F8189D204A98FB2E67A8024C8912409B17B57E41";
  const std::string cipher = "2B073F0494F372A0DE70E715D3556E4811D8D9E9EACFBC1E7C68260996C67EFB";
  EXPECT_EQ(Cipher(ds::CRYPT_GOST, kMagmaKey, plain, true), cipher);
  EXPECT_EQ(Cipher(ds::CRYPT_GOST, kMagmaKey, cipher, false), plain);
}

// Only the first 32 key bytes are subkeys; a short key is zero-padded.
TEST(GostToolTest, KeyBeyondSubkeysIsIgnoredAndShortKeysArePadded) {
  const std::string key = std::string(kMagmaKey) + "0102030405060708";
  EXPECT_EQ(Cipher(ds::CRYPT_GOST, key, "FEDCBA9876543210", true), "4EE901E5C2D8CA3D");
  EXPECT_EQ(Cipher(ds::CRYPT_GOST, "FFEEDDCC", "FEDCBA9876543210", true),
            Cipher(ds::CRYPT_GOST, "FFEEDDCC" + std::string(56, '0'), "FEDCBA9876543210", true));
}

// Vectors of MARS are published for its little-endian words; here every word of key, plain and
// cipher text is written with its bytes reversed.
std::string ReverseWords(const std::string& hex) {
  std::string out;
  for (std::size_t word = 0; word < hex.size(); word += 8)
    for (int byte = 3; byte >= 0; --byte) out += hex.substr(word + 2 * byte, 2);
  return out;
}

TEST(MarsToolTest, SubmissionVectorsFor128192And256BitKeys) {
  const char* vectors[][3] = {
      {"00000000000000000000000000000000", "00000000000000000000000000000000",
       "DCC07B8DFB0738D6E30A22DFCF27E886"},
      {"00000000000000000000000000000000", "DCC07B8DFB0738D6E30A22DFCF27E886",
       "33CAFFBDDC7F1DDA0F9C15FA2F30E2FF"},
      {"CB14A1776ABBC1CDAFE7243DEF2CEA02", "F94512A9B42D034EC4792204D708A69B",
       "225DA2CB64B73F79069F21A5E3CB8522"},
      {"86EDF4DA31824CABEF6A4637C40B0BAB", "4DF955AD5B398D66408D620A2B27E1A9",
       "A4B737340AE6D2CAFD930BA97D86129F"},
      {"D158860838874D9500000000000000000000000000000000", "93A953A82C10411DD158860838874D95",
       "4FA0E5F64893131712F01408D233E9F7"},
      {"791739A58B04581A93A953A82C10411DD158860838874D95", "6761C42D3E6142D2A84FBFADB383158F",
       "F706BC0FD97E28B6F1AF4E17D8755FFF"},
      {"FBA167983E7AEF22317CE28C02AAE1A3E8E5CC3CEDBEA82A99DBC39AD65E7227", "1344ABA4D3C44708A8A72116D4F49384",
       "458335D95EA42A9F4DCCD41AECC2390D"},
  };
  for (const auto& v : vectors) {
    std::string key = ReverseWords(v[0]), plain = ReverseWords(v[1]), cipher = ReverseWords(v[2]);
    EXPECT_EQ(Cipher(ds::CRYPT_MARS, key, plain, true), cipher) << "key " << v[0];
    EXPECT_EQ(Cipher(ds::CRYPT_MARS, key, cipher, false), plain) << "key " << v[0];
  }
}

// The key length chooses the expansion: zero bytes appended to a key change the cipher, a key
// shorter than 16 bytes is the same as its zero-padded 16 bytes, and bytes past 56 are dropped.
TEST(MarsToolTest, KeyLengthSelectsExpansion) {
  const std::string plain = "00112233445566778899AABBCCDDEEFF";
  const std::string key16 = "0123456789ABCDEF0123456789ABCDEF";
  EXPECT_NE(Cipher(ds::CRYPT_MARS, key16, plain, true),
            Cipher(ds::CRYPT_MARS, key16 + "00000000", plain, true));
  EXPECT_EQ(Cipher(ds::CRYPT_MARS, "01234567", plain, true),
            Cipher(ds::CRYPT_MARS, "01234567" + std::string(24, '0'), plain, true));
  // A partial word counts as a whole one: 17 bytes expand like 20.
  EXPECT_EQ(Cipher(ds::CRYPT_MARS, key16 + "AB", plain, true),
            Cipher(ds::CRYPT_MARS, key16 + "AB000000", plain, true));
  std::string key56;
  for (int i = 0; i < 56; ++i) key56 += ToHex({static_cast<unsigned char>(i * 13 + 5)});
  EXPECT_EQ(Cipher(ds::CRYPT_MARS, key56 + "FFFFFFFF", plain, true),
            Cipher(ds::CRYPT_MARS, key56, plain, true));
}

}  // namespace
