#include "app/shell/shell_rules.h"

#include <cstdio>

namespace shell {

QuickLaunch DecideQuickLaunch(int status) {
  switch (status) {
    case 1: return QuickLaunch::Run;
    case 4: case 5: case 6: return QuickLaunch::SayDownloading;
    case 9: return QuickLaunch::AskInstall;
    case 0: return QuickLaunch::AskDownload;
    default: return QuickLaunch::Nothing;
  }
}

std::string QuickLaunchText(QuickLaunch action, const std::string& label) {
  switch (action) {
    case QuickLaunch::SayDownloading: return label + "正在下载...";
    case QuickLaunch::AskInstall: return "是否现在要安装" + label;
    case QuickLaunch::AskDownload: return "您还未安装" + label + "，是否立即下载";
    default: return std::string();
  }
}

std::string ProductLaunchParameters(bool logged_in, const std::string& account) {
  if (!logged_in || account.empty()) return std::string();
  return "-a" + account;
}

EditLook OnSearchFocusIn(const std::string& text) {
  if (text.empty() || text == kSearchHint) return EditLook{true, std::string(), false};
  return EditLook{};
}

EditLook OnSearchFocusOut(const std::string& text) {
  if (text.empty()) return EditLook{true, kSearchHint, true};
  return EditLook{};
}

std::string SearchTerm(const std::string& text) {
  if (text == kSearchHint) return std::string();
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace shell
