#include "app/pages/soft_list_rules.h"

#include <algorithm>

#include "app/pages/pinyin_index.h"

namespace soft_pages {

namespace {

constexpr std::uint32_t Rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

constexpr std::uint32_t kRed = Rgb(255, 0, 0);
constexpr std::uint32_t kBlue = Rgb(0, 0, 255);
constexpr std::uint32_t kGreen = Rgb(0, 153, 68);
constexpr std::uint32_t kOrange = Rgb(241, 145, 73);
constexpr char kDownloadButton[] = "/img/BtDownload.png";
constexpr char kInstallButton[] = "/img/BtInstall.png";

}  // namespace

StateList CategoryList(std::map<int, SoftwareState>& states, int category) {
  StateList list;
  for (auto& entry : states) {
    const int type = entry.second.type;
    if (category == 0 ? type > 0 : type == category) list.push_back(&entry.second);
  }
  return list;
}

StateList CommonCategoryList(std::map<int, SoftwareState>& states, int number) {
  StateList list;
  if (number < 1 || number > 30) return list;
  const unsigned mask = 1u << number;
  for (auto& entry : states)
    if (static_cast<unsigned>(entry.second.kind) & mask) list.push_back(&entry.second);
  return list;
}

int PageCount(std::size_t count) {
  return static_cast<int>(count / kItemsPerPage + (count % kItemsPerPage != 0 ? 1 : 0));
}

StateList PageSlice(const StateList& list, int page) {
  const int pages = PageCount(list.size());
  if (pages == 0) return {};
  page = std::clamp(page, 1, pages);
  const std::size_t begin = static_cast<std::size_t>(page - 1) * kItemsPerPage;
  const std::size_t end = std::min(list.size(), begin + kItemsPerPage);
  return StateList(list.begin() + static_cast<std::ptrdiff_t>(begin), list.begin() + static_cast<std::ptrdiff_t>(end));
}

ItemLook LookFor(const SoftwareState& program, bool hovered, bool launching) {
  ItemLook look;
  look.button = kDownloadButton;
  look.state = 3;
  switch (CurrentStatus(program)) {
    case StatusNotInstalled:
      look.text = "未安装";
      look.colour = kRed;
      look.state = 0;
      break;
    case StatusInstalled:
      look.button = kInstallButton;
      look.text = program.upgradeable ? "可升级" : "已安装";
      look.colour = program.upgradeable ? kGreen : kBlue;
      break;
    case StatusWaiting:
      look.text = "等待下载";
      look.keepColour = true;
      break;
    case StatusDownloading:
      look.text = "正在下载";
      look.colour = kOrange;
      break;
    case StatusPausing:
      look.text = "暂停中";
      look.colour = kOrange;
      break;
    case StatusPaused:
      look.text = "暂停下载";
      look.keepColour = true;
      break;
    case StatusCancelling:
      look.text = "取消中";
      look.colour = kOrange;
      break;
    case StatusDownloaded:
      look.button = kInstallButton;
      look.text = "未安装";
      look.colour = kRed;
      look.state = 0;
      break;
    default:
      look.text = "";
      look.keepColour = true;
      look.state = 0;
      break;
  }
  if (launching) {
    look.state = 3;
    look.text = "正在安装";
    look.colour = kOrange;
    look.keepColour = false;
  } else if (hovered) {
    look.state = 1;
  }
  return look;
}

ItemAction ActionFor(const SoftwareState& program, bool installerExists, bool launching) {
  if (launching) return ItemAction::Nothing;
  // An upgrade download shows through `updateStatus`; the program itself stays installed.
  const bool upgrade = program.usesUpdateStatus != 0;
  switch (CurrentStatus(program)) {
    case StatusNotInstalled:
    case StatusCancelled:
    case StatusStopped:
      return upgrade && program.status == StatusInstalled ? ItemAction::Upgrade : ItemAction::Download;
    case StatusInstalled:
      return program.upgradeable ? ItemAction::Upgrade : ItemAction::Run;
    case StatusDownloaded:
      if (installerExists) return ItemAction::Install;
      return upgrade ? ItemAction::Upgrade : ItemAction::Download;
    case StatusWaiting:
    case StatusDownloading:
      return ItemAction::Pause;
    case StatusPaused:
      return ItemAction::Resume;
    default:
      return ItemAction::Nothing;
  }
}

StateList SearchCandidates(std::map<int, SoftwareState>& states) {
  StateList list;
  for (auto& entry : states)
    if (entry.second.type >= 0) list.push_back(&entry.second);
  return list;
}

std::string NormaliseQuery(const std::string& text) {
  const auto begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return {};
  const auto end = text.find_last_not_of(" \t\r\n");
  std::string query = text.substr(begin, end - begin + 1);
  return query == kSearchHint ? std::string() : query;
}

StateList SearchList(const StateList& candidates, const PinyinIndex& index, const std::string& query) {
  StateList found;
  const std::string normalised = NormaliseQuery(query);
  if (normalised.empty()) return found;
  for (std::size_t entry : index.SearchRanked(normalised))
    if (entry < candidates.size()) found.push_back(candidates[entry]);
  return found;
}

}  // namespace soft_pages
