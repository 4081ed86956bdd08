#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "core/crypto/crypt.h"
#include "tests/core/crypto/crypt_test_hex.h"

namespace {

using crypt_test::Bytes;
using crypt_test::MakeTool;

struct ModeInfo {
  ds::CRYPT_MODE mode;
  int unit;
  int key_length;
};

const ModeInfo kModes[] = {{ds::CRYPT_DES, 8, 8},       {ds::CRYPT_D2DES, 16, 16}, {ds::CRYPT_D3DES, 24, 24},
                           {ds::CRYPT_BLOWFISH, 8, 16}, {ds::CRYPT_GOST, 8, 32},   {ds::CRYPT_MARS, 16, 32}};

Bytes Pattern(std::size_t length, unsigned seed) {
  Bytes bytes(length);
  for (unsigned char& b : bytes) b = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 16);
  return bytes;
}

TEST(CryptFactoryTest, MakesEveryModeAndNothingElse) {
  const Bytes key = Pattern(64, 1);
  for (const ModeInfo& info : kModes) {
    auto tool = MakeTool(info.mode, key);
    ASSERT_NE(tool, nullptr) << info.mode;
    EXPECT_EQ(tool->GetCryptMode(), info.mode);
    EXPECT_EQ(tool->GetBlockSize(), info.unit) << info.mode;
  }
  for (int mode : {-1, 0, 1, 8, 100})
    EXPECT_EQ(MakeTool(static_cast<ds::CRYPT_MODE>(mode), key), nullptr) << mode;
  ds::CryptFactory::DestoryCryptTool(nullptr);
}

// Several blocks in one call: every block is enciphered (not just the first), equal plain
// blocks give equal cipher blocks (no chaining), and decryption restores the data.
TEST(CryptFactoryTest, EveryToolEnciphersEveryBlockAndRoundTrips) {
  for (const ModeInfo& info : kModes) {
    auto tool = MakeTool(info.mode, Pattern(info.key_length, 2));
    Bytes block = Pattern(info.unit, 3);
    Bytes data;
    for (int i = 0; i < 4; ++i) data.insert(data.end(), block.begin(), block.end());
    data.insert(data.end(), block.begin(), block.end() - 1);
    data.push_back(static_cast<unsigned char>(block.back() ^ 1));
    const Bytes plain = data;

    ASSERT_EQ(tool->Encrypt(data.data(), static_cast<int>(data.size())), 0) << info.mode;
    for (int i = 0; i < 5; ++i) {
      Bytes piece(data.begin() + i * info.unit, data.begin() + (i + 1) * info.unit);
      EXPECT_NE(piece, block) << "mode " << info.mode << " block " << i << " left plain";
      if (i > 0 && i < 4) {
        EXPECT_TRUE(std::equal(piece.begin(), piece.end(), data.begin())) << info.mode;
      }
    }
    EXPECT_FALSE(std::equal(data.begin(), data.begin() + info.unit, data.begin() + 4 * info.unit))
        << info.mode;

    ASSERT_EQ(tool->Decrypt(data.data(), static_cast<int>(data.size())), 0);
    EXPECT_EQ(data, plain) << info.mode;
    EXPECT_EQ(tool->Encrypt(data.data(), 0), 0);
    EXPECT_EQ(tool->Encrypt(nullptr, 0), 0);
  }
}

TEST(CryptFactoryTest, WrongLengthsAreRejectedAndDataLeftAlone) {
  for (const ModeInfo& info : kModes) {
    auto tool = MakeTool(info.mode, Pattern(info.key_length, 4));
    for (int length : {info.unit - 1, info.unit + 1, info.unit + 4, 2 * info.unit - 2, 12, 4, -info.unit}) {
      if (length % info.unit == 0 && length >= 0) continue;
      Bytes data = Pattern(64, 5);
      const Bytes before = data;
      EXPECT_EQ(tool->Encrypt(data.data(), length), -1) << info.mode << " length " << length;
      EXPECT_EQ(tool->Decrypt(data.data(), length), -1) << info.mode << " length " << length;
      EXPECT_EQ(data, before);
    }
    EXPECT_EQ(tool->Encrypt(nullptr, info.unit), -1);
    EXPECT_EQ(tool->Decrypt(nullptr, info.unit), -1);
  }
}

// Each tool holds its own key copy: changing the caller's buffer afterwards changes nothing. A
// null key is an empty key, whatever length comes with it.
TEST(CryptFactoryTest, ToolsKeepTheirOwnKeyCopy) {
  for (const ModeInfo& info : kModes) {
    Bytes key = Pattern(info.key_length, 6);
    auto tool = MakeTool(info.mode, key);
    auto twin = MakeTool(info.mode, key);
    std::memset(key.data(), 0xAA, key.size());
    Bytes a = Pattern(info.unit, 7), b = a;
    tool->Encrypt(a.data(), info.unit);
    twin->Encrypt(b.data(), info.unit);
    EXPECT_EQ(a, b) << info.mode;

    crypt_test::Tool null_key(ds::CryptFactory::CreateCryptTool(info.mode, nullptr, info.key_length));
    crypt_test::Tool empty_key(ds::CryptFactory::CreateCryptTool(info.mode, key.data(), 0));
    Bytes c = Pattern(info.unit, 8), d = c;
    ASSERT_EQ(null_key->Encrypt(c.data(), info.unit), 0);
    ASSERT_EQ(empty_key->Encrypt(d.data(), info.unit), 0);
    EXPECT_EQ(c, d) << info.mode;
  }
}

TEST(CryptFactoryTest, RandomKeysNeverHoldFF) {
  std::vector<unsigned char> buffer(100000, 0xFF);
  ds::CryptFactory::GenerateRandomKey(buffer.data(), static_cast<int>(buffer.size()));
  std::set<unsigned char> seen(buffer.begin(), buffer.end());
  EXPECT_EQ(seen.count(0xFF), 0u);
  EXPECT_EQ(seen.size(), 255u);  // every value 0..254 turns up in this many draws
  ds::CryptFactory::GenerateRandomKey(nullptr, 16);
}

}  // namespace
