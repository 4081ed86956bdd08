// The program's command line: the canonical text a second instance forwards to the running one,
// its parsing into a path and flags, and what start-up does with it.
//
// A switch is a token of '/' and one letter ("/a", "/r"). Paths here start with '/' too, so a
// longer token beginning with '/' is a path, not a switch.
#pragma once

#include <string>

namespace shell {

enum CommandFlags : unsigned {
  kOpenWithChooser = 0x1,  // "/a <file>": show the file in the association chooser
  kBadArgument = 0x2,      // the file named after the switch does not exist
  kStartedFromRun = 0x4,   // "/r": started from the desktop's autostart
};

// The command line as one text: the arguments after the program name, joined by single spaces.
std::string JoinArguments(int argc, const char* const* argv);

// "/a <file>" -> "/a \"<long path>\"" ("/a \"\"" when the file does not exist); "/r ..." -> the
// whole text; anything else (no switch, another switch) -> "".
std::string NormalizeCommandLine(const std::string& raw);

struct ParsedCommandLine {
  std::string path;
  unsigned flags = 0;
};
ParsedCommandLine ParseCommandLine(const std::string& text);

enum class StartAction {
  Chooser,      // main window stays hidden; the file waits for the association chooser
  Normal,       // the main window
  BadArgument,  // "错误的命令参数", then end
  OpenWith,     // hand the file to the desktop's "Open With", then end
};
// `raw` is the command line before normalising.
StartAction DecideStartAction(const std::string& raw, unsigned flags);

constexpr const char kBadArgumentText[] = "错误的命令参数";

}  // namespace shell
