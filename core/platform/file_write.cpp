#include "core/platform/file_write.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ds {
namespace {

// The process's umask as the kernel reports it. umask(2) can only read the mask by setting it,
// which would race with other threads creating files. Where the report is missing the
// strictest usual mask is assumed, so a new file is never more open than the user wants.
mode_t CurrentUmask() {
  mode_t mask = 077;
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned value = 0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
      if (std::sscanf(line, "Umask: %o", &value) == 1) {
        mask = static_cast<mode_t>(value & 0777);
        break;
      }
    }
    std::fclose(status);
  }
  return mask;
}

}  // namespace

bool WriteAll(int fd, const void* data, std::size_t size) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, next, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    next += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void SyncDirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  int fd;
  do {
    fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

unsigned CreationMode(unsigned mode) { return mode & ~static_cast<unsigned>(CurrentUmask()); }

bool ReadWholeFile(const std::string& path, std::string& out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[8192];
  ssize_t n;
  out.clear();
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
    if (n > 0) out.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return n == 0;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, unsigned default_mode) {
  std::string target = path;
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) target = resolved;
  }
  const mode_t mode =
      ::stat(target.c_str(), &st) == 0 ? st.st_mode & 07777 : static_cast<mode_t>(default_mode);

  FileReplacement file(target);
  return file.fd() >= 0 && WriteAll(file.fd(), bytes.data(), bytes.size()) &&
         ::fchmod(file.fd(), mode) == 0 && file.Commit();
}

FileReplacement::FileReplacement(const std::string& target)
    : target_(target), temp_(target + ".XXXXXX") {
  fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
  if (fd_ < 0) temp_.clear();
}

FileReplacement::~FileReplacement() {
  if (committed_ || temp_.empty()) return;
  const int error = errno;  // callers may still report the failure that got us here
  if (fd_ >= 0) ::close(fd_);
  ::unlink(temp_.c_str());
  errno = error;
}

bool FileReplacement::Commit() {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  bool ok = ::fsync(fd_) == 0;
  int error = errno;
  if (::close(fd_) != 0 && ok) {
    ok = false;
    error = errno;
  }
  fd_ = -1;
  if (ok && ::rename(temp_.c_str(), target_.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    errno = error;
    return false;
  }
  committed_ = true;
  SyncDirectoryOf(target_);
  return true;
}

}  // namespace ds
