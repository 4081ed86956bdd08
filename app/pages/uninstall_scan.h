// The programs the registry lists as installed, read from the Uninstall keys of the machine (its
// native and 32-bit views) and of the user, for the uninstall page. Plain logic, no windows.
#pragma once

#include <string>
#include <vector>

#include "core/registry/registry_types.h"

struct UninstallEntry {
  std::string name;       // "DisplayName": row text, search key, duplicate key
  std::string command;    // "UninstallString": what the uninstall button runs, duplicate key
  std::string iconSource; // "DisplayIcon": file (and icon index) of the row icon
  std::string version;    // "DisplayVersion"
};

// The program's own entry, never listed.
constexpr char kOwnUninstallName[] = "Kiv软件";

// One Uninstall key to read: a root and the key's path under it.
struct UninstallLocation {
  HKEY root;
  const char* path;
};

// HKEY_LOCAL_MACHINE's native key, its 32-bit (WOW6432Node) key and HKEY_CURRENT_USER's key, in
// that order.
const std::vector<UninstallLocation>& UninstallLocations();

// Reads every location in order. An entry is a subkey with a non-empty "DisplayName" and
// "UninstallString", without "ReleaseType" or "ParentKeyName" (updates and components), whose
// name and command no earlier entry has, and that is not the program's own entry. Subkeys are
// examined before their parent; a nested name is looked up under the location's key itself, as
// installers that nest their keys expect, each key at most once and at most kMaxDepth deep.
std::vector<UninstallEntry> ScanUninstallEntries(const std::vector<UninstallLocation>& locations =
                                                     UninstallLocations());
constexpr int kMaxUninstallDepth = 8;

// The icon a "DisplayIcon" names: the file (quotes removed, %VAR% expanded, a Windows path
// resolved in the Wine prefix) and the icon index after a final ",n" (0 when none).
struct IconSource {
  std::string path;
  long index = 0;
};
IconSource ParseIconSource(const std::string& displayIcon);
