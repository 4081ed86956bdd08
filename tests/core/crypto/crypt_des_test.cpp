#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/crypto/des_tool.h"
#include "tests/core/crypto/crypt_test_hex.h"

namespace {

using crypt_test::Bytes;
using crypt_test::Cipher;
using crypt_test::FromHex;
using crypt_test::ToHex;

TEST(DesToolTest, PublishedVectors) {
  // FIPS 81 electronic-codebook example: "Now is the time for all " under 0123456789ABCDEF.
  EXPECT_EQ(Cipher(ds::CRYPT_DES, "0123456789ABCDEF", "4E6F772069732074", true), "3FA40E8A984D4815");
  EXPECT_EQ(
      Cipher(ds::CRYPT_DES, "0123456789ABCDEF", "4E6F77206973207468652074696D6520666F7220616C6C20", true),
      "3FA40E8A984D48156A271787AB8883F9893D51EC4B563B53");
  EXPECT_EQ(
      Cipher(ds::CRYPT_DES, "0123456789ABCDEF", "3FA40E8A984D48156A271787AB8883F9893D51EC4B563B53", false),
      "4E6F77206973207468652074696D6520666F7220616C6C20");
  EXPECT_EQ(Cipher(ds::CRYPT_DES, "133457799BBCDFF1", "0123456789ABCDEF", true), "85E813540F0AB405");
  EXPECT_EQ(Cipher(ds::CRYPT_DES, "0E329232EA6D0D73", "8787878787878787", true), "0000000000000000");
}

// Rivest's iterated test: X(i+1) is X(i) enciphered (i even) or deciphered (i odd) under the key
// X(i). Sixteen steps reach most S-box entries, in both directions.
TEST(DesToolTest, RivestIteratedTest) {
  Bytes x = FromHex("9474B8E8C73BCA7D");
  for (int i = 0; i < 16; ++i) {
    ds::DesTool tool(x.data(), 8);
    ASSERT_EQ(i % 2 == 0 ? tool.Encrypt(x.data(), 8) : tool.Decrypt(x.data(), 8), 0);
  }
  EXPECT_EQ(ToHex(x), "1B1A2DDB4C642438");
}

// Triple DES on double and triple blocks: three single-DES stages on each 8-byte half, with the
// word exchange after the first and the second stage, rebuilt here from single DES.
TEST(DesToolTest, TripleBlocksMatchStagedSingleDes) {
  const Bytes key = FromHex("0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123");
  const Bytes plain = FromHex("00112233445566778899AABBCCDDEEFF0F1E2D3C4B5A6978");
  auto des_step = [](const Bytes& k, std::size_t offset, bool encrypt, Bytes* data) {
    ds::DesTool tool(k.data() + offset, 8);
    for (std::size_t half = 0; half < data->size(); half += 8)
      ASSERT_EQ(encrypt ? tool.Encrypt(data->data() + half, 8) : tool.Decrypt(data->data() + half, 8), 0);
  };
  auto swap_words = [](Bytes* data, int a, int b) {
    for (int i = 0; i < 4; ++i) std::swap((*data)[4 * a + i], (*data)[4 * b + i]);
  };

  // Double block: E(K1), A1 <-> B0, D(K2), A1 <-> B0, E(K1).
  Bytes expected(plain.begin(), plain.begin() + 16);
  des_step(key, 0, true, &expected);
  swap_words(&expected, 1, 2);
  des_step(key, 8, false, &expected);
  swap_words(&expected, 1, 2);
  des_step(key, 0, true, &expected);
  EXPECT_EQ(Cipher(ds::CRYPT_D2DES, ToHex(key).substr(0, 32), ToHex(plain).substr(0, 32), true),
            ToHex(expected));

  // Triple block: words (A0 A1 B0 B1 C0 C1) become (A0 B0 A1 C0 B1 C1) between stages.
  auto rotate = [&](Bytes* data) {
    swap_words(data, 1, 2);  // A0 B0 A1 B1 C0 C1
    swap_words(data, 3, 4);  // A0 B0 A1 C0 B1 C1
  };
  expected = plain;
  des_step(key, 0, true, &expected);
  rotate(&expected);
  des_step(key, 8, false, &expected);
  rotate(&expected);
  des_step(key, 16, true, &expected);
  EXPECT_EQ(Cipher(ds::CRYPT_D3DES, ToHex(key), ToHex(plain), true), ToHex(expected));
  EXPECT_EQ(Cipher(ds::CRYPT_D3DES, ToHex(key), ToHex(expected), false), ToHex(plain));
}

// Two DES tools on two threads at once, one enciphering and one deciphering with different keys,
// must give exactly what they give alone: no key schedule may be shared between calls.
TEST(DesToolTest, ToolsOnTwoThreadsGiveTheirOwnResults) {
  Bytes data(4096);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 31 + 7);
  const Bytes key_a = FromHex("0123456789ABCDEF"), key_b = FromHex("FEDCBA9876543210");
  ds::DesTool first(key_a.data(), 8), second(key_b.data(), 8);
  Bytes expected_a = data, expected_b = data;
  ASSERT_EQ(first.Encrypt(expected_a.data(), 4096), 0);
  ASSERT_EQ(second.Decrypt(expected_b.data(), 4096), 0);

  int failures_a = 0, failures_b = 0;
  auto worker = [&data](ds::ICrypt* tool, bool encrypt, const Bytes* expected, int* failures) {
    for (int round = 0; round < 100; ++round) {
      Bytes work = data;
      int result = encrypt ? tool->Encrypt(work.data(), 4096) : tool->Decrypt(work.data(), 4096);
      if (result != 0 || work != *expected) ++*failures;
    }
  };
  std::thread a(worker, &first, true, &expected_a, &failures_a);
  std::thread b(worker, &second, false, &expected_b, &failures_b);
  a.join();
  b.join();
  EXPECT_EQ(failures_a, 0);
  EXPECT_EQ(failures_b, 0);
}

}  // namespace
