// What the software pages list and show, decided without a window: the programs of a category
// or a common category, the page count and the slice a page shows, each item's look by status,
// what a click on an item's button does, and the search over names and their pinyin.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "app/catalogue/software_state.h"

class PinyinIndex;

namespace soft_pages {

constexpr int kItemsPerPage = 20;
constexpr int kItemHeight = 46;
constexpr int kLastCategory = 108;
constexpr char kSearchHint[] = "请输入查找条件...";
constexpr char kNoResult[] = "没有搜索到相关软件";

using StateList = std::vector<SoftwareState*>;

// Category K in map order: `type` equal to K; for K = 0 every program with a positive `type`.
StateList CategoryList(std::map<int, SoftwareState>& states, int category);
// Common category n (1..30) in map order: bit n of `kind` set. Empty outside 1..30.
StateList CommonCategoryList(std::map<int, SoftwareState>& states, int number);
// count / 20, plus 1 for a remainder; 0 for none.
int PageCount(std::size_t count);
// The items page `page` (1-based, clamped to the pages there are) shows.
StateList PageSlice(const StateList& list, int page);

// How an item looks. `colour` is 0x00BBGGRR; `keepColour` leaves the last colour.
struct ItemLook {
  const char* button = "";
  const char* text = "";
  std::uint32_t colour = 0;
  bool keepColour = false;
  int state = 0;  // 0 normal, 1 mouse over, 2 pressed, 3 busy
};
// The look of a program by its shown status; an item under the mouse keeps state 1 and a program
// whose installer runs is busy.
ItemLook LookFor(const SoftwareState& program, bool hovered, bool launching);

// What the item's button does.
enum class ItemAction {
  Nothing,
  Download,   // queue the download (status "downloading")
  Pause,      // pause the waiting or running download
  Resume,     // resume the paused download
  Install,    // run the downloaded installer
  Run,        // start the installed program
  Upgrade,    // download the newer version of an installed program
};
// By the program's status; `installerExists` tells whether a downloaded installer is still there
// (without it the program is downloaded again), `launching` that its installer runs already.
ItemAction ActionFor(const SoftwareState& program, bool installerExists, bool launching);

// The search: every program with `type` 0 or more whose name or pinyin holds the query, or whose
// characters' initials do (see PinyinIndex::Search for the order). `index` holds the names of
// `candidates` in the same order. An empty query or the hint finds nothing here (the page then
// shows its category).
StateList SearchList(const StateList& candidates, const PinyinIndex& index, const std::string& query);
// The programs a search looks through (type 0 or more), in map order.
StateList SearchCandidates(std::map<int, SoftwareState>& states);
// The query with blanks trimmed; "" for the hint.
std::string NormaliseQuery(const std::string& text);

}  // namespace soft_pages
