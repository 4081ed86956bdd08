#include "core/zip/unzip_file.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "core/files/file_system.h"
#include "core/text/path.h"
#include "core/platform/file_write.h"
#include "core/text/text_codec.h"
#include "core/zip/zip_entry.h"

namespace ds {

struct UnzipFile::OpenEntry {
  int index = -1;
  zip_file_t* file = nullptr;
  zip_uint64_t size = 0;  // uncompressed size from the directory
  zip_uint64_t done = 0;  // bytes handed out so far
};

namespace {

constexpr int kChunkSize = 0x4000;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Byte length of the UTF-8 character starting with `lead` (1 for anything unexpected).
std::size_t Utf8CharLength(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

// End (one past) of the first ".." path component, or npos.
std::size_t FindParentComponentEnd(const std::string& name) {
  for (std::size_t pos = name.find(".."); pos != std::string::npos;
       pos = name.find("..", pos + 1)) {
    bool starts = pos == 0 || IsSeparator(name[pos - 1]);
    bool ends = pos + 2 == name.size() || IsSeparator(name[pos + 2]);
    if (starts && ends) return pos + 2;
  }
  return std::string::npos;
}

// Strips from the front, until none applies: a drive prefix ("C:"), one leading separator, and
// everything up to and including a ".." component. A ".." at the very start or end of the name
// counts too, so no indexed name climbs out of the directory it is extracted into.
std::string NormaliseEntryName(std::string name) {
  for (;;) {
    std::size_t first = name.empty() ? 0 : Utf8CharLength(static_cast<unsigned char>(name[0]));
    if (!name.empty() && first < name.size() && name[first] == ':') {
      name.erase(0, first + 1);
    } else if (!name.empty() && IsSeparator(name[0])) {
      name.erase(0, 1);
    } else if (std::size_t cut = FindParentComponentEnd(name); cut != std::string::npos) {
      name.erase(0, cut);
    } else {
      return name;
    }
  }
}

bool ReadEntryRecord(zip_t* archive, int index, ZipEntryInfo& info) {
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(archive, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW, &st) != 0)
    return false;
  std::string name;
  if (!ReadZipEntryName(archive, static_cast<zip_uint64_t>(index), name)) return false;
  info.index = index;
  // Sizes past the int range are capped; a caller sizing its buffer from it then gets 0.
  zip_uint64_t size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
  info.size = static_cast<int>(size > INT_MAX ? INT_MAX : size);
  info.name = NormaliseEntryName(std::move(name));
  return true;
}

// Opens `path` for writing, creating it or replacing its contents. An existing symbolic link
// or other non-regular entry is removed first so the data never goes anywhere else; an
// existing read-only file is made writable for the owner (its final mode is set afterwards).
// `old_mode` receives the mode of the replaced file, or stays 0.
int OpenTarget(const std::string& path, mode_t& old_mode) {
  old_mode = 0;
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return -1;
    if (S_ISREG(st.st_mode)) {
      old_mode = st.st_mode & 07777;
    } else if (::unlink(path.c_str()) != 0) {
      return -1;
    }
  }
  const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW;
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0 && errno == EACCES && old_mode != 0 && (old_mode & S_IWUSR) == 0 &&
      ::chmod(path.c_str(), old_mode | S_IWUSR) == 0) {
    fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) ::chmod(path.c_str(), old_mode);
  }
  return fd;
}

// The mode the entry's rule gives (see ZipEntryMode), falling back to the mode the file was
// created with.
bool ApplyMode(int fd, const ZipEntryMeta& meta, mode_t old_mode) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  return ::fchmod(fd, ZipEntryMode(meta, old_mode, st.st_mode & 07777)) == 0;
}

std::string CurrentDirectory() {
  char buffer[PATH_MAX];
  return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

std::string DropLeadingSeparator(const char* name) {
  return std::string(IsSeparator(name[0]) ? name + 1 : name);
}

}  // namespace

UnzipFile::UnzipFile() = default;

UnzipFile::~UnzipFile() { Close(); }

int UnzipFile::Open(const char* name, const char* password, const char* dir) {
  Close();
  if (name == nullptr) return 0;
  if (dir == nullptr) dir = FileSystem::Instance()->GetWorkPath();
  std::string path = JoinPath(dir ? dir : "", name);
  if (path.size() >= static_cast<std::size_t>(kMaxPath)) return 0;  // does not fit the path buffer
  return OpenFile(path.c_str(), password);
}

int UnzipFile::OpenFile(const char* path, const char* password) {
  Close();
  if (path == nullptr) return 0;
  int error = 0;
  zip_t* archive = zip_open(NativePath(path).c_str(), ZIP_RDONLY, &error);
  if (archive == nullptr) return 0;

  std::map<std::string, ZipEntryInfo> index;
  zip_int64_t count = zip_get_num_entries(archive, 0);
  if (count < 0 || count > INT_MAX) {
    zip_discard(archive);
    return 0;
  }
  for (int i = 0; i < static_cast<int>(count); ++i) {
    ZipEntryInfo info;
    if (!ReadEntryRecord(archive, i, info)) {
      zip_discard(archive);
      return 0;
    }
    std::string key = info.name;
    index[key] = std::move(info);  // a later entry of the same name replaces the earlier one
  }

  archive_ = archive;
  index_ = std::move(index);
  has_password_ = password != nullptr;
  password_ = password ? password : "";
  open_dir_ = CurrentDirectory();
  return 1;
}

void UnzipFile::Close() {
  CloseEntry();
  index_.clear();
  if (archive_ != nullptr) {
    zip_discard(archive_);  // opened read-only: nothing to write back
    archive_ = nullptr;
  }
  password_.clear();
  has_password_ = false;
  open_dir_.clear();
}

bool UnzipFile::IsOpen() const { return archive_ != nullptr; }

int UnzipFile::GetEntryCount() const { return static_cast<int>(index_.size()); }

bool UnzipFile::ValidIndex(int index) const {
  return archive_ != nullptr && index >= 0 && index < zip_get_num_entries(archive_, 0);
}

int UnzipFile::GetEntryInfo(int index, ZipEntryInfo& info) {
  if (!ValidIndex(index)) return 0;
  ZipEntryInfo read;
  if (!ReadEntryRecord(archive_, index, read)) return 0;
  info = std::move(read);
  return 1;
}

int UnzipFile::GetEntryInfo(const char* name, ZipEntryInfo& info) {
  if (name == nullptr) return 0;
  auto it = index_.find(DropLeadingSeparator(name));
  if (it == index_.end()) return 0;
  info = it->second;
  return 1;
}

zip_file* UnzipFile::OpenEntryData(int index) {
  // Only the traditional PKWARE cipher is supported. An entry under any other (such as one
  // flagged for strong encryption) is refused here: libzip's failure path for it leaks memory.
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &st) != 0) return nullptr;
  if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && st.encryption_method != ZIP_EM_NONE &&
      st.encryption_method != ZIP_EM_TRAD_PKWARE)
    return nullptr;
  return zip_fopen_index_encrypted(archive_, static_cast<zip_uint64_t>(index), 0,
                                   has_password_ ? password_.c_str() : nullptr);
}

void UnzipFile::CloseEntry() {
  if (entry_ == nullptr) return;
  if (entry_->file != nullptr) zip_fclose(entry_->file);
  delete entry_;
  entry_ = nullptr;
}

int UnzipFile::Unzip2File(int index, const char* path) {
  if (!ValidIndex(index) || path == nullptr || path[0] == '\0') return 0;
  std::string target = NativePath(path);
  if (target[0] != '/' && !open_dir_.empty()) target = JoinPath(open_dir_, target);
  return WriteEntry(index, target);
}

int UnzipFile::Unzip2File(const char* name, const char* path) {
  ZipEntryInfo info;
  if (!GetEntryInfo(name, info)) return 0;
  return Unzip2File(info.index, path);
}

int UnzipFile::WriteEntry(int index, const std::string& path) {
  ZipEntryMeta meta;
  if (!ReadZipEntryMeta(archive_, static_cast<zip_uint64_t>(index), meta)) return 0;
  if (meta.directory) return MakeDirectories(path) ? 1 : 0;

  std::string parent = DirectoryOf(path);
  if (!parent.empty() && !MakeDirectories(parent)) return 0;
  // Open the entry first: a password refused by the check byte leaves an existing file alone.
  zip_file_t* file = OpenEntryData(index);
  if (file == nullptr) return 0;
  mode_t old_mode = 0;
  int fd = OpenTarget(path, old_mode);
  if (fd < 0) {
    zip_fclose(file);
    return 0;
  }

  // Reading on until libzip reports the end makes it check the CRC, which also catches the
  // wrong passwords that slip past the check byte.
  char chunk[kChunkSize];
  zip_uint64_t total = 0;
  bool ok = true;
  for (;;) {
    zip_int64_t n = zip_fread(file, chunk, sizeof chunk);
    if (n == 0) break;
    if (n < 0 || !WriteAll(fd, chunk, static_cast<std::size_t>(n))) {
      ok = false;
      break;
    }
    total += static_cast<zip_uint64_t>(n);
  }
  zip_fclose(file);
  ok = ok && total == meta.size && ApplyZipEntryTimes(fd, meta) && ApplyMode(fd, meta, old_mode);
  if (::close(fd) != 0) ok = false;
  return ok ? 1 : 0;
}

int UnzipFile::Unzip2Buffer(int index, void* buffer, int size) {
  if (!ValidIndex(index) || size < 0 || (buffer == nullptr && size > 0)) return 0;
  if (entry_ != nullptr && entry_->index != index) CloseEntry();
  if (entry_ == nullptr) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &st) != 0 ||
        (st.valid & ZIP_STAT_SIZE) == 0)
      return 0;
    zip_file_t* file = OpenEntryData(index);
    if (file == nullptr) return 0;
    entry_ = new (std::nothrow) OpenEntry;
    if (entry_ == nullptr) {
      zip_fclose(file);
      return 0;
    }
    entry_->index = index;
    entry_->file = file;
    entry_->size = st.size;
  }

  char* out = static_cast<char*>(buffer);
  int filled = 0;
  while (filled < size) {
    zip_int64_t n = zip_fread(entry_->file, out + filled, static_cast<zip_uint64_t>(size - filled));
    if (n < 0) {  // wrong password, corrupt data or CRC mismatch
      CloseEntry();
      return 0;
    }
    if (n == 0) {  // the end, CRC checked by libzip
      bool complete = entry_->done == entry_->size;
      CloseEntry();
      return complete ? 1 : 0;
    }
    filled += static_cast<int>(n);
    entry_->done += static_cast<zip_uint64_t>(n);
  }
  if (entry_->done < entry_->size) return 0;  // buffer full; the next call goes on from here
  if (entry_->done > entry_->size) {
    CloseEntry();
    return 0;
  }
  // The buffer ended exactly at the entry's size: read past it (expecting nothing) so that
  // libzip reaches the end and checks the CRC before success is reported.
  char probe;
  zip_int64_t n = zip_fread(entry_->file, &probe, 1);
  CloseEntry();
  return n == 0 ? 1 : 0;
}

int UnzipFile::Unzip2Buffer(const char* name, void* buffer, int size) {
  ZipEntryInfo info;
  if (!GetEntryInfo(name, info)) return 0;
  return Unzip2Buffer(info.index, buffer, size);
}

int UnzipFile::ReadEntry(const char* name, std::string& out) {
  ZipEntryInfo info;
  if (!GetEntryInfo(name, info) || info.size < 0) return 0;
  CloseEntry();
  // The text grows with the data actually inflated, chunk by chunk, rather than with the size the
  // directory claims: a damaged or hostile entry may claim gigabytes it does not hold. Each call
  // asks for no more than the rest of the claimed size, so 0 with the entry still open means
  // "chunk full", and 1 means the whole entry was read and checked.
  out.clear();
  char chunk[kChunkSize];
  for (;;) {
    const int want = std::min(kChunkSize, info.size - static_cast<int>(out.size()));
    const int result = Unzip2Buffer(info.index, chunk, want);
    if (result == 0 && (entry_ == nullptr || want == 0)) {  // failed, or longer than the claim
      CloseEntry();
      out.clear();
      return 0;
    }
    out.append(chunk, static_cast<std::size_t>(want));
    if (result == 1) return 1;
  }
}

}  // namespace ds
