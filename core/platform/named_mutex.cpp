#include "core/platform/named_mutex.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/log/logger.h"

namespace ds {
namespace {

// A prober (Exists) holds a shared lock for a few microseconds; a taker that meets one tries
// again a few times before concluding that the mutex is really held.
constexpr int kBusyRetries = 4;
constexpr int kBusyRetryMs = 2;

bool ValidMutexName(const char* name) {
  if (name == nullptr || name[0] == '\0' || name[0] == '.') return false;
  if (std::strlen(name) > 200) return false;
  return std::strpbrk(name, "/\\") == nullptr;
}

// Accepts `dir` only when it is a real directory owned by us without group/other write access.
bool FolderIsSafe(const std::string& dir) {
  struct stat st;
  if (lstat(dir.c_str(), &st) != 0) {
    LogWarn("ds::GetRuntimeDirectory")("can't inspect %s: %s.", dir.c_str(), std::strerror(errno));
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    LogWarn("ds::GetRuntimeDirectory")("%s is not a folder; refused.", dir.c_str());
    return false;
  }
  if (st.st_uid != geteuid()) {
    LogWarn("ds::GetRuntimeDirectory")("%s belongs to uid %u; refused.", dir.c_str(),
                                      static_cast<unsigned>(st.st_uid));
    return false;
  }
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    LogWarn("ds::GetRuntimeDirectory")("%s is writable by others (mode %03o); refused.", dir.c_str(),
                                      static_cast<unsigned>(st.st_mode & 0777));
    return false;
  }
  // Whoever may write the parent could swap the folder for another one, unless the parent is
  // sticky (as /tmp is).
  std::size_t slash = dir.rfind('/');
  std::string parent = slash == 0 ? "/" : dir.substr(0, slash);
  if (stat(parent.c_str(), &st) != 0 ||
      ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0)) {
    LogWarn("ds::GetRuntimeDirectory")("%s is open to others; refused.", parent.c_str());
    return false;
  }
  return true;
}

// Opens the lock file of `name`; -1 (logged where useful) when that is impossible.
int OpenLockFile(const char* name, bool create) {
  std::string path = NamedMutexPath(name);
  if (path.empty()) return -1;
  int flags = O_CLOEXEC | O_NOFOLLOW | (create ? (O_RDWR | O_CREAT) : O_RDONLY);
  int fd;
  do {
    fd = open(path.c_str(), flags, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0 && (create || errno != ENOENT))
    LogWarn("ds::NamedMutex")("can't open %s: %s.", path.c_str(), std::strerror(errno));
  return fd;
}

int Flock(int fd, int operation) {
  int result;
  do {
    result = flock(fd, operation);
  } while (result != 0 && errno == EINTR);
  return result;
}

}  // namespace

std::string GetRuntimeDirectory() {
  std::string dir;
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (xdg != nullptr && xdg[0] == '/' && stat(xdg, &st) == 0 && S_ISDIR(st.st_mode)) {
    dir = xdg;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    dir += "/corvane";
  } else {
    dir = "/tmp/corvane-" + std::to_string(static_cast<unsigned long>(geteuid()));
  }
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    LogWarn("ds::GetRuntimeDirectory")("can't create %s: %s.", dir.c_str(), std::strerror(errno));
    return std::string();
  }
  return FolderIsSafe(dir) ? dir : std::string();
}

std::string NamedMutexPath(const char* name) {
  if (!ValidMutexName(name)) {
    LogWarn("ds::NamedMutex")("unusable mutex name \"%s\".", name != nullptr ? name : "(null)");
    return std::string();
  }
  std::string dir = GetRuntimeDirectory();
  if (dir.empty()) return std::string();
  return dir + "/" + name + ".lock";
}

NamedMutex::~NamedMutex() { Release(); }

int NamedMutex::TryAcquire(const char* name) {
  // Already ours under this name?
  if (fd_ >= 0) {
    std::string path = NamedMutexPath(name);
    struct stat held, named;
    if (!path.empty() && fstat(fd_, &held) == 0 && stat(path.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
      return 1;
    Release();
  }
  int fd = OpenLockFile(name, true);
  if (fd < 0) return -1;
  for (int attempt = 0;; ++attempt) {
    if (Flock(fd, LOCK_EX | LOCK_NB) == 0) {
      fd_ = fd;
      return 1;
    }
    if (errno != EWOULDBLOCK) {
      LogWarn("ds::NamedMutex::TryAcquire")("flock on %s failed: %s.", name, std::strerror(errno));
      close(fd);
      return -1;
    }
    if (attempt == kBusyRetries) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(kBusyRetryMs));
  }
  close(fd);
  return 0;
}

void NamedMutex::Release() {
  if (fd_ < 0) return;
  Flock(fd_, LOCK_UN);
  close(fd_);
  fd_ = -1;
}

bool NamedMutex::Exists(const char* name) {
  int fd = OpenLockFile(name, false);
  if (fd < 0) return false;
  // A shared lock: two processes probing at once do not see each other as the holder.
  bool held = false;
  if (Flock(fd, LOCK_SH | LOCK_NB) == 0)
    Flock(fd, LOCK_UN);
  else
    held = (errno == EWOULDBLOCK);
  close(fd);
  return held;
}

int NamedMutex::WaitGone(const char* name, int attempts, int interval_ms) {
  if (attempts < 1) return Exists(name) ? 0 : 1;
  for (int i = 0; i < attempts; ++i) {
    if (interval_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(interval_ms));
    if (!Exists(name)) return 1;
  }
  return 0;
}

}  // namespace ds
