#include "core/net/account_wire.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text/text_codec.h"

namespace {

std::string Header(std::uint32_t length, std::uint32_t id) {
  std::string out(8, '\0');
  for (int i = 0; i < 4; ++i) {
    out[i] = static_cast<char>(length >> (8 * i));
    out[4 + i] = static_cast<char>(id >> (8 * i));
  }
  return out;
}

TEST(AccountWireTest, FramingRefusesBadLengthsAndWaitsForWholeMessages) {
  ds::FrameHeader h;
  EXPECT_EQ(ds::PeekFrame(Header(7, 183), &h), ds::FrameStatus::kBad);
  EXPECT_EQ(ds::PeekFrame(Header(8193, 183), &h), ds::FrameStatus::kBad);
  EXPECT_EQ(ds::PeekFrame(Header(8, 5).substr(0, 7), &h), ds::FrameStatus::kNeedMore);
  EXPECT_EQ(ds::PeekFrame(Header(8192, 187) + std::string(100, 'x'), &h), ds::FrameStatus::kNeedMore);
  std::string two = Header(12, 189) + "abcd" + Header(8, 1);
  ASSERT_EQ(ds::PeekFrame(two, &h), ds::FrameStatus::kComplete);
  EXPECT_EQ(h.length, 12u);
  EXPECT_EQ(h.id, 189u);
  std::string out;
  EXPECT_FALSE(ds::EncodeFrame(7, std::string(8185, 'x'), &out));
  ASSERT_TRUE(ds::EncodeFrame(7, std::string(8184, 'x'), &out));
  EXPECT_EQ(out.size(), 8192u);
}

TEST(AccountWireTest, LoginRequestLayoutAndAccountLimitInGbkBytes) {
  std::string digest = ds::PasswordDigest("secret");
  EXPECT_EQ(digest, "5ebe2294ecd0e0f08eab7690d2a6ee69");
  std::string ten = "一二三四五六七八九十";  // 20 GBK bytes, 30 UTF-8 bytes
  std::string msg;
  ASSERT_TRUE(ds::EncodeLoginRequest({ten, digest}, &msg));
  ASSERT_EQ(msg.size(), 64u);
  EXPECT_EQ(msg.substr(0, 8), Header(64, 183));
  EXPECT_EQ(msg.substr(8, 20), ds::Utf8ToGbk(ten));
  EXPECT_EQ(msg[28], '\0');
  EXPECT_EQ(msg.substr(29, 33), digest + std::string(1, '\0'));
  EXPECT_FALSE(ds::EncodeLoginRequest({ten + "a", digest}, &msg));
  EXPECT_FALSE(ds::EncodeLoginRequest({std::string(21, 'a'), digest}, &msg));

  ASSERT_TRUE(ds::EncodeLoginRequest({std::string(20, 'a'), "5EBE2294ECD0E0F08EAB7690D2A6EE69"}, &msg));
  ds::LoginRequest back;
  ASSERT_TRUE(ds::DecodeLoginRequest(msg, &back));
  EXPECT_EQ(back.account, std::string(20, 'a'));
  EXPECT_EQ(back.passwordMd5, digest);
  // Hostile requests: an account field without terminator, bytes that are no GBK character.
  std::string unterminated = msg;
  unterminated.replace(8, 21, std::string(21, 'b'));
  EXPECT_FALSE(ds::DecodeLoginRequest(unterminated, &back));
  std::string badGbk = msg;
  badGbk.replace(8, 3, "a\x81\x00", 3);
  EXPECT_FALSE(ds::DecodeLoginRequest(badGbk, &back));
  EXPECT_FALSE(ds::DecodeLoginRequest(msg.substr(0, 63), &back));
}

TEST(AccountWireTest, AnswersRoundTripAndNeverReadPastTheMessage) {
  std::string msg;
  ASSERT_TRUE(ds::EncodeLoginAccepted({2, 0, "小明"}, &msg));
  EXPECT_EQ(msg.size(), 13u + 4 + 1);
  ds::LoginAccepted accepted;
  ASSERT_TRUE(ds::DecodeLoginAccepted(msg, &accepted));
  EXPECT_EQ(accepted.sex, 2);
  EXPECT_EQ(accepted.nickname, "小明");
  msg.back() = 'x';  // nickname without terminator inside the message
  EXPECT_FALSE(ds::DecodeLoginAccepted(msg, &accepted));

  std::int32_t code = 0;
  ASSERT_TRUE(ds::DecodeLoginRefused(ds::EncodeLoginRefused(16), &code));
  EXPECT_EQ(code, 16);
  EXPECT_FALSE(ds::DecodeUploadResult(ds::EncodeLoginRefused(16), &code));

  ds::CommonSoftIds ids;
  ids.fill(-1);
  ids[0] = 7;
  ids[29] = 0x01020304;
  ASSERT_TRUE(ds::EncodeCommonSoftUpload("bob", ids, &msg));
  ASSERT_EQ(msg.size(), 152u);
  EXPECT_EQ(msg.substr(8, 4), std::string("\x07\0\0\0", 4));
  EXPECT_EQ(msg.substr(128, 4), std::string("bob\0", 4));
  std::string account;
  ds::CommonSoftIds back;
  ASSERT_TRUE(ds::DecodeCommonSoftUpload(msg, &account, &back));
  EXPECT_EQ(account, "bob");
  EXPECT_EQ(back, ids);
  EXPECT_EQ(ds::EncodeCommonSoftList(ids).size(), 128u);
}

TEST(AccountWireTest, SiteTextIsChunkedWithoutSplittingSitesAndReadBack) {
  std::vector<ds::Site> sites;
  for (int i = 0; i < 12; ++i) {
    sites.push_back({"站点" + std::to_string(i), "https://example.org/" + std::string(180, 'a' + i)});
  }
  std::vector<std::string> chunks;
  ASSERT_TRUE(ds::ChunkSiteText(sites, &chunks));
  ASSERT_EQ(chunks.size(), 3u);
  ds::SiteTextReader reader;
  for (const std::string& chunk : chunks) {
    EXPECT_LE(ds::GbkByteLength(chunk), 992u);
    std::string msg, account, text;
    ASSERT_TRUE(ds::EncodeSitesChunk("bob", chunk, &msg));
    ASSERT_TRUE(ds::DecodeSitesChunk(msg, &account, &text));
    EXPECT_EQ(account, "bob");
    EXPECT_FALSE(reader.finished());
    ASSERT_TRUE(reader.Feed(text));
  }
  EXPECT_TRUE(reader.finished());
  EXPECT_EQ(reader.sites(), sites);
  EXPECT_EQ(chunks.back().back(), 'e');

  // 200-byte addresses travel; 201 do not, on either side.
  std::vector<ds::Site> longest{{"x", std::string(200, 'a')}};
  EXPECT_TRUE(ds::ChunkSiteText(longest, &chunks));
  longest[0].address += "a";
  EXPECT_FALSE(ds::ChunkSiteText(longest, &chunks));
  reader.Reset();
  EXPECT_FALSE(reader.Feed("x\n" + longest[0].address + "\ne"));

  reader.Reset();
  ASSERT_TRUE(reader.Feed("A\nhttp://a\nB\nNull\ne"));
  ASSERT_EQ(reader.sites().size(), 1u);
  EXPECT_EQ(reader.sites()[0].name, "A");
  EXPECT_FALSE(reader.Feed("C\nhttp://c\ne"));  // nothing after the end
  reader.Reset();
  EXPECT_FALSE(reader.Feed("A\nhttp://a\nB"));  // unpaired token
  EXPECT_TRUE(reader.sites().empty());
}

}  // namespace
