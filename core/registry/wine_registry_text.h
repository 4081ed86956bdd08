// Wine's own registry files (system.reg, user.reg, userdef.reg of a prefix), read into our key
// tree. The format is not regedit's: a "WINE REGISTRY Version 2" header, "[key] timestamp"
// sections whose names are relative to the file's hive (backslashes doubled), "#time=", "#arch="
// and "#link" lines, str(2): and str(7): strings, hex: and hex(n): data, and C-style escapes
// (\x4e2d for characters outside ASCII) in key names, value names and strings.
#pragma once

#include <string_view>

#include "core/export.h"
#include "core/registry/registry_tree.h"

namespace ds {
namespace reg {

struct WineParseReport {
  bool recognised = false;  // the header was found: the text is a Wine registry file
  int keys = 0;             // sections read
  int values = 0;           // values read
  int damaged_line = 0;     // 1-based line where reading stopped at damage; 0 when read to the end
};

// Adds the keys of a Wine registry file below `hive` (the key its section names are relative
// to: HKEY_LOCAL_MACHINE for system.reg, HKEY_CURRENT_USER for user.reg). Strings (also those
// stored as hex(1), hex(2) or hex(7)) become UTF-8 with their terminating NUL, as our store keeps
// them; other data stays as stored. A text without the header adds nothing. At the first line
// that makes no sense reading stops: the keys and values before it are kept, nothing after it.
DS_API WineParseReport ParseWineRegistry(std::string_view text, Key* hive);

}  // namespace reg
}  // namespace ds
