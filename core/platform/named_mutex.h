// Named mutexes shared between processes of the same user: an exclusive flock on a lock file
// named after the mutex in the runtime folder. The kernel drops the lock when its holder ends,
// however it ends, so a crashed holder never leaves the mutex behind. The lock file itself is
// never deleted: removing it while someone waits on it would let two processes hold "the same"
// mutex through two different files.
#pragma once

#include <string>

#include "core/export.h"

namespace ds {

// The per-user runtime folder: "$XDG_RUNTIME_DIR/corvane" when that variable names an existing
// absolute folder, else "/tmp/corvane-<uid>". Created with mode 0700 when missing. A folder that
// is not ours, is a symbolic link, is writable by group or others, or sits in a parent that
// others may write without the sticky bit, is refused (someone else could plant or replace lock
// files in it): the result is then "". No trailing separator.
// The lock files live here, and so does anything else that needs a per-user rendezvous point
// (the local socket of the running instance).
DS_API std::string GetRuntimeDirectory();

// The lock file of the mutex `name` ("<runtime folder>/<name>.lock"), or "" when the name is not
// usable as a file name (empty, starting with '.', containing '/' or '\') or the runtime folder
// is refused.
DS_API std::string NamedMutexPath(const char* name);

class DS_API NamedMutex {
 public:
  NamedMutex() = default;
  // Releases the mutex when this object holds it.
  ~NamedMutex();
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Tries once, without waiting, to take the mutex `name`.
  //   1  taken (also when this object already held it);
  //   0  another holder has it (another process, or another NamedMutex object of ours);
  //  -1  the lock file cannot be used (bad name, refused runtime folder, open failure);
  //      the reason is logged.
  // Holding another name first releases that one.
  int TryAcquire(const char* name);

  // Unlocks and closes. Harmless when nothing is held.
  void Release();

  bool IsHeld() const { return fd_ >= 0; }

  // True while someone holds the mutex `name` (the lock cannot be taken). Never creates the lock
  // file; false when it does not exist or cannot be used.
  static bool Exists(const char* name);

  // Waits for the mutex `name` to vanish: up to `attempts` times, sleeps `interval_ms` and then
  // looks. Returns 1 as soon as nobody holds it, 0 when it was still held at the last look.
  // With fewer than one attempt it looks once without sleeping.
  static int WaitGone(const char* name, int attempts, int interval_ms);

 private:
  int fd_ = -1;
};

}  // namespace ds
