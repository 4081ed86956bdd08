#include "app/pages/uninstall_scan.h"

#include <cctype>
#include <cstdlib>
#include <set>

#include "core/platform/environment.h"
#include "core/platform/wine_prefix.h"
#include "core/registry/registry.h"
#include "core/registry/registry_store.h"
#include "core/text/ascii.h"

namespace {

constexpr unsigned long kNameSize = 513;     // subkey names of up to 512 characters
constexpr unsigned long kDataSize = 16384;  // value names and data of up to 16,383 bytes

class Scanner {
 public:
  Scanner(const UninstallLocation& location, std::vector<UninstallEntry>& entries)
      : location_(location), entries_(entries) {}

  void Run() { Examine(location_.path, 0); }

 private:
  void Examine(const std::string& path, int depth) {
    // Key names ignore letter case: a key reached twice (it names itself, or two keys name
    // each other) is examined once.
    if (depth > kMaxUninstallDepth || !visited_.insert(ds::AsciiLower(path)).second) return;
    ds::Registry key(location_.root);
    if (!key.Open(path.c_str(), KEY_READ)) return;  // a subkey that cannot be opened is skipped
    unsigned long subkeys = 0;
    unsigned long values = 0;
    if (!key.QueryInfoKey(&subkeys, &values)) return;
    std::vector<char> name(kNameSize);
    for (unsigned long i = 0; i < subkeys; ++i) {
      if (!key.EnumKey(i, name.data(), kNameSize)) continue;
      Examine(std::string(location_.path) + "\\" + name.data(), depth + 1);
    }
    if (values > 0) ReadEntry(key, values);
  }

  void ReadEntry(ds::Registry& key, unsigned long values) {
    UninstallEntry entry;
    bool removable = false;
    std::vector<char> name(kDataSize);
    std::vector<char> data(kDataSize);
    for (unsigned long i = 0; i < values; ++i) {
      unsigned long size = kDataSize;
      unsigned long type = 0;
      if (!key.EnumValue(i, name.data(), kDataSize, &type, data.data(), &size)) continue;
      if (type != REG_SZ && type != REG_EXPAND_SZ) data[0] = '\0';
      const std::string value_name = name.data();
      if (value_name == "DisplayName") {
        entry.name = data.data();
        if (entry.name.empty()) return;
      } else if (value_name == "UninstallString") {
        entry.command = data.data();
        removable = !entry.command.empty();
      } else if (value_name == "DisplayIcon") {
        entry.iconSource = data.data();
      } else if (value_name == "DisplayVersion") {
        entry.version = data.data();
      } else if (value_name == "ReleaseType" || value_name == "ParentKeyName") {
        return;  // an update or a component of another program
      }
    }
    if (!removable || entry.name.empty() || entry.name == kOwnUninstallName) return;
    for (const UninstallEntry& known : entries_)
      if (known.name == entry.name || known.command == entry.command) return;
    entries_.push_back(std::move(entry));
  }

  const UninstallLocation& location_;
  std::vector<UninstallEntry>& entries_;
  std::set<std::string> visited_;
};

}  // namespace

const std::vector<UninstallLocation>& UninstallLocations() {
  static const std::vector<UninstallLocation> locations = {
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
      {HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
  };
  return locations;
}

std::vector<UninstallEntry> ScanUninstallEntries(const std::vector<UninstallLocation>& locations) {
  std::vector<UninstallEntry> entries;
  const ds::reg::ReadBatch snapshot;  // one check of the registry files for the whole scan
  for (const UninstallLocation& location : locations) Scanner(location, entries).Run();
  return entries;
}

IconSource ParseIconSource(const std::string& displayIcon) {
  IconSource source;
  std::string text = displayIcon;
  // ",n" or ",-n" after the file names the icon; a comma inside a file name stays.
  const std::size_t comma = text.rfind(',');
  if (comma != std::string::npos) {
    std::size_t digits = comma + 1;
    while (digits < text.size() && text[digits] == ' ') ++digits;
    if (digits < text.size() && text[digits] == '-') ++digits;
    bool number = digits < text.size() && digits - comma <= 12;
    for (std::size_t i = digits; number && i < text.size(); ++i)
      number = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
    if (number) {
      source.index = std::strtol(text.c_str() + comma + 1, nullptr, 10);
      text.erase(comma);
    }
  }
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && blank(text[start])) ++start;
  text.erase(0, start);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  if (text.empty()) return source;
  source.path = ds::ResolveWindowsPath(ds::ExpandEnvironmentStrings(text));
  return source;
}
