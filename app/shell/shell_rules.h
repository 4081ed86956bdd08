// Small decisions of the main window, kept apart from it: quick launch by a program's status,
// the search edit's hint, the status label texts.
#pragma once

#include <string>

namespace shell {

// Quick launch buttons 1084 / 1086 / 1075.
enum class QuickLaunch { Run, SayDownloading, AskInstall, AskDownload, Nothing };
QuickLaunch DecideQuickLaunch(int status);
// The question or notice text for `action` with the button's label; "" for Run and Nothing.
std::string QuickLaunchText(QuickLaunch action, const std::string& label);
// The parameters of the product launch: "-a" + account while logged in, else "". A password
// never goes on a command line (every local user can read those).
std::string ProductLaunchParameters(bool logged_in, const std::string& account);

// The search edit's grey hint, its colour (COLORREF) and the rules around it.
constexpr const char kSearchHint[] = " 请输入查找条件...";
constexpr unsigned kSearchHintColour = 0x00ADADAD;
struct EditLook {
  bool change = false;  // set text and colour below
  std::string text;
  bool hint = false;    // grey hint colour, else black
};
// Focus gained: an empty edit or one showing the hint is cleared to black text.
EditLook OnSearchFocusIn(const std::string& text);
// Focus lost: an empty edit shows the hint.
EditLook OnSearchFocusOut(const std::string& text);
// The term to search for: the trimmed text; "" while the hint shows.
std::string SearchTerm(const std::string& text);

}  // namespace shell
