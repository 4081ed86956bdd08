// The identity of one version of a file, as stat gives it: enough to tell, without reading it,
// whether a file read earlier has changed since.
#pragma once

#include <cstdint>

#include <sys/stat.h>

#include "core/export.h"

namespace ds {
namespace reg {

struct DS_API FileStamp {
  bool present = false;
  std::uint64_t dev = 0, ino = 0, size = 0;
  std::int64_t mtime_ns = 0, ctime_ns = 0;

  // The stamp of a file stat found (`present`), or of a missing one.
  static FileStamp Of(bool present, const struct stat& st);
  bool operator==(const FileStamp& o) const;
  bool operator!=(const FileStamp& o) const { return !(*this == o); }

  // A file modified this close to `read_time_ns` may be modified again without its times
  // changing (time stamps advance in clock ticks, or whole seconds on some file systems), so its
  // stamp alone cannot tell the versions apart: read it again next time.
  bool IsRacy(std::int64_t read_time_ns) const;
};

// The real-time clock in nanoseconds, the clock file times are taken from.
DS_API std::int64_t NowNs();

}  // namespace reg
}  // namespace ds
