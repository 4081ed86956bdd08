#include "app/shell/command_line.h"

#include <cctype>

#include "core/text/path.h"

namespace shell {
namespace {

// The first switch of `text`: its letter, and where the text after it begins (one blank
// skipped). Tokens are separated by runs of spaces. 0 when there is none.
char FindSwitch(const std::string& text, std::size_t& rest) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    if (pos >= text.size()) break;
    std::size_t end = text.find(' ', pos);
    if (end == std::string::npos) end = text.size();
    if (end - pos == 2 && text[pos] == '/' && std::isalpha(static_cast<unsigned char>(text[pos + 1]))) {
      rest = end < text.size() ? end + 1 : end;
      return static_cast<char>(std::tolower(static_cast<unsigned char>(text[pos + 1])));
    }
    pos = end;
  }
  return 0;
}

std::string StripQuotes(std::string path) {
  if (!path.empty() && path.front() == '"') path.erase(0, 1);
  if (!path.empty() && path.back() == '"') path.pop_back();
  return path;
}

}  // namespace

std::string JoinArguments(int argc, const char* const* argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

std::string NormalizeCommandLine(const std::string& raw) {
  std::size_t rest = 0;
  const char letter = FindSwitch(raw, rest);
  if (letter == 'a') {
    const std::string path = StripQuotes(raw.substr(rest));
    // The long form of a path is the path itself here; a missing file has none.
    const std::string long_path = !path.empty() && ds::PathExists(path) ? path : std::string();
    return "/a \"" + long_path + "\"";
  }
  if (letter == 'r') return raw;
  return std::string();
}

ParsedCommandLine ParseCommandLine(const std::string& text) {
  ParsedCommandLine result;
  std::size_t rest = 0;
  const char letter = FindSwitch(text, rest);
  if (letter == 0) return result;
  if (letter == 'r') {
    result.flags |= kStartedFromRun;
    return result;
  }
  if (letter == 'a') result.flags |= kOpenWithChooser;
  result.path = StripQuotes(text.substr(rest));
  if (result.path.empty() || !ds::PathExists(result.path)) result.flags |= kBadArgument;
  return result;
}

StartAction DecideStartAction(const std::string& raw, unsigned flags) {
  if ((flags & kOpenWithChooser) && !(flags & kBadArgument) && !raw.empty()) return StartAction::Chooser;
  if (raw.empty() || (flags & kStartedFromRun)) return StartAction::Normal;
  if (flags & kBadArgument) return StartAction::BadArgument;
  return StartAction::OpenWith;
}

}  // namespace shell
