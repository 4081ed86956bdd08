// What the uninstall page shows: the entries of the last registry scan and the ones a search
// keeps, with the pinyin of their names kept while the names stay the same. Plain logic.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/pages/pinyin_index.h"
#include "app/pages/uninstall_scan.h"

// The search box's hint; searching for it (or for nothing) shows every entry.
constexpr char kSearchPlaceholder[] = "请输入查找条件...";

class UninstallList {
 public:
  using Scan = std::function<std::vector<UninstallEntry>()>;
  // `scan` reads the registry (tests and the benchmark give their own).
  explicit UninstallList(Scan scan = [] { return ScanUninstallEntries(); });

  // Scans again and shows every entry.
  void ShowAll();
  // Keeps the entries of the last scan whose lower-cased name contains the lower-cased query, or
  // whose pinyin does. An empty query or the hint scans again, shows all and returns false; a
  // real search returns true. Searching does not read the registry again (every show, reset,
  // refresh and ended uninstaller does), so each keystroke of a search stays quick.
  bool Search(const std::string& query);
  // Scans again and applies the last search (or shows all): refresh, an uninstaller ended.
  void Refresh();

  const std::vector<UninstallEntry>& Scanned() const { return scanned_; }
  const std::vector<UninstallEntry>& Shown() const { return shown_; }
  const std::string& Query() const { return query_; }

 private:
  void Rescan();
  void Filter();

  Scan scan_;
  std::vector<UninstallEntry> scanned_;
  std::vector<UninstallEntry> shown_;
  std::string query_;
  bool scanned_once_ = false;
  PinyinIndex index_;  // of scanned_'s names
};
