// Name search by text or pinyin, as the software pages do it: a name matches a query when its
// lower-cased text contains the lower-cased query, when the pinyin rendering of the lower-cased
// name, lower-cased, contains it, or when its initials do: the first letter of each character's
// reading (letters and digits stay as they are), so "wx" finds 微信 and "wyy" 网易云音乐, as
// Chinese users type in every input method. Rendering a name is costly (a GBK conversion per
// name), so a list that is searched on every keystroke keeps its renderings in a PinyinIndex.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The pinyin a query is matched against: GbkToPinyin of the lower-cased name, lower-cased.
std::string PinyinSearchText(std::string_view name);
// The initials a query is matched against: one letter per character with a reading.
std::string PinyinInitialsText(std::string_view name);

// The match rule for one name, rendering it afresh. `loweredQuery` is already lower-cased.
bool NameMatchesQuery(std::string_view name, std::string_view loweredQuery);

// The lower-cased names of a list, their renderings and initials, kept in one buffer so that a
// search is a single scan. Entries are numbered in the order they were added.
class PinyinIndex {
 public:
  void Clear();
  void Reserve(std::size_t names, std::size_t bytesPerName = 56);
  std::size_t Add(std::string_view name);
  std::size_t Size() const { return starts_.size(); }

  std::string_view LoweredName(std::size_t entry) const;
  std::string_view Rendering(std::size_t entry) const;
  std::string_view Initials(std::size_t entry) const;

  // The same rule as NameMatchesQuery, on the stored texts.
  bool Matches(std::size_t entry, std::string_view loweredQuery) const;

  // Every entry that matches `query` (lower-cased here), in ascending order. An empty query
  // matches every entry; a query holding a zero byte matches none.
  std::vector<std::size_t> Search(std::string_view query) const;

  // The same entries, best first: those whose name or rendering starts with the query, then
  // other name or pinyin matches, then those whose initials start with it, then other initials
  // matches; ascending within each group.
  std::vector<std::size_t> SearchRanked(std::string_view query) const;

 private:
  std::size_t EntryAt(std::size_t offset) const;
  // 0..3 as in SearchRanked for an entry that matches.
  int Rank(std::size_t entry, std::string_view loweredQuery) const;
  std::size_t EntryEnd(std::size_t entry) const;

  // Per entry: lower-cased name, '\0', rendering, '\0', initials, '\0'. No query with a zero
  // byte is searched, so a hit never spans two texts.
  std::string text_;
  std::vector<std::size_t> starts_;     // offset of each entry's name
  std::vector<std::size_t> renderings_; // offset of each entry's rendering
  std::vector<std::size_t> initials_;   // offset of each entry's initials
};
