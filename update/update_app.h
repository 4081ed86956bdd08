// The updater program: waits for the main program to let go of its mutex, holds the mutex for
// the update, runs the window, and starts the main program again after a successful update.
#pragma once

namespace update {

class CUpdateApp {
 public:
  // The whole program; the process's exit code.
  int Run(int argc, char** argv);
};

}  // namespace update
