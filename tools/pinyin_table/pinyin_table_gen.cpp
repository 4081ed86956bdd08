// Generates app/pages/pinyin_table.cpp, the pinyin tables behind GbkToPinyin, from the readings
// file of the Unicode Han Database (Unihan_Readings.txt, Debian package "unicode-data"):
//
//   bzcat /usr/share/unicode/Unihan_{Readings,DictionaryLikeData}.txt.bz2 |
//     build/bin/pinyin_table_gen > app/pages/pinyin_table.cpp
//
// Each GBK double-byte code is mapped to Unicode with the program's own converter (so the table
// and the run-time conversion agree), and gets one reading: the first kMandarin value, the one
// Unihan gives as the most customary. Tones are removed and u-umlaut is written as v.
//
// The syllable list has a fixed layout: slot 0 empty, slots 1..393 the main syllables in
// alphabetical order, slot 394 empty, slots 395..405 a fixed tail. Unihan uses a few more main
// syllables than fit; the ones whose loss hurts least are left out (mostly interjections and
// dialect readings), and a character whose first reading was left out takes its next modern
// reading (further kMandarin, kTGHZ2013 and kXHC1983 values) that has a slot, or no reading.
// Damage is judged by: standard characters that would be left without any reading, standard
// characters, corpus frequency (kHanyuPinlu), kFrequency, and finally all characters; kFrequency
// lives in Unihan_DictionaryLikeData.txt, so feed both files:
//
//   bzcat /usr/share/unicode/Unihan_{Readings,DictionaryLikeData}.txt.bz2 | pinyin_table_gen
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "core/text/text_codec.h"

namespace {

constexpr int kSlotCount = 406;
constexpr int kMainSlots = 393;
constexpr int kTailFirst = 395;
const char* const kTail[] = {"ei", "m", "n", "dia", "cen", "nou", "jv", "qv", "xv", "lv", "nv"};
constexpr int kLeadCount = 126;   // 0x81..0xFE
constexpr int kTrailCount = 191;  // 0x40..0xFE

struct Readings {
  std::vector<std::string> mandarin;  // kMandarin values, most customary first
  std::vector<std::string> modern;    // kTGHZ2013 then kXHC1983 readings
  std::vector<std::pair<std::string, long>> corpus;  // kHanyuPinlu readings and their counts
  bool standard = false;  // listed in the 2013 table of general standard characters
  int frequencyClass = 0; // kFrequency: 1 (most frequent) to 5; 0 when not given
};

std::vector<std::uint32_t> DecodeUtf8(const std::string& s) {
  std::vector<std::uint32_t> out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    std::uint32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
    if (i + extra >= s.size()) return {};  // cut-off sequence
    for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out.push_back(cp);
    i += extra + 1;
  }
  return out;
}

// A toned pinyin reading ("lǜ", "zhuāng", "ḿ") as a plain syllable ("lv", "zhuang", "m"); "" when
// the reading holds a letter this table does not know.
std::string PlainSyllable(const std::string& reading) {
  static const std::map<std::uint32_t, char> kLetters = {
      {0xE0, 'a'},   {0xE1, 'a'},   {0xE2, 'a'},   {0x101, 'a'},  {0x1CE, 'a'},
      {0xE8, 'e'},   {0xE9, 'e'},   {0xEA, 'e'},   {0x113, 'e'},  {0x11B, 'e'},
      {0x1EBF, 'e'}, {0x1EC1, 'e'}, {0xEC, 'i'},   {0xED, 'i'},   {0x12B, 'i'},
      {0x1D0, 'i'},  {0xF2, 'o'},   {0xF3, 'o'},   {0x14D, 'o'},  {0x1D2, 'o'},
      {0xF9, 'u'},   {0xFA, 'u'},   {0x16B, 'u'},  {0x1D4, 'u'},  {0xFC, 'v'},
      {0x1D6, 'v'},  {0x1D8, 'v'},  {0x1DA, 'v'},  {0x1DC, 'v'},  {0x144, 'n'},
      {0x148, 'n'},  {0x1F9, 'n'},  {0x1E3F, 'm'},
  };
  std::string out;
  for (std::uint32_t cp : DecodeUtf8(reading)) {
    if (cp >= 'A' && cp <= 'Z') cp += 'a' - 'A';
    if (cp >= 'a' && cp <= 'z') {
      out += static_cast<char>(cp);
    } else if (cp == 0x308 && !out.empty() && out.back() == 'u') {
      out.back() = 'v';  // u followed by a combining diaeresis
    } else if (cp >= 0x300 && cp <= 0x36F) {
      // other combining marks carry tones only
    } else {
      auto it = kLetters.find(cp);
      if (it == kLetters.end()) return "";
      out += it->second;
    }
  }
  if (out.empty() || out.size() > 6) return "";
  return out;
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(s);
  while (std::getline(in, part, sep))
    if (!part.empty()) parts.push_back(part);
  return parts;
}

// "0642.031:kè 0644.040:kēi,kè" -> kè, kēi, kè
void AppendIndexedReadings(const std::string& value, std::vector<std::string>& out) {
  for (const std::string& item : Split(value, ' ')) {
    size_t colon = item.find(':');
    for (const std::string& r : Split(colon == std::string::npos ? item : item.substr(colon + 1), ','))
      out.push_back(r);
  }
}

std::unordered_map<std::uint32_t, Readings> ReadUnihan(std::istream& in) {
  std::unordered_map<std::uint32_t, Readings> table;
  std::map<std::uint32_t, std::pair<std::string, std::string>> modern;  // code point -> tghz, xhc
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f = Split(line, '\t');
    if (f.size() < 3 || f[0].compare(0, 2, "U+") != 0) continue;
    std::uint32_t cp = static_cast<std::uint32_t>(std::stoul(f[0].substr(2), nullptr, 16));
    const std::string& key = f[1];
    if (key == "kMandarin") {
      table[cp].mandarin = Split(f[2], ' ');
    } else if (key == "kTGHZ2013") {
      table[cp].standard = true;
      modern[cp].first = f[2];
    } else if (key == "kXHC1983") {
      modern[cp].second = f[2];
    } else if (key == "kHanyuPinlu") {
      // "tā(2984) tuó(1)"
      for (const std::string& item : Split(f[2], ' ')) {
        size_t open = item.find('('), close = item.find(')');
        if (open != std::string::npos && close > open + 1)
          table[cp].corpus.emplace_back(item.substr(0, open),
                                        std::stol(item.substr(open + 1, close - open - 1)));
      }
    } else if (key == "kFrequency") {
      table[cp].frequencyClass = std::stoi(f[2]);
    }
  }
  for (auto& [cp, values] : modern) {
    Readings& r = table[cp];
    AppendIndexedReadings(values.first, r.modern);
    AppendIndexedReadings(values.second, r.modern);
  }
  return table;
}

// The Unicode character of a GBK double-byte code, or 0 when it has none.
std::uint32_t GbkCodeToUnicode(int lead, int trail) {
  const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  std::vector<std::uint32_t> cps = DecodeUtf8(ds::GbkToUtf8(std::string_view(bytes, 2)));
  if (cps.size() != 1 || cps[0] < 0x80) return 0;
  return cps[0];
}

void PrintSource(const std::vector<std::string>& slots, const std::vector<std::uint16_t>& readings,
                 int withReading) {
  std::printf(
      "// Generated by tools/pinyin_table from the Unicode Han Database (Unihan), as shipped in the\n"
      "// Debian package unicode-data. Do not edit: regenerate instead.\n"
      "// %d GBK codes have a reading.\n"
      "//\n"
      "// Modified data: the Unihan readings are reduced to one toneless syllable per GBK code.\n"
      "// Copyright (c) 1991-2022 Unicode, Inc. All rights reserved. Distributed under the Terms\n"
      "// of Use in https://www.unicode.org/copyright.html.\n"
      "//\n"
      "// Permission is hereby granted, free of charge, to any person obtaining a copy of the\n"
      "// Unicode data files and any associated documentation (the \"Data Files\") or Unicode\n"
      "// software and any associated documentation (the \"Software\") to deal in the Data Files or\n"
      "// Software without restriction, including without limitation the rights to use, copy,\n"
      "// modify, merge, publish, distribute, and/or sell copies of the Data Files or Software, and\n"
      "// to permit persons to whom the Data Files or Software are furnished to do so, provided that\n"
      "// (a) the above copyright notice(s) and this permission notice appear with all copies of the\n"
      "// Data Files or Software, (b) both the above copyright notice(s) and this permission notice\n"
      "// appear in associated documentation, and (c) there is clear notice in each modified Data\n"
      "// File or in the Software as well as in the documentation associated with the Data File(s)\n"
      "// or Software that the data or software has been modified.\n"
      "//\n"
      "// THE DATA FILES AND SOFTWARE ARE PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR\n"
      "// IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A\n"
      "// PARTICULAR PURPOSE AND NONINFRINGEMENT OF THIRD PARTY RIGHTS. IN NO EVENT SHALL THE\n"
      "// COPYRIGHT HOLDER OR HOLDERS INCLUDED IN THIS NOTICE BE LIABLE FOR ANY CLAIM, OR ANY SPECIAL\n"
      "// INDIRECT OR CONSEQUENTIAL DAMAGES, OR ANY DAMAGES WHATSOEVER RESULTING FROM LOSS OF USE,\n"
      "// DATA OR PROFITS, WHETHER IN AN ACTION OF CONTRACT, NEGLIGENCE OR OTHER TORTIOUS ACTION,\n"
      "// ARISING OUT OF OR IN CONNECTION WITH THE USE OR PERFORMANCE OF THE DATA FILES OR SOFTWARE.\n"
      "//\n"
      "// Except as contained in this notice, the name of a copyright holder shall not be used in\n"
      "// advertising or otherwise to promote the sale, use or other dealings in these Data Files or\n"
      "// Software without prior written authorization of the copyright holder.\n"
      "#include \"app/pages/pinyin_table.h\"\n\n"
      "namespace pinyin_table {\n\n"
      "const char kSyllables[kSyllableSlots][kSyllableSize] = {\n",
      withReading);
  for (int i = 0; i < kSlotCount; ++i)
    std::printf("%s\"%s\",%s", i % 10 == 0 ? "    " : " ", slots[i].c_str(),
                (i % 10 == 9 || i + 1 == kSlotCount) ? "\n" : "");
  std::printf("};\n\nconst std::uint16_t kReadings[kLeadCount * kTrailCount] = {\n");
  for (int lead = 0; lead < kLeadCount; ++lead) {
    std::printf("    // lead 0x%02X\n", lead + 0x81);
    for (int trail = 0; trail < kTrailCount; ++trail) {
      if (trail % 16 == 0) std::printf("    ");
      std::printf("%d,", readings[lead * kTrailCount + trail]);
      if (trail % 16 == 15 || trail + 1 == kTrailCount) std::printf("\n");
    }
  }
  std::printf("};\n\n}  // namespace pinyin_table\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    std::fprintf(stderr, "usage: bzcat Unihan_Readings.txt.bz2 | %s > pinyin_table.cpp\n", argv[0]);
    return 2;
  }
  std::ios::sync_with_stdio(false);
  const auto unihan = ReadUnihan(std::cin);
  if (unihan.empty()) {
    std::fprintf(stderr, "no Unihan readings on standard input\n");
    return 1;
  }
  // Without kFrequency the choice of left-out syllables would differ from the committed table.
  if (std::none_of(unihan.begin(), unihan.end(),
                   [](const auto& entry) { return entry.second.frequencyClass != 0; })) {
    std::fprintf(stderr, "no kFrequency values: feed Unihan_DictionaryLikeData.txt as well\n");
    return 1;
  }

  // The first reading of every GBK character outside the symbol rows.
  struct Code { int index; const Readings* readings; std::string first; };
  std::vector<Code> codes;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    if (lead >= 0xA1 && lead <= 0xA9) continue;
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      std::uint32_t cp = GbkCodeToUnicode(lead, trail);
      auto it = cp ? unihan.find(cp) : unihan.end();
      if (it == unihan.end() || it->second.mandarin.empty()) continue;
      std::string first = PlainSyllable(it->second.mandarin.front());
      if (first.empty()) {
        std::fprintf(stderr, "unknown reading %s of U+%04X\n", it->second.mandarin.front().c_str(), cp);
        continue;
      }
      codes.push_back({(lead - 0x81) * kTrailCount + (trail - 0x40), &it->second, first});
    }
  }

  // Rank the main syllables by the damage their loss would do.
  const std::set<std::string> tail(std::begin(kTail), std::end(kTail));
  std::set<std::string> known(tail);
  for (const Code& c : codes) known.insert(c.first);
  using Damage = std::tuple<int, int, long, int, int>;
  std::map<std::string, Damage> use;
  for (const Code& c : codes) {
    if (tail.count(c.first)) continue;
    const Readings& r = *c.readings;
    bool alternative = false;
    for (const auto* list : {&r.mandarin, &r.modern})
      for (const std::string& other : *list) {
        std::string plain = PlainSyllable(other);
        if (plain != c.first && known.count(plain)) alternative = true;
      }
    long corpus = 0;
    for (const auto& [reading, count] : r.corpus)
      if (PlainSyllable(reading) == c.first) corpus += count;
    auto& [orphaned, standard, frequency, frequencyWeight, count] = use[c.first];
    orphaned += (r.standard && !alternative) ? 1 : 0;
    standard += r.standard ? 1 : 0;
    frequency += corpus;
    frequencyWeight += r.frequencyClass ? 6 - r.frequencyClass : 0;
    count += 1;
  }
  std::vector<std::string> main;
  for (const auto& entry : use) main.push_back(entry.first);
  std::stable_sort(main.begin(), main.end(),
                   [&](const std::string& a, const std::string& b) { return use[a] > use[b]; });
  for (size_t i = kMainSlots; i < main.size(); ++i)
    std::fprintf(stderr, "left out syllable %s\n", main[i].c_str());
  if (main.size() > kMainSlots) main.resize(kMainSlots);
  std::sort(main.begin(), main.end());

  std::vector<std::string> slots(kSlotCount);
  std::map<std::string, int> slotOf;
  for (size_t i = 0; i < main.size(); ++i) slots[i + 1] = main[i];
  for (size_t i = 0; i < tail.size(); ++i) slots[kTailFirst + i] = kTail[i];
  for (int i = 1; i < kSlotCount; ++i)
    if (!slots[i].empty()) slotOf[slots[i]] = i;

  std::vector<std::uint16_t> readings(kLeadCount * kTrailCount, 0);
  int withReading = 0;
  for (const Code& c : codes) {
    std::vector<std::string> candidates = c.readings->mandarin;
    candidates.insert(candidates.end(), c.readings->modern.begin(), c.readings->modern.end());
    for (const std::string& r : candidates) {
      auto it = slotOf.find(PlainSyllable(r));
      if (it == slotOf.end()) continue;
      readings[c.index] = static_cast<std::uint16_t>(it->second);
      ++withReading;
      break;
    }
  }
  PrintSource(slots, readings, withReading);
  std::fprintf(stderr, "%d codes with a reading, %zu main syllables\n", withReading, main.size());
  return 0;
}
