// What an extractor needs to know about one zip entry besides its data: the stored name as
// UTF-8, the times, and the DOS and Unix attributes, read with libzip. Shared by the zip reader
// and the updater's packet installer.
#pragma once

#include <sys/types.h>
#include <zip.h>

#include <ctime>
#include <string>

#include "core/export.h"

namespace ds {

struct ZipEntryMeta {
  zip_uint64_t size = 0;
  bool directory = false;
  bool symlink = false;
  bool read_only = false;
  bool has_unix_mode = false;
  mode_t unix_mode = 0;
  bool has_mtime = false;
  time_t mtime = 0;
  bool has_atime = false;
  time_t atime = 0;
};

// The stored name as UTF-8: names without the UTF-8 flag are GBK.
DS_API bool ReadZipEntryName(zip_t* archive, zip_uint64_t index, std::string& out);

// Size, times (the extended timestamp field first, local then central, else the DOS time) and
// attributes of entry `index`. False when the entry cannot be read.
DS_API bool ReadZipEntryMeta(zip_t* archive, zip_uint64_t index, ZipEntryMeta& meta);

// Mode rule: the entry's Unix permission bits when the archive was made on Unix and the entry
// has any (never set-id bits), otherwise the replaced file's old mode, otherwise
// `created_mode`; the read-only attribute then clears the write bits.
DS_API mode_t ZipEntryMode(const ZipEntryMeta& meta, mode_t old_mode, mode_t created_mode);

// Sets the stored modify (and access) time on the open file; true when there is none to set.
DS_API bool ApplyZipEntryTimes(int fd, const ZipEntryMeta& meta);

}  // namespace ds
