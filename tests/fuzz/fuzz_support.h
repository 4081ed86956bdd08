// Shared pieces of the fuzz targets: files for parsers that read from disk, and checks of
// properties that must hold for any input. A failed check aborts, which the fuzzer (or the
// replay driver) reports as a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane_fuzz {

// A directory under the system temporary folder made once per process and removed at exit.
const std::string& ProcessDir();

// Writes `size` bytes to `path`, replacing it. Aborts when the file cannot be written: the
// target would otherwise test nothing.
void WriteInputFile(const std::string& path, const void* data, std::size_t size);

// ProcessDir() + "/" + name, with ProcessDir() made the work directory on the first call.
std::string WorkFile(const std::string& name);

// The data file beside a download record, as the first input byte `choice` says: absent
// (choice % 3 == 0), of the length the record claims (1; absent when `claimed` is negative or
// beyond 1 TiB), or of choice / 3 bytes (2). The file is sparse, so any length is cheap.
void PlaceDataFile(std::uint8_t choice, const std::string& path, std::int64_t claimed);

// The whole file, or `missing` (true) when it cannot be read.
std::string ReadFileBytes(const std::string& path, bool* missing = nullptr);

// Prints `what` with the failed condition and aborts.
[[noreturn]] void CheckFailed(const char* file, int line, const char* condition, const char* what);

// Reads a few leading bytes of an input as options, then hands out the rest.
class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  // The next byte, or 0 when none is left.
  std::uint8_t Byte();
  // The rest of the input as text.
  std::string_view Rest() const;

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t used_ = 0;
};

}  // namespace corvane_fuzz

#define FUZZ_CHECK(condition, what)                                                   \
  do {                                                                                \
    if (!(condition)) corvane_fuzz::CheckFailed(__FILE__, __LINE__, #condition, what); \
  } while (false)
