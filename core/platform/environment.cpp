#include "core/platform/environment.h"

#include <pwd.h>

#include <cstdlib>
#include <strings.h>
#include <unistd.h>

extern char** environ;

namespace ds {
namespace {

// The value of the variable `name`, or null when it is not set.
const char* LookUp(std::string_view name) {
  if (name.empty() || name.find('=') != std::string_view::npos) return nullptr;
  std::string key(name);
  if (const char* value = std::getenv(key.c_str())) return value;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const char* text = *entry;
    if (strncasecmp(text, key.c_str(), key.size()) == 0 && text[key.size()] == '=')
      return text + key.size() + 1;
  }
  return nullptr;
}

}  // namespace

std::string ExpandEnvironmentStrings(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t open = text.find('%', pos);
    if (open == std::string_view::npos) {
      out.append(text.substr(pos));
      break;
    }
    out.append(text.substr(pos, open - pos));
    std::size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) {  // no closing '%': the rest is plain text
      out.append(text.substr(open));
      break;
    }
    std::string_view name = text.substr(open + 1, close - open - 1);
    if (const char* value = LookUp(name))
      out.append(value);
    else
      out.append(text.substr(open, close - open + 1));
    pos = close + 1;
  }
  return out;
}

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home == '/') return home;
  struct passwd pw;
  struct passwd* found = nullptr;
  char buf[4096];
  if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return "";
}

namespace {

// $`variable` when it is absolute (relative values are invalid by the XDG rules), else
// home + `fallback`; "" without a home folder.
std::string XdgDirectory(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  if (value != nullptr && *value == '/') return value;
  const std::string home = HomeDirectory();
  return home.empty() ? "" : home + fallback;
}

}  // namespace

std::string UserConfigDirectory() { return XdgDirectory("XDG_CONFIG_HOME", "/.config"); }

std::string UserDataDirectory() { return XdgDirectory("XDG_DATA_HOME", "/.local/share"); }

std::vector<std::string> SystemDataDirectories() {
  std::vector<std::string> dirs;
  const char* list = std::getenv("XDG_DATA_DIRS");
  const std::string text = list != nullptr ? list : "";
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(':', start);
    if (end == std::string::npos) end = text.size();
    const std::string dir = text.substr(start, end - start);
    if (!dir.empty() && dir[0] == '/') dirs.push_back(dir);
    start = end + 1;
  }
  if (dirs.empty()) dirs = {"/usr/local/share", "/usr/share"};
  return dirs;
}

}  // namespace ds
