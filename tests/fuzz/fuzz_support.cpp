#include "tests/fuzz/fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "core/files/file_system.h"
#include "core/platform/file_write.h"
#include "tests/common/temp_dir.h"

namespace corvane_fuzz {

const std::string& ProcessDir() {
  // Never destroyed before exit: static destructors remove it when the fuzzer ends normally.
  static corvane_test::TempDir dir;
  return dir.path();
}

void WriteInputFile(const std::string& path, const void* data, std::size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  FUZZ_CHECK(fd >= 0, path.c_str());
  const bool written = ds::WriteAll(fd, data, size);
  FUZZ_CHECK(::close(fd) == 0 && written, path.c_str());
}

std::string WorkFile(const std::string& name) {
  static const bool ready = [] {
    ds::FileSystem::Instance()->SetWorkPath(ProcessDir().c_str());
    return true;
  }();
  (void)ready;
  return ProcessDir() + "/" + name;
}

void PlaceDataFile(std::uint8_t choice, const std::string& path, std::int64_t claimed) {
  ::unlink(path.c_str());
  std::int64_t length = -1;
  if (choice % 3 == 1 && claimed >= 0 && claimed <= (std::int64_t{1} << 40)) length = claimed;
  if (choice % 3 == 2) length = choice / 3;
  if (length < 0) return;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  FUZZ_CHECK(fd >= 0, path.c_str());
  FUZZ_CHECK(::ftruncate(fd, static_cast<off_t>(length)) == 0, path.c_str());
  FUZZ_CHECK(::close(fd) == 0, path.c_str());
}

std::string ReadFileBytes(const std::string& path, bool* missing) {
  std::string bytes;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (missing != nullptr) *missing = fd < 0;
  if (fd < 0) return bytes;
  char chunk[16384];
  ssize_t n;
  while ((n = ::read(fd, chunk, sizeof chunk)) > 0) bytes.append(chunk, static_cast<std::size_t>(n));
  if (n < 0 && missing != nullptr) *missing = true;
  ::close(fd);
  return bytes;
}

void CheckFailed(const char* file, int line, const char* condition, const char* what) {
  std::fprintf(stderr, "%s:%d: check failed: %s (%s)\n", file, line, condition, what);
  std::abort();
}

std::uint8_t InputReader::Byte() {
  if (used_ >= size_) return 0;
  return data_[used_++];
}

std::string_view InputReader::Rest() const {
  return std::string_view(reinterpret_cast<const char*>(data_) + used_, size_ - used_);
}

}  // namespace corvane_fuzz
