// Environment strings as Windows expands them ("%ProgramFiles%\x").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/export.h"

namespace ds {

// Replaces every "%NAME%" with the value of NAME from the process environment.
//  - The name is looked up exactly first, then ignoring ASCII letter case (Windows names are
//    case-insensitive, so "%windir%" finds "WINDIR").
//  - A variable that is set but empty expands to "".
//  - An unknown name, and "%%" (an empty name), stay as written, both '%' included, and the scan
//    goes on after the closing '%': "%NOPE%x" stays "%NOPE%x", "100%%" stays "100%%".
//  - A '%' without a closing one is copied as it is.
DS_API std::string ExpandEnvironmentStrings(std::string_view text);

// The user's home folder: $HOME when it is absolute, else the password database's entry; "".
DS_API std::string HomeDirectory();

// The user's configuration folder: $XDG_CONFIG_HOME when it is absolute, else home + "/.config";
// "" without a home folder.
DS_API std::string UserConfigDirectory();

// The user's data folder: $XDG_DATA_HOME when it is absolute, else home + "/.local/share"; "".
DS_API std::string UserDataDirectory();

// The system's data folders, most important first: the absolute entries of $XDG_DATA_DIRS, or
// /usr/local/share and /usr/share when it names none.
DS_API std::vector<std::string> SystemDataDirectories();

}  // namespace ds
