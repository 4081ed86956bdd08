// The home page's list of installed programs that can be run, and its search by name or by the
// pinyin reading of the name.
#pragma once

#include <string>
#include <vector>

class SoftwareMgr;
struct SoftwareState;

namespace runnable {

constexpr char kSearchHint[] = "请输入查找条件...";
constexpr char kSearchHintShown[] = " 请输入查找条件...";

// Every program (ascending id) with a type of at least -1, enabled for use, not disabled and
// installed.
std::vector<SoftwareState*> Programs(SoftwareMgr& software);
// True when the search text (trimmed) resets the list: empty, or the hint.
bool IsReset(const std::string& trimmed);
// The programs whose lower-cased name, or else the lower-cased pinyin of the name, contains the
// lower-cased text.
std::vector<SoftwareState*> Search(const std::vector<SoftwareState*>& programs, const std::string& text);
// "可运行软件%d款，双击运行软件".
std::string CounterText(int count);
// Blanks trimmed at both ends.
std::string Trim(const std::string& text);

}  // namespace runnable
