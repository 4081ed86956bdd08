// Pinyin rendering of text: syllables from the generated table, the numeral, full-width and Greek
// rows, the two options, and bytes that do not form a GBK character.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <sstream>
#include <string>

#include "app/pages/pinyin.h"
#include "app/pages/pinyin_table.h"

namespace {

const PinyinOptions kQuestion{true, false};
const PinyinOptions kKeepAll{false, true};

TEST(PinyinRenderTest, WordsJoinSyllablesWithoutSeparators) {
  EXPECT_EQ(GbkToPinyin("音乐"), "yinle");
  EXPECT_EQ(GbkToPinyin("啊"), "a");
  EXPECT_EQ(GbkToPinyin("音"), "yin");
  EXPECT_EQ(GbkToPinyin("QQ音乐2024"), "QQyinle2024");  // letters keep their case
  EXPECT_EQ(GbkToPinyin(""), "");
  // u-umlaut is written as v
  EXPECT_EQ(GbkToPinyin("女绿略虐吕驴"), "nvlvlvenvelvlv");
  // 谁's first reading (shei) is one of the few syllables the table has no slot for; it takes
  // its next reading.
  EXPECT_EQ(GbkToPinyin("谁"), "shui");
}

// Common characters, each checked against the first kMandarin reading of the Unihan data with
// the tone removed (taken from the data by hand, not from the generated table).
TEST(PinyinRenderTest, CommonCharactersMatchTheReadingData) {
  const char* const kSample =
      "的de 一yi 了le 是shi 不bu 我wo 在zai 有you 人ren 這zhe 这zhe 他ta 們men 们men 来lai 來lai "
      "個ge 个ge 上shang 地de 大da 著zhe 着zhe 就jiu 你ni 到dao 说shuo 說shuo 和he 要yao 里li "
      "么me 子zi 也ye 去qu 那na 得de 主zhu 會hui 会hui 時shi 时shi 出chu 下xia 國guo 国guo "
      "過guo 过guo 為wei 为wei 好hao 以yi 看kan 可ke 還hai 还hai 生sheng 都dou 學xue 学xue "
      "没mei 沒mei 起qi 能neng 多duo 年nian 小xiao 把ba 天tian 工gong 家jia 發fa 发fa 動dong "
      "动dong 對dui 对dui 用yong 中zhong 又you 作zuo 同tong 民min 自zi 樣yang 样yang 想xiang "
      "面mian 成cheng 她ta 義yi 义yi 后hou 经jing 經jing 產chan 产chan 十shi 什shen 道dao "
      "進jin 进jin 現xian 现xian 只zhi 兒er 儿er 點dian 点dian 頭tou 头tou 種zhong 种zhong "
      "從cong 从cong 甚shen 些xie 很hen 然ran 前qian 见jian 見jian 老lao 事shi 方fang 分fen "
      "開kai 而er 开kai 于yu 麼me 心xin 兩liang 两liang 走zou 行xing 长zhang 長zhang 高gao "
      "象xiang 三san 當dang 当dang 它ta 氣qi 回hui 给gei 給gei 實shi 实shi 问wen 問wen "
      "全quan 水shui 部bu 几ji 二er 命ming 正zheng 定ding 黨dang 党dang 手shou 己ji 力li "
      "機ji 机ji 气qi 意yi 向xiang 所suo 幾ji 知zhi 等deng 社she 物wu 理li 戰zhan 战zhan "
      "邊bian 边bian 话hua 話hua 候hou 但dan 呢ne 聲sheng 本ben 声sheng 如ru 呐na 吶na "
      "使shi 之zhi 打da 叫jiao 外wai 罷ba 罢ba 法fa";
  std::istringstream in(kSample);
  std::string pair;
  int checked = 0;
  while (in >> pair) {
    // One CJK character is three UTF-8 bytes; the rest is the expected syllable.
    ASSERT_GT(pair.size(), 3u);
    EXPECT_EQ(GbkToPinyin(pair.substr(0, 3)), pair.substr(3)) << pair;
    ++checked;
  }
  EXPECT_EQ(checked, 200);
}

TEST(PinyinRenderTest, NumeralFullWidthAndGreekRows) {
  EXPECT_EQ(GbkToPinyin("①⑩⒈⒛⑴⒇㈠㈩ⅰⅩⅠⅫ"), "110120120110110112");
  EXPECT_EQ(GbkToPinyin("ＡＢｃｚ１０"), "ABcz10");
  EXPECT_EQ(GbkToPinyin("αβγΘΨΩω"), "abgthpsoo");
  // Row 0xA2 codes outside the numbered lists (0xA2E3 is the euro sign) have no reading.
  EXPECT_EQ(GbkToPinyin("€"), "");
  EXPECT_EQ(GbkToPinyin("€", kQuestion), "?");
  // Row 0xA6 beyond the Greek letters.
  EXPECT_EQ(GbkBytesToPinyin("\xA6\xB9\xA6\xE0", kQuestion), "??");
}

TEST(PinyinRenderTest, PunctuationAndBlanksFollowTheKeepAllOption) {
  const std::string text = "音 乐，好! (v2.0)";
  EXPECT_EQ(GbkToPinyin(text), "yinlehaov20");
  EXPECT_EQ(GbkToPinyin(text, kKeepAll), "yin le,hao! (v2.0)");
  // Single-byte characters are never marked as missing.
  EXPECT_EQ(GbkToPinyin(text, kQuestion), "yinlehaov20");
}

TEST(PinyinRenderTest, SymbolRowsRenderNothingOrQuestionMarks) {
  EXPECT_EQ(GbkToPinyin("※の〇─"), "");  // rows 0xA1, 0xA4, 0xA9
  EXPECT_EQ(GbkToPinyin("※の〇─", kQuestion), "????");
  EXPECT_EQ(GbkToPinyin("※の〇─", kKeepAll), "");
  EXPECT_EQ(GbkToPinyin("音※乐", kQuestion), "yin?le");
}

TEST(PinyinRenderTest, StrayAndOutOfRangeBytes) {
  const std::string yin = "\xD2\xF4";  // 音
  // A lone lead byte at the end is a single-byte character.
  EXPECT_EQ(GbkBytesToPinyin(yin + "\xC0"), "yin");
  EXPECT_EQ(GbkBytesToPinyin(yin + "\xC0", kKeepAll), "yin\xC0");
  // So is a lead byte followed by a byte below 0x40; the next byte stands on its own.
  EXPECT_EQ(GbkBytesToPinyin("\xC0" "1" + yin), "1yin");
  // Trail bytes 0x7F and 0xFF, and lead byte 0xFF, give no reading.
  EXPECT_EQ(GbkBytesToPinyin("\xB0\x7F\xB0\xFF\xFF\x41"), "");
  EXPECT_EQ(GbkBytesToPinyin("\xB0\x7F\xB0\xFF\xFF\x41", kQuestion), "???");
  // Row 0xA3 below 0xA1 holds no full-width ASCII: never a control or high byte in the result.
  EXPECT_EQ(GbkBytesToPinyin("\xA3\x40\xA3\x80\xA3\xA0", kKeepAll), "");
  EXPECT_EQ(GbkBytesToPinyin("\xA3\x80", kQuestion), "?");
  EXPECT_EQ(GbkBytesToPinyin("\xA3\xA1\xA3\xA0", kKeepAll), "!");
}

// Characters outside GBK come out of the converter as four-byte codes, which hold ASCII digits.
TEST(PinyinRenderTest, CharactersOutsideGbkLeaveNoDigitsBehind) {
  EXPECT_EQ(GbkToPinyin("⑳音"), "yin");  // not "75yin"
  EXPECT_EQ(GbkToPinyin("😀音㐀乐"), "yinle");
  EXPECT_EQ(GbkToPinyin("😀音㐀乐", kQuestion), "?yin?le");
  EXPECT_EQ(GbkToPinyin("😀音㐀乐", kKeepAll), "yinle");
  EXPECT_EQ(GbkToPinyin("a\xFF" "b"), "ab");  // malformed UTF-8
  // Two-byte codes whose trail byte is an ASCII letter stay whole.
  EXPECT_EQ(GbkToPinyin("丂丄乑"), GbkBytesToPinyin("\x81\x40\x81\x41\x81\x5A"));
  EXPECT_NE(GbkToPinyin("丄"), "");
}

TEST(PinyinRenderTest, GeneratedTableIsConsistent) {
  using namespace pinyin_table;
  const char* const kTail[] = {"ei", "m", "n", "dia", "cen", "nou", "jv", "qv", "xv", "lv", "nv"};
  EXPECT_STREQ(kSyllables[0], "");
  EXPECT_STREQ(kSyllables[394], "");
  for (int i = 0; i < 11; ++i) EXPECT_STREQ(kSyllables[395 + i], kTail[i]);
  EXPECT_STREQ(kSyllables[1], "a");
  EXPECT_STREQ(kSyllables[393], "zuo");
  std::set<std::string> seen;
  for (int i = 1; i < kSyllableSlots; ++i) {
    if (i == 394) continue;
    const std::string s = kSyllables[i];
    EXPECT_FALSE(s.empty()) << i;
    EXPECT_LE(s.size(), 6u) << s;
    EXPECT_EQ(s.find_first_not_of("abcdefghijklmnopqrstuvwxyz"), std::string::npos) << s;
    EXPECT_TRUE(seen.insert(s).second) << "twice: " << s;
    if (i > 1 && i <= 393) {
      EXPECT_LT(std::strcmp(kSyllables[i - 1], kSyllables[i]), 0) << s;
    }
  }
  int withReading = 0;
  for (int lead = kFirstLead; lead <= kLastLead; ++lead)
    for (int trail = kFirstTrail; trail <= kLastTrail; ++trail) {
      const int slot = kReadings[(lead - kFirstLead) * kTrailCount + (trail - kFirstTrail)];
      ASSERT_GE(slot, 0);
      ASSERT_LT(slot, kSyllableSlots);
      if (slot == 0) continue;
      ++withReading;
      EXPECT_NE(slot, 394);
      EXPECT_FALSE(lead >= 0xA1 && lead <= 0xA9) << std::hex << lead << trail;
      EXPECT_NE(trail, 0x7F);
    }
  EXPECT_GT(withReading, 20000);
  EXPECT_LT(withReading, 21900);  // GBK has 21,886 double-byte characters in all
}

}  // namespace
