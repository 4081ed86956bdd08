// Where this program lives and where it writes. The program path is the folder of the running
// executable: programs, libraries and the data pack shipped with them are read from there, and
// whatever names the program itself (the updater beside it, the association open command,
// icons) is built from it. The work path is where the program writes its data (settings, logs,
// downloads, account history, data packets, newer packs): the program folder when this user may
// write to it (a per-user installation), else the user's data folder (a system-wide package).
#pragma once

#include <string>

#include "core/export.h"

namespace ds {

// The folder of this process's executable (/proc/self/exe, links resolved), "" when unknown.
DS_API std::string ProgramDirectory();

// True when `dir` is an existing folder this process may create files in.
DS_API bool IsWritableDirectory(const std::string& dir);

// The work path for an installation in `program_dir`: `program_dir` itself when
// `program_dir_writable(program_dir)` says so (default: IsWritableDirectory), else
// UserDataDirectory() + "/corvane", created (mode 0700) when missing. "" when neither is usable.
DS_API std::string ChooseWorkPath(const std::string& program_dir,
                                  bool (*program_dir_writable)(const std::string&) = nullptr);

// The command that starts `executable` from the desktop (autostart, menu, file handlers): the
// launcher "<prefix>/bin/corvane" of an installation in "<prefix>/lib/corvane" when that
// launcher starts `executable`, else `executable` itself. Without an argument: this process's.
DS_API std::string ProgramLauncher(const std::string& executable);
DS_API std::string ProgramLauncher();

}  // namespace ds
