#include "update/packet_extractor.h"

#include <zip.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <set>
#include <vector>

#include "core/log/logger.h"
#include "core/text/path.h"
#include "core/platform/file_write.h"
#include "core/zip/zip_entry.h"

namespace update {
namespace {

constexpr std::size_t kBlockSize = 16384;
using ds::ZipEntryMeta;

// A file inflated next to its target, waiting to be renamed into place.
struct StagedFile {
  std::string temp;
  std::string target;
};

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

bool IsInside(const std::string& path, const std::string& root) {
  if (path == root) return true;
  const std::string prefix = root == "/" ? root : root + "/";
  return path.compare(0, prefix.size(), prefix) == 0;
}

enum class FolderResult { kOk, kOutside, kFailed };

// Checks (and creates where missing, one level at a time) the folder `path`, whose parent was
// checked already. A link is followed only when it resolves inside `root`.
FolderResult CheckFolder(const std::string& path, const std::string& root) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return FolderResult::kFailed;
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return FolderResult::kFailed;
    if (::lstat(path.c_str(), &st) != 0) return FolderResult::kFailed;
  }
  if (S_ISLNK(st.st_mode)) {
    const std::string resolved = RealPath(path);
    if (resolved.empty()) return FolderResult::kFailed;  // dangling, or a loop
    if (!IsInside(resolved, root)) return FolderResult::kOutside;
    if (::stat(resolved.c_str(), &st) != 0) return FolderResult::kFailed;
  }
  return S_ISDIR(st.st_mode) ? FolderResult::kOk : FolderResult::kFailed;
}

// Walks the folders of `relative` below `root` (all of them when `whole`, else all but the
// last component).
FolderResult PrepareFolders(const std::string& root, const std::string& relative, bool whole) {
  std::string path = root;
  std::size_t start = 0;
  for (;;) {
    std::size_t slash = relative.find('/', start);
    if (slash == std::string::npos && !whole) return FolderResult::kOk;
    path = ds::JoinPath(root, relative.substr(0, slash));
    FolderResult result = CheckFolder(path, root);
    if (result != FolderResult::kOk || slash == std::string::npos) return result;
    start = slash + 1;
  }
}

mode_t FinalMode(const ZipEntryMeta& meta, mode_t old_mode) {
  // Never set-id bits from a download: the entry's mode keeps permission bits only.
  return ds::ZipEntryMode(meta, old_mode, static_cast<mode_t>(ds::CreationMode(0666)));
}

constexpr char kTempPrefix[] = ".corvane-update-";

// Removes the temporary files an earlier, interrupted extraction left in `folder`: names made
// from kTempPrefix and six mkostemp characters, regular files only. The updater's mutex makes
// sure no other extraction is writing them.
void SweepLeftovers(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const std::size_t prefix = sizeof kTempPrefix - 1;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::strncmp(entry->d_name, kTempPrefix, prefix) != 0 ||
        std::strlen(entry->d_name) != prefix + 6)
      continue;
    const std::string path = ds::JoinPath(folder, entry->d_name);
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
  }
  ::closedir(dir);
}

// Inflates entry `index` into a new temporary file in the target's folder. True with the
// temporary file's name when the whole entry was read (its CRC checked) and written.
bool StageFile(zip_t* archive, zip_uint64_t index, const ZipEntryMeta& meta, const std::string& target,
               std::string& temp) {
  struct stat st;
  mode_t old_mode = 0;
  if (::lstat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return false;
    if (S_ISREG(st.st_mode)) old_mode = st.st_mode & 07777;
  }
  zip_file_t* file = zip_fopen_index(archive, index, 0);
  if (file == nullptr) return false;  // encrypted, unsupported method, damaged header

  std::string pattern = ds::JoinPath(ds::DirectoryOf(target), std::string(kTempPrefix) + "XXXXXX");
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    zip_fclose(file);
    return false;
  }
  std::vector<char> block(kBlockSize);
  zip_uint64_t total = 0;
  bool ok = true;
  for (;;) {
    // Reading on until libzip reports the end makes it check the CRC.
    const zip_int64_t n = zip_fread(file, block.data(), block.size());
    if (n == 0) break;
    if (n < 0 || !ds::WriteAll(fd, block.data(), static_cast<std::size_t>(n))) {
      ok = false;
      break;
    }
    total += static_cast<zip_uint64_t>(n);
  }
  zip_fclose(file);
  ok = ok && total == meta.size && ::fchmod(fd, FinalMode(meta, old_mode)) == 0 &&
       ds::ApplyZipEntryTimes(fd, meta) && ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (!ok) {
    ::unlink(pattern.c_str());
    return false;
  }
  temp = pattern;
  return true;
}

}  // namespace

bool SafeEntryPath(std::string_view name, std::string* relative) {
  const std::string text = ds::NativePath(name);
  if (text.empty() || text[0] == '/') return false;
  if (text.size() >= 2 && IsAsciiLetter(text[0]) && text[1] == ':') return false;
  std::string clean;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t slash = text.find('/', start);
    if (slash == std::string::npos) slash = text.size();
    const std::string_view part(text.data() + start, slash - start);
    start = slash + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") return false;
    if (!clean.empty()) clean += '/';
    clean.append(part);
  }
  if (clean.empty()) return false;
  if (relative != nullptr) *relative = clean;
  return true;
}

int ExtractPacket(const std::string& packet_path, const std::string& directory,
                  PacketExtractReport* report) {
  PacketExtractReport counts;
  const std::string root = RealPath(ds::NativePath(directory));
  int error = 0;
  zip_t* archive = root.empty() ? nullptr
                                : zip_open(ds::NativePath(packet_path).c_str(), ZIP_RDONLY, &error);
  if (archive == nullptr) {
    ds::LogWarn("update::ExtractPacket")("can't open packet %s.", packet_path.c_str());
    if (report != nullptr) *report = counts;
    return 0;
  }

  std::vector<StagedFile> staged;
  std::set<std::string> swept;  // folders already cleared of an interrupted run's temporary files
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const zip_uint64_t index = static_cast<zip_uint64_t>(i);
    std::string name;
    std::string relative;
    ZipEntryMeta meta;
    if (!ds::ReadZipEntryName(archive, index, name) || !ds::ReadZipEntryMeta(archive, index, meta)) {
      ++counts.failed;
      continue;
    }
    if (meta.symlink || !SafeEntryPath(name, &relative)) {
      ds::LogWarn("update::ExtractPacket")("refused entry \"%s\" of %s.", name.c_str(),
                                           packet_path.c_str());
      ++counts.refused;
      continue;
    }
    const FolderResult folders = PrepareFolders(root, relative, meta.directory);
    if (folders == FolderResult::kOutside) {
      ds::LogWarn("update::ExtractPacket")("entry \"%s\" of %s leads outside through a link.",
                                           name.c_str(), packet_path.c_str());
      ++counts.refused;
      continue;
    }
    if (folders == FolderResult::kFailed) {
      ++counts.failed;
      continue;
    }
    if (meta.directory) {
      ++counts.extracted;
      continue;
    }
    StagedFile file;
    file.target = ds::JoinPath(root, relative);
    const std::string folder = ds::DirectoryOf(file.target);
    if (swept.insert(folder).second) SweepLeftovers(folder);
    if (!StageFile(archive, index, meta, file.target, file.temp)) {
      ds::LogWarn("update::ExtractPacket")("can't extract entry \"%s\" of %s.", name.c_str(),
                                           packet_path.c_str());
      ++counts.failed;
      continue;
    }
    staged.push_back(std::move(file));
  }
  zip_discard(archive);

  // A packet goes in whole or not at all: with one entry missing, the installation would mix
  // files of two versions. The staged files are dropped and the old files stay.
  if (counts.failed > 0) {
    for (const StagedFile& file : staged) ::unlink(file.temp.c_str());
    counts.extracted = 0;
    if (report != nullptr) *report = counts;
    return 0;
  }

  // Every file is complete on disk: now they take their places, in archive order. A rename
  // replaces a link at the target itself, never the file it points to.
  for (const StagedFile& file : staged) {
    if (::rename(file.temp.c_str(), file.target.c_str()) != 0) {
      ds::LogWarn("update::ExtractPacket")("can't replace %s.", file.target.c_str());
      ::unlink(file.temp.c_str());
      ++counts.failed;
      continue;
    }
    ds::SyncDirectoryOf(file.target);
    ++counts.extracted;
  }
  if (report != nullptr) *report = counts;
  return counts.failed == 0 ? 1 : 0;
}

}  // namespace update
