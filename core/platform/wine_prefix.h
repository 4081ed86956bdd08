// The Wine prefix Windows programs install into and run in, what its drive letters stand for,
// and whether the installed Wine can run a given program.
#pragma once

#include <string>
#include <string_view>

#include "core/export.h"

namespace ds {

// The prefix named by the settings ("" when none); read by WinePrefix().
DS_API void SetConfiguredWinePrefix(const std::string& prefix);
DS_API std::string ConfiguredWinePrefix();

// The prefix in use: $WINEPREFIX when set, else the configured one, else ~/.wine; "" when there
// is no home folder either. Wine itself reads $WINEPREFIX, so the environment wins: what we read
// and what the programs we start see is the same prefix.
DS_API std::string WinePrefix();

// A Windows path ("C:\Program Files\App\app.exe", also with '/' or a "\\?\" prefix) as the file
// it names inside the prefix: the drive's link in <prefix>/dosdevices gives the folder, and each
// following name is matched ignoring letter case when it is not spelled as on disk. Any other
// path (ours are absolute POSIX paths) comes back through NativePath unchanged.
DS_API std::string ResolveWindowsPath(std::string_view path);

// The other way: the Windows path Wine gives our file `path` (absolute), through the drive whose
// folder holds it (the longest match among the prefix's dosdevices links), such as
// "Z:\home\me\setup.msi" or "C:\Program Files\App". "" when no drive holds it.
DS_API std::string WindowsPathOf(std::string_view path);

// True for a path that starts with a drive letter and a colon.
DS_API bool IsWindowsDrivePath(std::string_view path);

// What stands between a Windows program and its start.
enum class WineStatus {
  kReady,      // wine is installed and can run it
  kNoWine,     // no wine on $PATH
  kNo32Bit,    // a 32-bit program, and the installed Wine has no 32-bit part (wine32)
};

// Checks `program` (a .exe or .msi on disk): wine on $PATH, and for a 32-bit executable (read
// from its PE header) a 32-bit Wine beside it.
DS_API WineStatus CheckWineFor(const std::string& program);

// True when the wine on $PATH has its 32-bit part: Debian's wine32 loader (lib/wine/wine next to
// the bin folder of wine), or a wine that is itself a 32-bit program (upstream builds).
DS_API bool Wine32Installed();

// The message the user gets for a status other than kReady: what is missing and the commands that
// add it. "" for kReady.
DS_API std::string WineStatusMessage(WineStatus status, const std::string& program);

}  // namespace ds
