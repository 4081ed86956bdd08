// Reading a file whole; writing files safely: complete writes, and replacing a file so that a crash leaves either
// the old or the new content, never a part.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/export.h"

namespace ds {

// Writes all `size` bytes to `fd`, going on after short writes and signals. False on an error
// (errno tells which) or when the file takes no more bytes.
DS_API bool WriteAll(int fd, const void* data, std::size_t size);

// Flushes the folder holding `path` to the disk, so that a file created or renamed there
// survives a crash. A failure is ignored: the change itself has already happened.
DS_API void SyncDirectoryOf(const std::string& path);

// The mode open(2) gives a new file created with `mode`: `mode` less the process's umask.
DS_API unsigned CreationMode(unsigned mode);

// Reads the whole file at `path` into `out`. False when it cannot be opened or read.
DS_API bool ReadWholeFile(const std::string& path, std::string& out);

// Replaces the file at `path` with `bytes`: a temporary file in the same folder is written,
// flushed and renamed over it, and the folder is flushed. A symbolic link at `path` is followed
// (the file it points to is replaced, the link stays). An existing file keeps its permissions; a
// new one gets `default_mode` exactly (pass CreationMode(...) to honour the umask). False when
// anything fails; the target is then untouched and no temporary file is left.
DS_API bool ReplaceFileAtomically(const std::string& path, std::string_view bytes,
                                  unsigned default_mode);

// A temporary file beside `target` (in its folder, so the final rename never crosses file
// systems) that takes the target's place on Commit(). The target is untouched until then; a
// replacement that is not committed is removed when it goes out of scope.
class DS_API FileReplacement {
 public:
  explicit FileReplacement(const std::string& target);
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // The temporary file (mode 0600, close-on-exec), or -1 when it could not be created (errno
  // tells why).
  int fd() const { return fd_; }

  // Flushes the data to the disk, closes the file, renames it over the target and flushes the
  // folder. False (errno tells why) when the file could not be flushed, closed or renamed.
  bool Commit();

 private:
  std::string target_;
  std::string temp_;
  int fd_ = -1;
  bool committed_ = false;
};

}  // namespace ds
