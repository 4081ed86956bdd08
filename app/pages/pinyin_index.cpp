#include "app/pages/pinyin_index.h"

#include <algorithm>

#include "app/pages/pinyin.h"
#include "core/text/ascii.h"

using ds::AsciiLower;

std::string PinyinSearchText(std::string_view name) {
  return AsciiLower(GbkToPinyin(AsciiLower(name)));
}

std::string PinyinInitialsText(std::string_view name) {
  PinyinOptions options;
  options.initials = true;
  return AsciiLower(GbkToPinyin(AsciiLower(name), options));
}

bool NameMatchesQuery(std::string_view name, std::string_view loweredQuery) {
  if (AsciiLower(name).find(loweredQuery) != std::string::npos) return true;
  if (PinyinSearchText(name).find(loweredQuery) != std::string::npos) return true;
  return PinyinInitialsText(name).find(loweredQuery) != std::string::npos;
}

void PinyinIndex::Clear() {
  text_.clear();
  starts_.clear();
  renderings_.clear();
  initials_.clear();
}

void PinyinIndex::Reserve(std::size_t names, std::size_t bytesPerName) {
  text_.reserve(names * bytesPerName);
  starts_.reserve(names);
  renderings_.reserve(names);
  initials_.reserve(names);
}

std::size_t PinyinIndex::Add(std::string_view name) {
  starts_.push_back(text_.size());
  text_ += AsciiLower(name);
  text_ += '\0';
  renderings_.push_back(text_.size());
  text_ += PinyinSearchText(name);
  text_ += '\0';
  initials_.push_back(text_.size());
  text_ += PinyinInitialsText(name);
  text_ += '\0';
  return starts_.size() - 1;
}

std::string_view PinyinIndex::LoweredName(std::size_t entry) const {
  if (entry >= Size()) return {};
  return std::string_view(text_).substr(starts_[entry], renderings_[entry] - 1 - starts_[entry]);
}

std::string_view PinyinIndex::Rendering(std::size_t entry) const {
  if (entry >= Size()) return {};
  return std::string_view(text_).substr(renderings_[entry], initials_[entry] - 1 - renderings_[entry]);
}

std::size_t PinyinIndex::EntryEnd(std::size_t entry) const {
  return entry + 1 < Size() ? starts_[entry + 1] : text_.size();
}

std::string_view PinyinIndex::Initials(std::size_t entry) const {
  if (entry >= Size()) return {};
  return std::string_view(text_).substr(initials_[entry], EntryEnd(entry) - 1 - initials_[entry]);
}

bool PinyinIndex::Matches(std::size_t entry, std::string_view loweredQuery) const {
  if (entry >= Size()) return false;
  return LoweredName(entry).find(loweredQuery) != std::string_view::npos ||
         Rendering(entry).find(loweredQuery) != std::string_view::npos ||
         Initials(entry).find(loweredQuery) != std::string_view::npos;
}

int PinyinIndex::Rank(std::size_t entry, std::string_view q) const {
  const std::string_view name = LoweredName(entry);
  const std::string_view rendering = Rendering(entry);
  if (name.substr(0, q.size()) == q || rendering.substr(0, q.size()) == q) return 0;
  if (name.find(q) != std::string_view::npos || rendering.find(q) != std::string_view::npos) return 1;
  return Initials(entry).substr(0, q.size()) == q ? 2 : 3;
}

std::vector<std::size_t> PinyinIndex::SearchRanked(std::string_view query) const {
  std::vector<std::size_t> hits = Search(query);
  const std::string lowered = AsciiLower(query);
  if (lowered.empty()) return hits;
  std::vector<std::size_t> groups[4];
  for (std::size_t entry : hits) groups[Rank(entry, lowered)].push_back(entry);
  std::vector<std::size_t> ranked;
  ranked.reserve(hits.size());
  for (const auto& group : groups) ranked.insert(ranked.end(), group.begin(), group.end());
  return ranked;
}

std::size_t PinyinIndex::EntryAt(std::size_t offset) const {
  return static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), offset) -
                                  starts_.begin()) - 1;
}

std::vector<std::size_t> PinyinIndex::Search(std::string_view query) const {
  std::vector<std::size_t> hits;
  const std::string lowered = AsciiLower(query);
  if (lowered.find('\0') != std::string::npos) return hits;
  if (lowered.empty()) {
    hits.resize(Size());
    for (std::size_t i = 0; i < hits.size(); ++i) hits[i] = i;
    return hits;
  }
  const std::string_view all(text_);
  std::size_t pos = 0;
  while ((pos = all.find(lowered, pos)) != std::string_view::npos) {
    const std::size_t entry = EntryAt(pos);
    hits.push_back(entry);
    // One hit per entry: go on with the next entry's name.
    if (entry + 1 >= Size()) break;
    pos = starts_[entry + 1];
  }
  return hits;
}
