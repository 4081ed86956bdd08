#include "core/registry/file_stamp.h"

#include <ctime>

namespace ds {
namespace reg {

FileStamp FileStamp::Of(bool present, const struct stat& st) {
  FileStamp stamp;
  if (!present) return stamp;
  stamp.present = true;
  stamp.dev = static_cast<std::uint64_t>(st.st_dev);
  stamp.ino = static_cast<std::uint64_t>(st.st_ino);
  stamp.size = static_cast<std::uint64_t>(st.st_size);
  stamp.mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  stamp.ctime_ns = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return stamp;
}

bool FileStamp::operator==(const FileStamp& o) const {
  return present == o.present && dev == o.dev && ino == o.ino && size == o.size &&
         mtime_ns == o.mtime_ns && ctime_ns == o.ctime_ns;
}

bool FileStamp::IsRacy(std::int64_t read_time_ns) const {
  if (!present) return false;
  const std::int64_t margin = (mtime_ns % 1000000000 == 0) ? 2000000000 : 100000000;
  return mtime_ns >= read_time_ns - margin;
}

std::int64_t NowNs() {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace reg
}  // namespace ds
