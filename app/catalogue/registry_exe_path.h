// How a registry value naming a program's install location becomes the path of its executable.
#pragma once
#include <string>

// Shapes `value` by `performStyle`, then appends `exe` when it is not empty:
//   0  with no `exe`: quotes dropped, a trailing "%1" placeholder cut, environment strings up to
//      the last '%' expanded, trailing blanks dropped (Windows ignores them in a path)
//   1  the text before the first space (a command line's program)
//   2, 5  the directory, up to and including the last separator
//   3  quotes dropped
//   4  `regapp` itself, then as 2
// False when style 2, 4 or 5 meets a text without a directory: it names no usable path.
bool ShapeRegistryExePath(const std::string& value, int performStyle, const std::string& exe,
                          const std::string& regapp, std::string& path);

// The executable path a PerformStyle 4 key name encodes: the last component of `regapp` with
// every '|' turned into '\'.
std::string KeyEncodedExePath(const std::string& regapp);
