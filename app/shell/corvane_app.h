// The program Corvane from start to end: crash handler, single instance (a second start forwards
// its command line and ends), paths, log, data pack, settings, update bookkeeping, the command
// line's decision, the main window, and the shutdown that lets go of the instance lock last.
#pragma once

#include <string>

namespace shell {

// Hands `file` to the desktop's "Open With" chooser: the desktop portal over D-Bus when it
// answers, else xdg-open. 1 when one of them took it.
int OpenWithChooser(const std::string& file);

}  // namespace shell

class CCorvaneApp {
 public:
  // The whole program; the process's exit code.
  int Run(int argc, char** argv);
};
