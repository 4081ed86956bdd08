// Disk facts and moves. Paths may be written with '\' (they pass NativePath).
#pragma once

#include <cstdint>

#include "core/export.h"

namespace ds {

// Bytes available to this (unprivileged) caller on the file system holding `path`
// (statvfs: f_bavail * f_frsize). A path that does not exist yet is measured at its nearest
// existing parent, so a download folder can be checked before it is created; a relative path
// without an existing parent is measured at the current directory. Returns 1, or 0 with
// *bytes = 0 when the file system cannot be asked.
DS_API int GetFreeDiskSpace(const char* path, std::uint64_t* bytes);

// Moves `from` to `to`, replacing an existing file `to`. Returns 1 on success, 0 on failure.
// On one file system this is a rename. Across file systems (a regular file only) the data is
// copied into a temporary file beside `to`, which gets the source's mode, owner (when allowed)
// and times, is flushed to disk and renamed into place; only then is `from` deleted. So `to` is
// at every moment either its old content or the complete new one, and a failed move leaves
// `to` untouched and no temporary file behind. When the copy is in place but `from` cannot be
// deleted the move still counts as done (as the Windows move does) and the leftover is logged.
// Directories move only within one file system. The parent folder of `to` must exist.
DS_API int MoveFileReplace(const char* from, const char* to);

}  // namespace ds
