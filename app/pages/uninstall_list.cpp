#include "app/pages/uninstall_list.h"

#include <utility>

UninstallList::UninstallList(Scan scan) : scan_(std::move(scan)) {}

void UninstallList::Rescan() {
  std::vector<UninstallEntry> fresh = scan_();
  scanned_once_ = true;
  // Rendering pinyin is the costly part of a search: keep it while the names are the same.
  bool same = fresh.size() == scanned_.size();
  for (std::size_t i = 0; same && i < fresh.size(); ++i) same = fresh[i].name == scanned_[i].name;
  scanned_ = std::move(fresh);
  if (same && index_.Size() == scanned_.size()) return;
  index_.Clear();
  index_.Reserve(scanned_.size());
  for (const UninstallEntry& entry : scanned_) index_.Add(entry.name);
}

void UninstallList::ShowAll() {
  query_.clear();
  Rescan();
  shown_ = scanned_;
}

bool UninstallList::Search(const std::string& query) {
  std::string trimmed = query;
  while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) trimmed.pop_back();
  std::size_t start = 0;
  while (start < trimmed.size() && (trimmed[start] == ' ' || trimmed[start] == '\t')) ++start;
  trimmed.erase(0, start);
  if (trimmed.empty() || trimmed == kSearchPlaceholder) {
    ShowAll();
    return false;
  }
  query_ = trimmed;
  if (!scanned_once_) Rescan();
  Filter();
  return true;
}

void UninstallList::Filter() {
  shown_.clear();
  for (std::size_t hit : index_.Search(query_)) shown_.push_back(scanned_[hit]);
}

void UninstallList::Refresh() {
  Rescan();
  if (query_.empty())
    shown_ = scanned_;
  else
    Filter();
}
