// The journal that makes installing an update packet whole or nothing, even across a crash.
//
// An install works in a folder of its own inside the installation, ".corvane-packet": the
// journal, the packet's files inflated under "new/<n>", and the files they replace moved to
// "old/<n>" until the packet is in. The journal records, before each change is made, every
// folder the install creates and then the whole plan of the rename phase. Whoever finds the
// folder afterwards (the next start of the updater or of the main program) can therefore tell
// how far the install came, and either finish it (all files were in place) or put every old
// file back and remove what the packet added.
#pragma once

#include <string>
#include <vector>

#include "core/export.h"

namespace ds {

// The work folder's name inside the installation. Packet entries may not use it.
constexpr const char kPacketWorkFolder[] = ".corvane-packet";

// Finishes or rolls back a packet install that was interrupted in `directory` (the installation
// folder), then removes its work folder. Must run while holding the program's mutex, before
// anything else reads or changes the installation: the updater and the main program call it
// first thing at their start. 1 when nothing is pending any more (also when there was nothing
// to do); 0 when an old file could not be put back, in which case the journal stays for the
// next try.
DS_API int RecoverPacketInstall(const std::string& directory);

namespace install {

// One file of the rename phase: the target (relative to the installation) and whether a file,
// link or other entry stood there before, which then is kept as old/<n> until the end.
struct PlannedFile {
  std::string target;
  bool had_old = false;
};

// The journal file of one install, written by the installer.
class Journal {
 public:
  explicit Journal(std::string root);
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  // Creates the work folder with its "new" and "old" folders and an empty journal. False when
  // the work folder exists already or cannot be made.
  bool Create();
  // Records a folder (relative) the install is about to create.
  bool AddFolder(const std::string& relative);
  // Records the plan and that the rename phase begins: from here the installation may change.
  bool BeginRenames(const std::vector<PlannedFile>& plan);
  // Records that every file is in place.
  bool MarkCommitted();
  // Records that every change was undone.
  bool MarkRolledBack();

  std::string NewPath(std::size_t n) const;
  std::string OldPath(std::size_t n) const;
  const std::string& root() const { return root_; }

 private:
  bool Append(const std::string& line);

  std::string root_;
  int fd_ = -1;
};

// Undoes the rename phase of `plan` (all of it, or the part that happened, as the work folder
// shows) and removes the folders the install created, deepest first, when they are empty.
// False when an old file could not be put back.
bool RollBack(const std::string& root, const std::vector<PlannedFile>& plan,
              const std::vector<std::string>& folders);
// Removes the work folder and everything in it.
bool RemoveWorkFolder(const std::string& root);

}  // namespace install
}  // namespace ds
