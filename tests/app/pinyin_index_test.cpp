// Name search by text and pinyin: the stored index must answer exactly as the rule applied to
// each name afresh.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/pages/pinyin_index.h"
#include "core/text/ascii.h"

namespace {

using Hits = std::vector<std::size_t>;

PinyinIndex Build(const std::vector<std::string>& names) {
  PinyinIndex index;
  for (const std::string& name : names) index.Add(name);
  return index;
}

TEST(PinyinIndexTest, FindsNamesByTextAndByAnyPartOfTheirPinyin) {
  const PinyinIndex index = Build({"音乐播放器", "KK音乐", "WinZap", "迅云", "ＫＫ影音"});
  EXPECT_EQ(index.Search("yinle"), (Hits{0, 1}));
  EXPECT_EQ(index.Search("YinLe"), (Hits{0, 1}));
  EXPECT_EQ(index.Search("inl"), (Hits{0, 1}));
  EXPECT_EQ(index.Search("yl"), (Hits{0, 1}));  // initials of consecutive characters
  EXPECT_EQ(index.Search("ylq"), Hits{});      // 音乐播放器: not consecutive
  EXPECT_EQ(index.Search("zap"), (Hits{2}));
  EXPECT_EQ(index.Search("音乐"), (Hits{0, 1}));
  EXPECT_EQ(index.Search("kk"), (Hits{1, 4}));  // full-width letters are lower-cased too
  EXPECT_EQ(index.Search("xunyun"), (Hits{3}));
  EXPECT_EQ(index.Search(""), (Hits{0, 1, 2, 3, 4}));
  EXPECT_EQ(index.Search(std::string("yin\0le", 6)), Hits{});
  EXPECT_EQ(index.Rendering(0), "yinlebofangqi");
  EXPECT_EQ(index.LoweredName(2), "winzap");
}

TEST(PinyinIndexTest, HitsNeverSpanTwoTextsAndCountOncePerEntry) {
  const PinyinIndex index = Build({"ab", "cd", "乐乐乐", "x", "乐"});
  EXPECT_EQ(index.Search("bc"), Hits{});   // end of one name, start of the next
  EXPECT_EQ(index.Search("dle"), Hits{});  // name then its neighbour's rendering
  EXPECT_EQ(index.Search("le"), (Hits{2, 4}));
  EXPECT_EQ(index.Search("lele"), (Hits{2}));
  EXPECT_EQ(index.Search(std::string("ab\0ab", 5)), Hits{});  // name and its own rendering
  EXPECT_TRUE(index.Matches(4, "le"));
  EXPECT_FALSE(index.Matches(3, "le"));
  EXPECT_FALSE(index.Matches(5, ""));  // past the end
  EXPECT_EQ(index.Rendering(5), "");
  EXPECT_EQ(index.Rendering(4), "le");  // the last entry ends at the end of the buffer
  PinyinIndex empty;
  EXPECT_EQ(empty.Search("a"), Hits{});
  EXPECT_EQ(empty.Search(""), Hits{});
}

TEST(PinyinIndexTest, IndexAgreesWithTheRuleAppliedAfresh) {
  const std::vector<std::string> pieces = {"音", "乐", "播", "放", "器", "迅", "雷", "影",
                                           "视", "大", "师", "Pro", "ＱＱ", "2", " ", "长",
                                           "①", "α", "😀", "-", "X"};
  std::mt19937 random(7);
  std::vector<std::string> names;
  for (int i = 0; i < 400; ++i) {
    std::string name;
    const int length = 1 + static_cast<int>(random() % 6);
    for (int k = 0; k < length; ++k) name += pieces[random() % pieces.size()];
    names.push_back(name);
  }
  const PinyinIndex index = Build(names);
  ASSERT_EQ(index.Size(), names.size());
  for (const char* query : {"yin", "yinle", "leb", "o", "pro", "qqda", "1", "a", "shi", "x", "音乐",
                            "zhang", "ei", "2 ", "le ying", "-", "yl", "xl", "bfq"}) {
    Hits expected;
    for (std::size_t i = 0; i < names.size(); ++i)
      if (NameMatchesQuery(names[i], ds::AsciiLower(query))) expected.push_back(i);
    EXPECT_EQ(index.Search(query), expected) << query;
  }
}

TEST(PinyinIndexTest, ClearEmptiesTheIndex) {
  PinyinIndex index = Build({"音乐"});
  index.Clear();
  EXPECT_EQ(index.Size(), 0u);
  EXPECT_EQ(index.Search("yin"), Hits{});
  EXPECT_EQ(index.Add("迅云"), 0u);
  EXPECT_EQ(index.Search("yun"), (Hits{0}));
}

}  // namespace

TEST(PinyinIndexTest, RankedSearchPutsStartsFirstAndInitialsLast) {
  const PinyinIndex index = Build({"乐游", "网易云音乐", "音乐", "YL tools", "有料"});
  EXPECT_EQ(index.SearchRanked("yl"), (Hits{3, 2, 4, 1}));
  EXPECT_EQ(index.SearchRanked("wyy"), (Hits{1}));
  EXPECT_EQ(index.SearchRanked("yinle"), (Hits{2, 1}));
  EXPECT_EQ(index.Initials(1), "wyyyl");
  EXPECT_EQ(index.Rendering(1), "wangyiyunyinle");
  EXPECT_EQ(index.SearchRanked(""), (Hits{0, 1, 2, 3, 4}));
}
