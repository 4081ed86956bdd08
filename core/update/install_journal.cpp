#include "core/update/install_journal.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/log/logger.h"
#include "core/platform/file_write.h"
#include "core/text/path.h"

namespace ds {
namespace install {
namespace {

constexpr char kHeader[] = "corvane packet journal 1";
constexpr char kJournalName[] = "journal";

std::string WorkFolder(const std::string& root) { return root + "/" + kPacketWorkFolder; }
std::string JournalPath(const std::string& root) { return WorkFolder(root) + "/" + kJournalName; }

// Names go into the journal one per line: bytes that would break a line (or the encoding itself)
// are written as %XX.
std::string Encode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (c <= ' ' || c == '%' || c == 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Decode(const std::string& text, std::string* out) {
  out->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out->push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int high = HexValue(text[i + 1]);
    const int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return false;
    out->push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return true;
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Everything below `path` and `path` itself; links are removed, never followed.
bool RemoveTree(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0 || errno == ENOENT;
  bool ok = true;
  if (DIR* dir = ::opendir(path.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      ok = RemoveTree(path + "/" + name) && ok;
    }
    ::closedir(dir);
  }
  return ::rmdir(path.c_str()) == 0 && ok;
}

struct JournalContents {
  std::vector<std::string> folders;
  std::vector<PlannedFile> plan;
  bool renaming = false;  // the plan is complete and renames may have happened
  bool committed = false;
  bool rolled_back = false;
};

// Reads the journal's complete lines: 1 read, 0 missing or cut off before its first line (the
// install had changed nothing yet), -1 when it cannot be read.
int ReadJournal(const std::string& root, JournalContents* contents) {
  const int fd = ::open(JournalPath(root).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? 0 : -1;
  std::string text;
  char block[8192];
  bool failed = false;
  for (;;) {
    const ssize_t n = ::read(fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) failed = true;
    if (n <= 0) break;
    text.append(block, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (failed) return -1;

  std::vector<std::string> lines;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) break;  // a line cut short by the crash is no line
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (lines.empty()) return 0;
  if (lines[0] != kHeader) return -1;  // not ours: better left alone than guessed at
  std::size_t planned = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    std::string name;
    if (line.compare(0, 7, "folder ") == 0 && Decode(line.substr(7), &name)) {
      contents->folders.push_back(name);
    } else if (line.compare(0, 5, "plan ") == 0) {
      planned = std::strtoul(line.c_str() + 5, nullptr, 10);
    } else if (line.size() > 7 && line.compare(0, 5, "file ") == 0 && Decode(line.substr(7), &name)) {
      contents->plan.push_back(PlannedFile{name, line[5] == '1'});
    } else if (line == "renaming") {
      contents->renaming = contents->plan.size() == planned;
    } else if (line == "committed") {
      contents->committed = contents->renaming;
    } else if (line == "rolledback") {
      contents->rolled_back = true;
    }
  }
  return 1;
}

bool AppendLineTo(int fd, const std::string& line) {
  const std::string text = line + "\n";
  return WriteAll(fd, text.data(), text.size()) && ::fdatasync(fd) == 0;
}

}  // namespace

Journal::Journal(std::string root) : root_(std::move(root)) {}

Journal::~Journal() {
  if (fd_ >= 0) ::close(fd_);
}

bool Journal::Create() {
  const std::string work = WorkFolder(root_);
  if (::mkdir(work.c_str(), 0700) != 0) return false;
  if (::mkdir((work + "/new").c_str(), 0700) != 0 || ::mkdir((work + "/old").c_str(), 0700) != 0)
    return false;
  fd_ = ::open(JournalPath(root_).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
  if (fd_ < 0 || !AppendLineTo(fd_, kHeader)) return false;
  SyncDirectoryOf(work + "/");
  SyncDirectoryOf(work);
  return true;
}

bool Journal::Append(const std::string& line) { return fd_ >= 0 && AppendLineTo(fd_, line); }

bool Journal::AddFolder(const std::string& relative) { return Append("folder " + Encode(relative)); }

bool Journal::BeginRenames(const std::vector<PlannedFile>& plan) {
  std::string text = "plan " + std::to_string(plan.size()) + "\n";
  for (const PlannedFile& file : plan)
    text += std::string("file ") + (file.had_old ? "1 " : "0 ") + Encode(file.target) + "\n";
  text += "renaming";
  return Append(text);
}

bool Journal::MarkCommitted() { return Append("committed"); }
bool Journal::MarkRolledBack() { return Append("rolledback"); }

std::string Journal::NewPath(std::size_t n) const {
  return WorkFolder(root_) + "/new/" + std::to_string(n);
}
std::string Journal::OldPath(std::size_t n) const {
  return WorkFolder(root_) + "/old/" + std::to_string(n);
}

bool RollBack(const std::string& root, const std::vector<PlannedFile>& plan,
              const std::vector<std::string>& folders) {
  const Journal paths(root);
  bool ok = true;
  // Later files first: each step of the rename phase is undone in reverse order. What the
  // work folder still holds tells how far each file came.
  for (std::size_t n = plan.size(); n-- > 0;) {
    const std::string target = JoinPath(root, plan[n].target);
    const std::string old_path = paths.OldPath(n);
    if (Exists(old_path)) {
      if (::rename(old_path.c_str(), target.c_str()) != 0) {
        LogWarn("ds::RecoverPacketInstall")("can't put back %s.", target.c_str());
        ok = false;
      }
    } else if (!plan[n].had_old && !Exists(paths.NewPath(n))) {
      if (::unlink(target.c_str()) != 0 && errno != ENOENT) ok = false;
    }
  }
  for (std::size_t i = folders.size(); i-- > 0;)
    ::rmdir(JoinPath(root, folders[i]).c_str());  // only when empty: never a user's file
  SyncDirectoryOf(root + "/");
  return ok;
}

bool RemoveWorkFolder(const std::string& root) {
  const std::string work = WorkFolder(root);
  // The journal goes last: a crash meanwhile leaves it to say what was decided.
  bool ok = RemoveTree(work + "/new") && RemoveTree(work + "/old");
  ok = ok && RemoveTree(JournalPath(root)) && RemoveTree(work);
  SyncDirectoryOf(work);
  return ok;
}

}  // namespace install

int RecoverPacketInstall(const std::string& directory) {
  char resolved[PATH_MAX];
  if (::realpath(NativePath(directory).c_str(), resolved) == nullptr) return 1;  // nothing there
  const std::string root = resolved;
  struct stat st;
  if (::lstat((root + "/" + kPacketWorkFolder).c_str(), &st) != 0) return 1;
  if (!S_ISDIR(st.st_mode)) return ::unlink((root + "/" + kPacketWorkFolder).c_str()) == 0 ? 1 : 0;

  install::JournalContents journal;
  const int read = install::ReadJournal(root, &journal);
  if (read < 0) {
    LogWarn("ds::RecoverPacketInstall")("can't read the packet journal in %s.", root.c_str());
    return 0;
  }
  if (read > 0 && !journal.committed && !journal.rolled_back) {
    // Not every file was in place: the old installation comes back whole.
    LogWarn("ds::RecoverPacketInstall")("rolling back an interrupted packet install in %s.",
                                        root.c_str());
    const std::vector<install::PlannedFile> none;
    if (!install::RollBack(root, journal.renaming ? journal.plan : none, journal.folders)) return 0;
    const int fd = ::open(install::JournalPath(root).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd >= 0) {
      install::AppendLineTo(fd, "rolledback");
      ::close(fd);
    }
  }
  // Committed (the replaced files are no longer needed), rolled back, or never begun.
  return install::RemoveWorkFolder(root) ? 1 : 0;
}

}  // namespace ds
