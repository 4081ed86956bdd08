#include "app/home/runnable_list.h"

#include <cstdio>

#include "app/catalogue/software_mgr.h"
#include "app/pages/pinyin.h"
#include "core/text/ascii.h"

namespace runnable {

std::vector<SoftwareState*> Programs(SoftwareMgr& software) {
  std::vector<SoftwareState*> programs;
  for (auto& entry : software.States()) {
    SoftwareState& state = entry.second;
    if (state.type >= -1 && state.enableuse && state.disable == 0 && state.status == StatusInstalled)
      programs.push_back(&state);
  }
  return programs;
}

bool IsReset(const std::string& trimmed) { return trimmed.empty() || trimmed == kSearchHint; }

std::vector<SoftwareState*> Search(const std::vector<SoftwareState*>& programs, const std::string& text) {
  const std::string wanted = ds::AsciiLower(text);
  std::vector<SoftwareState*> kept;
  for (SoftwareState* state : programs) {
    if (ds::AsciiLower(state->name).find(wanted) != std::string::npos ||
        ds::AsciiLower(GbkToPinyin(state->name)).find(wanted) != std::string::npos)
      kept.push_back(state);
  }
  return kept;
}

std::string CounterText(int count) {
  char text[96];
  std::snprintf(text, sizeof(text), "可运行软件%d款，双击运行软件", count);
  return text;
}

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace runnable
