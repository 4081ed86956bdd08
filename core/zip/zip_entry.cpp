#include "core/zip/zip_entry.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/text/text_codec.h"

namespace ds {
namespace {

constexpr zip_uint16_t kExtendedTimestampId = 0x5455;  // "UT"
constexpr zip_uint32_t kDosReadOnly = 0x01;
constexpr zip_uint32_t kDosDirectory = 0x10;

std::int32_t ReadLe32(const zip_uint8_t* p) {
  std::uint32_t v = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                    std::uint32_t(p[3]) << 24;
  return static_cast<std::int32_t>(v);
}

// Extended timestamp field: a flags byte (bit 0 modify, bit 1 access, bit 2 create) followed by
// the flagged times as signed 32-bit Unix times. The central copy carries the modify time only.
bool ReadExtendedTimes(zip_t* archive, zip_uint64_t index, zip_flags_t where, ZipEntryMeta& meta) {
  zip_uint16_t length = 0;
  const zip_uint8_t* data =
      zip_file_extra_field_get_by_id(archive, index, kExtendedTimestampId, 0, &length, where);
  if (data == nullptr || length < 5 || (data[0] & 0x01) == 0) return false;
  meta.has_mtime = true;
  meta.mtime = ReadLe32(data + 1);
  if ((data[0] & 0x02) != 0 && length >= 9) {
    meta.has_atime = true;
    meta.atime = ReadLe32(data + 5);
  }
  return true;
}

}  // namespace

// libzip hides the UTF-8 flag, but its strict reading converts an unflagged non-ASCII name from
// CP437, so a strict name that differs from the raw bytes marks a GBK one.
bool ReadZipEntryName(zip_t* archive, zip_uint64_t index, std::string& out) {
  const char* raw = zip_get_name(archive, index, ZIP_FL_ENC_RAW);
  if (raw == nullptr) return false;
  const char* strict = zip_get_name(archive, index, ZIP_FL_ENC_STRICT);
  out = (strict != nullptr && std::string_view(raw) == strict) ? std::string(raw) : GbkToUtf8(raw);
  return true;
}

bool ReadZipEntryMeta(zip_t* archive, zip_uint64_t index, ZipEntryMeta& meta) {
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(archive, index, ZIP_FL_ENC_RAW, &st) != 0 || (st.valid & ZIP_STAT_SIZE) == 0)
    return false;
  meta.size = st.size;
  if (st.valid & ZIP_STAT_MTIME) {  // DOS date and time, converted by libzip as local time
    meta.has_mtime = true;
    meta.mtime = st.mtime;
  }
  if (!ReadExtendedTimes(archive, index, ZIP_FL_LOCAL, meta))
    ReadExtendedTimes(archive, index, ZIP_FL_CENTRAL, meta);

  zip_uint8_t opsys = 0;
  zip_uint32_t attributes = 0;
  if (zip_file_get_external_attributes(archive, index, 0, &opsys, &attributes) == 0) {
    meta.read_only = (attributes & kDosReadOnly) != 0;
    meta.directory = (attributes & kDosDirectory) != 0;
    const mode_t mode = static_cast<mode_t>(attributes >> 16);
    if (opsys == ZIP_OPSYS_UNIX && mode != 0) {
      if (S_ISDIR(mode)) meta.directory = true;
      if (S_ISLNK(mode)) {
        meta.symlink = true;
      } else {
        meta.has_unix_mode = true;
        meta.unix_mode = mode;
      }
    }
  }
  const char* raw = zip_get_name(archive, index, ZIP_FL_ENC_RAW);
  const std::size_t length = raw ? std::strlen(raw) : 0;
  if (length > 0 && (raw[length - 1] == '/' || raw[length - 1] == '\\')) meta.directory = true;
  return true;
}

mode_t ZipEntryMode(const ZipEntryMeta& meta, mode_t old_mode, mode_t created_mode) {
  mode_t mode;
  // A Unix mode without any permission bit (written by tools that fill in the file type only)
  // would make the file unusable: such an entry is treated as one without a Unix mode.
  if (meta.has_unix_mode && (meta.unix_mode & 0777) != 0) {
    mode = meta.unix_mode & 0777;
  } else if (old_mode != 0) {
    mode = old_mode;
  } else {
    mode = created_mode;
  }
  if (meta.read_only) mode &= ~static_cast<mode_t>(0222);
  return mode;
}

bool ApplyZipEntryTimes(int fd, const ZipEntryMeta& meta) {
  if (!meta.has_mtime) return true;
  struct timespec times[2];
  times[0].tv_sec = meta.has_atime ? meta.atime : meta.mtime;
  times[0].tv_nsec = 0;
  times[1].tv_sec = meta.mtime;
  times[1].tv_nsec = 0;
  return ::futimens(fd, times) == 0;
}

}  // namespace ds
