#include "core/platform/disk.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "core/log/logger.h"
#include "core/text/path.h"
#include "core/platform/file_write.h"

namespace ds {
namespace {

int RetryOpen(const char* path, int flags) {
  int fd;
  do {
    fd = open(path, flags);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool CopyData(int in, int out) {
  std::vector<char> buffer(1 << 16);
  for (;;) {
    ssize_t n = read(in, buffer.data(), buffer.size());
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(n))) return false;
  }
}

// The cross-file-system half of MoveFileReplace.
int CopyReplace(const std::string& from, const std::string& to) {
  int in = RetryOpen(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    LogWarn("ds::MoveFileReplace")("can't open %s: %s.", from.c_str(), std::strerror(errno));
    return 0;
  }
  struct stat st;
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    LogWarn("ds::MoveFileReplace")("%s is not a regular file; it can't be moved to %s.", from.c_str(), to.c_str());
    close(in);
    return 0;
  }
  struct stat target;
  if (stat(to.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
    LogWarn("ds::MoveFileReplace")("%s is a folder.", to.c_str());
    close(in);
    return 0;
  }

  FileReplacement replacement(to);
  if (replacement.fd() < 0) {
    LogWarn("ds::MoveFileReplace")("can't create a file beside %s: %s.", to.c_str(), std::strerror(errno));
    close(in);
    return 0;
  }
  const int out = replacement.fd();

  bool ok = CopyData(in, out);
  int error = errno;
  close(in);
  if (ok) {
    // Owner first: changing it clears set-id bits, which the mode then restores.
    if (fchown(out, st.st_uid, st.st_gid) != 0) { /* not allowed: keep ours */ }
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    ok = fchmod(out, st.st_mode & 07777) == 0 && futimens(out, times) == 0 && replacement.Commit();
    error = errno;
  }
  if (!ok) {
    // The temporary file goes with `replacement`.
    LogWarn("ds::MoveFileReplace")("can't copy %s to %s: %s.", from.c_str(), to.c_str(), std::strerror(error));
    return 0;
  }
  if (unlink(from.c_str()) != 0)
    LogWarn("ds::MoveFileReplace")("%s was copied to %s but can't be deleted: %s.", from.c_str(), to.c_str(),
                    std::strerror(errno));
  return 1;
}

}  // namespace

int GetFreeDiskSpace(const char* path, std::uint64_t* bytes) {
  if (bytes != nullptr) *bytes = 0;
  std::string probe = NativePath(path != nullptr ? path : "");
  // Walk up to the nearest existing folder.
  while (!probe.empty() && !PathExists(probe)) {
    std::string parent = DirectoryOf(probe);
    if (parent.empty() && probe[0] == '/') parent = "/";
    if (parent == probe) break;
    probe = parent;
  }
  if (probe.empty()) probe = ".";
  struct statvfs fs;
  int result;
  do {
    result = statvfs(probe.c_str(), &fs);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    LogWarn("ds::GetFreeDiskSpace")("statvfs(%s) failed: %s.", probe.c_str(), std::strerror(errno));
    return 0;
  }
  if (bytes != nullptr)
    *bytes = static_cast<std::uint64_t>(fs.f_bavail) * static_cast<std::uint64_t>(fs.f_frsize);
  return 1;
}

int MoveFileReplace(const char* from, const char* to) {
  if (from == nullptr || to == nullptr || from[0] == '\0' || to[0] == '\0') return 0;
  std::string source = NativePath(from);
  std::string target = NativePath(to);
  if (rename(source.c_str(), target.c_str()) == 0) return 1;
  if (errno == EXDEV) return CopyReplace(source, target);
  LogWarn("ds::MoveFileReplace")("can't move %s to %s: %s.", source.c_str(), target.c_str(),
                                 std::strerror(errno));
  return 0;
}

}  // namespace ds
