// The real text of the password box: edits by star (byte) position, double-byte characters kept
// whole, the byte limit.
#include <gtest/gtest.h>

#include "core/text/text_codec.h"
#include "vexo/ui/widgets/password_text.h"

namespace {

const std::string kZhong = ds::Utf8ToGbk("中");  // two bytes

TEST(PasswordTextTest, TypingInsertsAndOverwritesAtStarPositions) {
  VEXO_PasswordText text;
  std::size_t caret = text.Replace(0, 0, "a");
  caret = text.Replace(caret, caret, "b");
  EXPECT_EQ(text.Real(), "ab");
  EXPECT_EQ(caret, 2u);
  // Typed in the middle.
  EXPECT_EQ(text.Replace(1, 1, "X"), 2u);
  EXPECT_EQ(text.Real(), "aXb");
  // A selection replaced by one character keeps the tail.
  EXPECT_EQ(text.Replace(0, 2, "z"), 1u);
  EXPECT_EQ(text.Real(), "zb");
  // A star typed by the user is part of the password like any other character.
  text.Replace(2, 2, "*");
  EXPECT_EQ(text.Real(), "zb*");
}

TEST(PasswordTextTest, DoubleByteCharactersStayWhole) {
  VEXO_PasswordText text;
  text.Set("a" + kZhong + "b");
  ASSERT_EQ(text.Length(), 4u);
  // Backspace after the character removes both of its bytes.
  EXPECT_EQ(text.Backspace(3, 3, 3), 1u);
  EXPECT_EQ(text.Real(), "ab");

  text.Set("a" + kZhong + "b");
  // Delete at the caret before the character removes it whole.
  EXPECT_EQ(text.Delete(1, 1, 1), 1u);
  EXPECT_EQ(text.Real(), "ab");

  // A selection ending in the middle of the character widens to all of it.
  text.Set("a" + kZhong + "b");
  text.Replace(0, 2, "x");
  EXPECT_EQ(text.Real(), "xb");
  // A selection starting in the middle widens backwards.
  text.Set("a" + kZhong + "b");
  text.Replace(2, 4, "");
  EXPECT_EQ(text.Real(), "a");

  // Typing with the caret between the two stars of a character inserts beside the character;
  // the character itself stays.
  text.Set("a" + kZhong + "b");
  EXPECT_EQ(text.Replace(2, 2, "x"), 4u);
  EXPECT_EQ(text.Real(), "a" + kZhong + "xb");

  // Lead bytes below 0xA1 start double-byte characters too.
  const std::string wide = ds::Utf8ToGbk("丂");  // 0x81 0x40
  ASSERT_EQ(wide.size(), 2u);
  text.Set(wide + wide);
  EXPECT_EQ(text.Backspace(4, 4, 4), 2u);
  EXPECT_EQ(text.Real(), wide);
}

TEST(PasswordTextTest, BackspaceAndDeleteAtTheEdgesAndWithSelections) {
  VEXO_PasswordText text;
  text.Set("ab");
  EXPECT_EQ(text.Backspace(0, 0, 0), 0u);
  EXPECT_EQ(text.Delete(2, 2, 2), 2u);
  EXPECT_EQ(text.Real(), "ab");
  // Select both stars, press Backspace: empty.
  EXPECT_EQ(text.Backspace(0, 2, 2), 0u);
  EXPECT_EQ(text.Real(), "");
  text.Set("abcd");
  EXPECT_EQ(text.Delete(3, 1, 1), 1u);  // reversed selection
  EXPECT_EQ(text.Real(), "ad");
}

TEST(PasswordTextTest, LimitCutsAtACharacterBoundary) {
  VEXO_PasswordText text;
  text.SetLimit(4);
  text.Replace(0, 0, "abc");
  // One byte of room: a double-byte character does not fit at all.
  EXPECT_EQ(text.Replace(3, 3, kZhong), 3u);
  EXPECT_EQ(text.Real(), "abc");
  // Replacing a selection frees its room.
  EXPECT_EQ(text.Replace(1, 3, kZhong + kZhong), 3u);
  EXPECT_EQ(text.Real(), "a" + kZhong);
}

TEST(PasswordTextTest, FourByteCodesAreOneCharacter) {
  const std::string emoji = ds::Utf8ToGbk("😀");
  ASSERT_EQ(emoji.size(), 4u);
  VEXO_PasswordText text;
  text.Set("a" + emoji);
  EXPECT_EQ(VEXO_PasswordText::CharStarts(text.Real()).size(), 2u);
  EXPECT_EQ(text.Backspace(5, 5, 5), 1u);
  EXPECT_EQ(text.Real(), "a");
}

}  // namespace
