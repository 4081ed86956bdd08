#include "app/pages/pinyin.h"

#include "app/pages/pinyin_table.h"
#include "core/text/text_codec.h"

namespace {

bool IsAsciiAlnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Row 0xA2: the numbered lists (1. to 20., (1) to (20), circled and bracketed numbers, Roman
// numerals), by trail byte.
const char* Numeral(unsigned char trail) {
  static const char* const kNumbers[] = {"1",  "2",  "3",  "4",  "5",  "6",  "7",
                                         "8",  "9",  "10", "11", "12", "13", "14",
                                         "15", "16", "17", "18", "19", "20"};
  struct Run { unsigned char first, last; };
  static const Run kRuns[] = {{0xA1, 0xAA}, {0xB1, 0xC4}, {0xC5, 0xD8},
                              {0xD9, 0xE2}, {0xE5, 0xEE}, {0xF1, 0xFC}};
  for (const Run& run : kRuns)
    if (trail >= run.first && trail <= run.last) return kNumbers[trail - run.first];
  return nullptr;
}

// Row 0xA6: capitals at 0xA1..0xB8, small letters at 0xC1..0xD8, in alphabet order.
const char* GreekName(unsigned char trail) {
  static const char* const kNames[24] = {"a", "b", "g", "d", "e",  "z",  "e",  "th",
                                         "i", "k", "l", "m", "n",  "x",  "o",  "p",
                                         "r", "s", "t", "u", "ph", "kh", "ps", "o"};
  if (trail >= 0xA1 && trail <= 0xB8) return kNames[trail - 0xA1];
  if (trail >= 0xC1 && trail <= 0xD8) return kNames[trail - 0xC1];
  return nullptr;
}

const char* Syllable(unsigned char lead, unsigned char trail) {
  using namespace pinyin_table;
  if (lead < kFirstLead || lead > kLastLead || trail < kFirstTrail || trail > kLastTrail)
    return nullptr;
  const int slot = kReadings[(lead - kFirstLead) * kTrailCount + (trail - kFirstTrail)];
  if (slot <= 0 || slot >= kSyllableSlots || kSyllables[slot][0] == '\0') return nullptr;
  return kSyllables[slot];
}

void AppendMissing(std::string& out, const PinyinOptions& options) {
  if (options.questionMarks) out += '?';
}

void Walk(std::string_view gbk, const PinyinOptions& options, std::string& out) {
  const size_t n = gbk.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(gbk[i]);
    if (c < 0x81 || i + 1 >= n || static_cast<unsigned char>(gbk[i + 1]) < 0x40) {
      if (IsAsciiAlnum(c) || options.keepAll) out += static_cast<char>(c);
      ++i;
      continue;
    }
    const unsigned char trail = static_cast<unsigned char>(gbk[i + 1]);
    i += 2;
    const char* text = nullptr;
    switch (c) {
      case 0xA2:
        text = Numeral(trail);
        break;
      case 0xA3:
        // Full-width ASCII sits at 0xA1..0xFE; other trail bytes would map to control or high
        // bytes, so they count as characters without reading.
        if (trail >= 0xA1 && trail <= 0xFE) {
          const unsigned char ascii = static_cast<unsigned char>(trail - 0x80);
          if (IsAsciiAlnum(ascii) || options.keepAll) out += static_cast<char>(ascii);
          continue;
        }
        break;
      case 0xA6:
        text = GreekName(trail);
        break;
      default:
        text = Syllable(c, trail);
        break;
    }
    if (text && options.initials)
      out += text[0];
    else if (text)
      out += text;
    else
      AppendMissing(out, options);
  }
}

// A four-byte GB18030 code: lead, digit, lead, digit. GBK has none of these.
bool IsFourByteCode(std::string_view s, size_t i) {
  auto at = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
  return i + 3 < s.size() && at(0) >= 0x81 && at(0) <= 0xFE && at(1) >= 0x30 && at(1) <= 0x39 &&
         at(2) >= 0x81 && at(2) <= 0xFE && at(3) >= 0x30 && at(3) <= 0x39;
}

}  // namespace

std::string GbkBytesToPinyin(std::string_view gbk, PinyinOptions options) {
  std::string out;
  out.reserve(gbk.size() * 3);
  Walk(gbk, options, out);
  return out;
}

std::string GbkToPinyin(std::string_view utf8, PinyinOptions options) {
  const std::string gbk = ds::Utf8ToGbk(utf8);
  std::string out;
  out.reserve(gbk.size() * 3);
  // The converter writes characters outside GBK as four-byte GB18030 codes. Walked as bytes they
  // would leave stray digits behind, so each one is cut out and rendered as a missing reading.
  // Scanning code by code keeps a digit byte of a two-byte code from being misread.
  size_t runStart = 0;
  size_t i = 0;
  while (i < gbk.size()) {
    const unsigned char c = static_cast<unsigned char>(gbk[i]);
    if (c < 0x81) {
      ++i;
    } else if (IsFourByteCode(gbk, i)) {
      Walk(std::string_view(gbk).substr(runStart, i - runStart), options, out);
      AppendMissing(out, options);
      i += 4;
      runStart = i;
    } else {
      i += 2;
    }
  }
  Walk(std::string_view(gbk).substr(runStart), options, out);
  return out;
}
