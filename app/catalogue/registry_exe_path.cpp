#include "app/catalogue/registry_exe_path.h"

#include <algorithm>

#include "core/text/path.h"
#include "core/platform/environment.h"

namespace {

void RemoveQuotes(std::string& text) { text.erase(std::remove(text.begin(), text.end(), '"'), text.end()); }

void TrimTrailingBlanks(std::string& text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
}

// A quoted path that starts with an environment string and ends with a "%1" placeholder, such
// as "%ProgramFiles%\App\app.exe" "%1", becomes the expanded path alone.
std::string ExpandCommandValue(std::string value) {
  if (value.find('%') == std::string::npos) return value;
  RemoveQuotes(value);
  std::size_t last = value.rfind('%');
  if (last + 1 < value.size() && value[last + 1] == '1') {
    value.erase(last, 2);
    last = value.rfind('%');
  }
  if (last != std::string::npos) {
    value = ds::ExpandEnvironmentStrings(std::string_view(value).substr(0, last + 1)) +
            value.substr(last + 1);
  }
  TrimTrailingBlanks(value);
  // A short (8.3) name would be replaced by its long form; here a path is its own long form.
  return value;
}

bool KeepDirectory(std::string& value) {
  const std::size_t separator = ds::LastSeparator(value);
  if (separator == std::string::npos) return false;
  value.resize(separator + 1);
  return true;
}

}  // namespace

bool ShapeRegistryExePath(const std::string& value, int performStyle, const std::string& exe,
                          const std::string& regapp, std::string& path) {
  std::string shaped = value;
  switch (performStyle) {
    case 0:
      if (exe.empty()) shaped = ExpandCommandValue(shaped);
      break;
    case 1: {
      const std::size_t space = shaped.find(' ');
      if (space != std::string::npos) shaped.resize(space);
      break;
    }
    case 2:
    case 5:
      if (!KeepDirectory(shaped)) return false;
      break;
    case 3:
      RemoveQuotes(shaped);
      break;
    case 4:
      shaped = regapp;
      if (!KeepDirectory(shaped)) return false;
      break;
    default:
      break;
  }
  path = exe.empty() ? shaped : shaped + exe;
  return true;
}

std::string KeyEncodedExePath(const std::string& regapp) {
  const std::size_t slash = regapp.rfind('\\');
  std::string path = slash == std::string::npos ? regapp : regapp.substr(slash + 1);
  std::replace(path.begin(), path.end(), '|', '\\');
  return path;
}
