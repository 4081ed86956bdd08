#include "core/update/packet_install.h"

#include <zip.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/log/logger.h"
#include "core/platform/file_write.h"
#include "core/text/path.h"
#include "core/update/install_journal.h"
#include "core/zip/zip_entry.h"

namespace ds {
namespace {

constexpr std::size_t kBlockSize = 16384;

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSeparator(char c) { return c == '/' || c == '\\'; }

struct Entry {
  zip_uint64_t index = 0;
  std::string relative;
  ZipEntryMeta meta;
};

// What the installation holds at a path, seen without following a link at the path itself.
enum class Found { kNothing, kFolder, kLink, kOther, kError };

Found Look(const std::string& path, mode_t* mode) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? Found::kNothing : Found::kError;
  if (mode != nullptr) *mode = S_ISREG(st.st_mode) ? (st.st_mode & 07777) : 0;
  if (S_ISLNK(st.st_mode)) return Found::kLink;
  return S_ISDIR(st.st_mode) ? Found::kFolder : Found::kOther;
}

// The folders above `relative` ("a", "a/b" for "a/b/c").
std::vector<std::string> ParentsOf(const std::string& relative) {
  std::vector<std::string> parents;
  for (std::size_t slash = relative.find('/'); slash != std::string::npos;
       slash = relative.find('/', slash + 1))
    parents.push_back(relative.substr(0, slash));
  return parents;
}

constexpr char kOldTempPrefix[] = ".corvane-update-";

// Removes the temporary files an earlier version of the installer left beside their targets
// when it was killed: names made from kOldTempPrefix and six mkostemp characters, regular files
// only.
void SweepOldLeftovers(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const std::size_t prefix = sizeof kOldTempPrefix - 1;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::strncmp(entry->d_name, kOldTempPrefix, prefix) != 0 ||
        std::strlen(entry->d_name) != prefix + 6)
      continue;
    const std::string path = JoinPath(folder, entry->d_name);
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
  }
  ::closedir(dir);
}

// Inflates entry `index` into the file `staged` (created, or truncated when an earlier entry of
// the same name was staged there). True when the whole entry was read, its CRC checked, and
// written with its final mode and times.
bool StageFile(zip_t* archive, const Entry& entry, const std::string& staged, mode_t old_mode,
               mode_t created_mode) {
  zip_file_t* file = zip_fopen_index(archive, entry.index, 0);
  if (file == nullptr) return false;  // encrypted, unsupported method, damaged header
  const int fd = ::open(staged.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
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
    if (n < 0 || !WriteAll(fd, block.data(), static_cast<std::size_t>(n))) {
      ok = false;
      break;
    }
    total += static_cast<zip_uint64_t>(n);
  }
  zip_fclose(file);
  // Never set-id bits from a download: the entry's mode keeps permission bits only.
  ok = ok && total == entry.meta.size &&
       ::fchmod(fd, ZipEntryMode(entry.meta, old_mode, created_mode)) == 0 &&
       ApplyZipEntryTimes(fd, entry.meta);
  if (::close(fd) != 0) ok = false;
  return ok;
}

// Flushes everything written below `folder` (the staged files) with one call.
void SyncFileSystemOf(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::syncfs(fd);
  ::close(fd);
}

class Installer {
 public:
  Installer(std::string packet, std::string root, const PacketInstallFault& fault)
      : packet_(std::move(packet)), root_(std::move(root)), fault_(fault), journal_(root_) {}

  int Run(PacketInstallReport& counts);

 private:
  bool ReadEntries(zip_t* archive, PacketInstallReport& counts);
  bool Check(PacketInstallReport& counts);
  bool Stage(zip_t* archive, PacketInstallReport& counts);
  bool Rename();
  bool Allowed() { return !(fault_ && fault_(step_++)); }
  void Abandon(const std::vector<install::PlannedFile>& placed);
  std::string Path(const std::string& relative) const { return JoinPath(root_, relative); }

  std::string packet_;
  std::string root_;
  const PacketInstallFault& fault_;
  int step_ = 0;
  install::Journal journal_;
  std::vector<Entry> entries_;
  std::vector<install::PlannedFile> plan_;
  std::map<std::string, std::size_t> slot_;  // target -> its place in plan_
  std::vector<mode_t> old_modes_;            // per plan_ entry
  std::vector<std::string> to_create_;       // folders, parents first
  std::vector<std::string> created_;         // folders recorded in the journal
};

bool Installer::ReadEntries(zip_t* archive, PacketInstallReport& counts) {
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    Entry entry;
    entry.index = static_cast<zip_uint64_t>(i);
    std::string name;
    if (!ReadZipEntryName(archive, entry.index, name) ||
        !ReadZipEntryMeta(archive, entry.index, entry.meta)) {
      LogWarn("ds::InstallPacket")("can't read entry %lld of %s.", static_cast<long long>(i), packet_.c_str());
      ++counts.failed;
      continue;
    }
    if (entry.meta.symlink || !PacketEntryPath(name, &entry.relative)) {
      LogWarn("ds::InstallPacket")("refused entry \"%s\" of %s.", name.c_str(), packet_.c_str());
      ++counts.refused;
      continue;
    }
    entries_.push_back(std::move(entry));
  }
  return counts.refused == 0 && counts.failed == 0;
}

// Checks the whole packet against itself and against the installation before anything is
// written: where each file goes, which folders must be made, and that no path passes through a
// link. Each entry that cannot go in is counted once.
bool Installer::Check(PacketInstallReport& counts) {
  std::set<std::string> folders;
  for (const Entry& entry : entries_) {
    for (std::string& parent : ParentsOf(entry.relative)) folders.insert(std::move(parent));
    if (entry.meta.directory) {
      folders.insert(entry.relative);
    } else if (slot_.emplace(entry.relative, plan_.size()).second) {
      plan_.push_back(install::PlannedFile{entry.relative, false});  // later entries of a name win
    }
  }
  // What stands at each folder's place now; the set's order puts parents first.
  std::map<std::string, Found> found;
  for (const std::string& folder : folders) {
    const std::size_t slash = folder.rfind('/');
    Found state = Found::kNothing;
    if (slash == std::string::npos || found[folder.substr(0, slash)] == Found::kFolder)
      state = Look(Path(folder), nullptr);
    found[folder] = state;
    if (state == Found::kNothing) to_create_.push_back(folder);
  }
  old_modes_.assign(plan_.size(), 0);
  for (const Entry& entry : entries_) {
    std::vector<std::string> path = ParentsOf(entry.relative);
    if (entry.meta.directory) path.push_back(entry.relative);
    bool through_link = false;
    bool blocked = !entry.meta.directory && folders.count(entry.relative) != 0;  // "x" and "x/y"
    for (const std::string& folder : path) {
      through_link = through_link || found[folder] == Found::kLink;
      blocked = blocked || found[folder] == Found::kOther || found[folder] == Found::kError;
    }
    if (!entry.meta.directory && !through_link && !blocked) {
      const std::size_t n = slot_[entry.relative];
      const std::size_t slash = entry.relative.rfind('/');
      if (slash == std::string::npos || found[entry.relative.substr(0, slash)] == Found::kFolder) {
        switch (Look(Path(entry.relative), &old_modes_[n])) {
          case Found::kNothing:
            break;
          case Found::kFolder:
          case Found::kError:
            blocked = true;
            break;
          default:  // a file, or a link that the new file replaces (never what it points to)
            plan_[n].had_old = true;
        }
      }
    }
    if (through_link) {
      LogWarn("ds::InstallPacket")("%s: entry \"%s\" passes through a link.", packet_.c_str(),
                       entry.relative.c_str());
      ++counts.refused;
    } else if (blocked) {
      LogWarn("ds::InstallPacket")("%s: entry \"%s\" clashes with a file or folder.", packet_.c_str(),
                       entry.relative.c_str());
      ++counts.failed;
    }
  }
  return counts.refused == 0 && counts.failed == 0;
}

bool Installer::Stage(zip_t* archive, PacketInstallReport& counts) {
  for (const std::string& folder : to_create_) {
    created_.push_back(folder);
    if (!journal_.AddFolder(folder) || ::mkdir(Path(folder).c_str(), 0777) != 0) {
      LogWarn("ds::InstallPacket")("can't create folder %s.", Path(folder).c_str());
      ++counts.failed;
      return false;
    }
  }
  std::set<std::string> swept;
  const mode_t created_mode = static_cast<mode_t>(CreationMode(0666));
  for (const Entry& entry : entries_) {
    if (entry.meta.directory) continue;
    const std::size_t n = slot_[entry.relative];
    const std::string folder = DirectoryOf(Path(entry.relative));
    if (swept.insert(folder).second) SweepOldLeftovers(folder);
    if (!StageFile(archive, entry, journal_.NewPath(n), old_modes_[n], created_mode)) {
      LogWarn("ds::InstallPacket")("can't extract entry \"%s\" of %s.", entry.relative.c_str(), packet_.c_str());
      ++counts.failed;
      return false;
    }
  }
  return true;
}

// Each replaced file moves aside to old/<n> and the new one takes its place; the old files stay
// until the journal says the packet is in.
bool Installer::Rename() {
  SyncFileSystemOf(JoinPath(root_, kPacketWorkFolder));
  if (!journal_.BeginRenames(plan_)) return false;
  std::set<std::string> folders;
  for (std::size_t n = 0; n < plan_.size(); ++n) {
    const std::string target = Path(plan_[n].target);
    if (plan_[n].had_old &&
        (!Allowed() || ::rename(target.c_str(), journal_.OldPath(n).c_str()) != 0)) {
      LogWarn("ds::InstallPacket")("can't move %s aside.", target.c_str());
      return false;
    }
    if (!Allowed() || ::rename(journal_.NewPath(n).c_str(), target.c_str()) != 0) {
      LogWarn("ds::InstallPacket")("can't replace %s.", target.c_str());
      return false;
    }
    folders.insert(DirectoryOf(target));
  }
  for (const std::string& folder : folders) SyncDirectoryOf(folder + "/");
  return Allowed() && journal_.MarkCommitted();
}

void Installer::Abandon(const std::vector<install::PlannedFile>& placed) {
  if (!install::RollBack(root_, placed, created_)) {
    // The journal stays: the next start tries again before anything else runs.
    LogWarn("ds::InstallPacket")("can't restore the installation in %s.", root_.c_str());
    return;
  }
  journal_.MarkRolledBack();
  install::RemoveWorkFolder(root_);
}

int Installer::Run(PacketInstallReport& counts) {
  int error = 0;
  zip_t* archive = zip_open(NativePath(packet_).c_str(), ZIP_RDONLY, &error);
  if (archive == nullptr) {
    LogWarn("ds::InstallPacket")("can't open packet %s.", packet_.c_str());
    return 0;
  }
  const bool names_ok = ReadEntries(archive, counts);
  if (!Check(counts) || !names_ok) {
    zip_discard(archive);
    return 0;
  }
  if (!journal_.Create()) {
    LogWarn("ds::InstallPacket")("can't create the work folder in %s.", root_.c_str());
    ++counts.failed;
    zip_discard(archive);
    install::RemoveWorkFolder(root_);
    return 0;
  }
  const bool staged = Stage(archive, counts);
  zip_discard(archive);
  if (!staged) {
    Abandon({});
    return 0;
  }
  if (!Rename()) {
    ++counts.failed;
    Abandon(plan_);
    return 0;
  }
  install::RemoveWorkFolder(root_);  // what is left is finished by the next start
  counts.extracted = static_cast<int>(entries_.size());
  return 1;
}

}  // namespace

bool PacketEntryPath(std::string_view name, std::string* relative) {
  std::string_view rest = name;
  for (;;) {
    if (rest.size() >= 2 && IsAsciiLetter(rest[0]) && rest[1] == ':') {
      rest.remove_prefix(2);
    } else if (!rest.empty() && IsSeparator(rest[0])) {
      rest.remove_prefix(1);
    } else {
      break;
    }
  }
  std::string clean;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = start;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    const std::string_view part = rest.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") return false;
    if (clean.empty() && part == kPacketWorkFolder) return false;
    if (!clean.empty()) clean += '/';
    clean.append(part);
  }
  if (clean.empty()) return false;
  if (relative != nullptr) *relative = clean;
  return true;
}

int InstallPacket(const std::string& packet_path, const std::string& directory,
                  PacketInstallReport* report, const PacketInstallFault& fault) {
  PacketInstallReport counts;
  char resolved[PATH_MAX];
  int result = 0;
  if (::realpath(NativePath(directory).c_str(), resolved) == nullptr) {
    LogWarn("ds::InstallPacket")("can't find the folder %s.", directory.c_str());
  } else if (!RecoverPacketInstall(resolved)) {
    // An earlier install could not be undone: nothing more goes on top of it.
    ++counts.failed;
  } else {
    result = Installer(packet_path, resolved, fault).Run(counts);
  }
  if (result == 0) counts.extracted = 0;
  if (report != nullptr) *report = counts;
  return result;
}

}  // namespace ds
