// The desktop session's autostart entry for the manager ("autostart/corvane.desktop" under the
// user's configuration folder): written when the user asks the manager to start with the
// session, so that the session starts it with "/r" at login.
#pragma once
#include <string>

namespace autostart {

// $XDG_CONFIG_HOME/autostart/corvane.desktop, or $HOME/.config/... when XDG_CONFIG_HOME is unset
// or not an absolute path (as the XDG rules require). "" when no home folder is known.
std::string EntryPath();

// `argument` as one double-quoted argument of an Exec value: '"', '`', '$' and '\' get a
// backslash, '%' is doubled (it would start a field code).
std::string QuoteExecArgument(const std::string& argument);

// The first argument (the program) of an Exec value, with quoting and "%%" undone; "" when the
// value holds none or its quote is not closed.
std::string ExecProgram(const std::string& exec);

// A string value as written in the file: '\', newline, tab and carriage return escaped.
std::string EscapeValue(const std::string& value);
// The reverse, including "\s" for a space.
std::string UnescapeValue(const std::string& value);

// The whole entry that starts `program` with "/r".
std::string EntryText(const std::string& program);

// What an entry file says.
struct EntryInfo {
  bool present = false;   // the file was read
  std::string program;    // the program its Exec value starts ("" without one)
  bool enabled = false;   // neither Hidden=true nor X-GNOME-Autostart-enabled=false
};

// Reads the "[Desktop Entry]" group of the file at `path`.
EntryInfo ReadEntry(const std::string& path);

// Writes the entry for `program`, creating the folder, replacing any old file atomically.
bool WriteEntry(const std::string& path, const std::string& program);

// True when both paths name one existing file (after symbolic links), or are equal texts.
bool SameProgram(const std::string& a, const std::string& b);

}  // namespace autostart
