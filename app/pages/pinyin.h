// Pinyin rendering of Chinese text, so that a name can be found by typing its reading in Latin
// letters: 音乐 renders as "yinle". Syllables are joined without separators.
#pragma once

#include <string>
#include <string_view>

struct PinyinOptions {
  // Render a character without a reading as "?" instead of nothing.
  bool questionMarks = false;
  // Keep every single-byte character; by default only ASCII letters and digits remain.
  bool keepAll = false;
  // Render each character by the first letter of its reading only ("音乐" gives "yl").
  bool initials = false;
};

// Renders UTF-8 text: it is converted to GBK and walked as GbkBytesToPinyin does. A character
// outside GBK renders as nothing (or "?"), whatever the options. The result is plain ASCII.
std::string GbkToPinyin(std::string_view utf8, PinyinOptions options = {});

// Walks GBK bytes: a byte below 0x81, or one followed by a byte below 0x40 or by the end, is a
// single-byte character; any other byte starts a double-byte character. Row 0xA2 gives numerals,
// row 0xA3 full-width ASCII, row 0xA6 Greek letter names, every other code its syllable.
// With keepAll, single bytes of 0x80 and above are copied as they stand.
std::string GbkBytesToPinyin(std::string_view gbk, PinyinOptions options = {});
