// The zip reader on arbitrary archive bytes: open with and without the pack password, index,
// read every entry into buffers of several sizes and extract it under a temporary folder.
// Checked for any input: indexed names never climb out of the folder they are extracted into,
// nothing is written outside it, and every way of reading an entry that succeeds gives the
// same bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/text/path.h"
#include "core/zip/unzip_file.h"
#include "tests/common/temp_dir.h"
#include "tests/fuzz/fuzz_support.h"
#include "vexo/ui/resources/pack_password.h"

namespace {

constexpr int kMaxEntries = 64;          // entries looked at per input
constexpr int kMaxBufferCalls = 2048;    // reads per entry and buffer size
constexpr int kMaxReadSize = 1 << 24;    // entries claiming more are indexed but not read

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// An indexed name must be relative and free of ".." components.
void CheckIndexedName(const std::string& name) {
  FUZZ_CHECK(name.empty() || !IsSeparator(name[0]), name.c_str());
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    FUZZ_CHECK(name.compare(start, end - start, "..") != 0, name.c_str());
    start = end + 1;
  }
  // No drive prefix either ("C:").
  const bool drive = name.size() >= 2 && name[1] == ':' &&
                     ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
  FUZZ_CHECK(!drive, name.c_str());
}

// Reads entry `index` in pieces of `piece` bytes, each into a heap buffer of exactly that size.
void ReadInPieces(ds::UnzipFile& zip, int index, int size, int piece) {
  std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(piece)]);
  const int calls = std::min(size / std::max(piece, 1) + 2, kMaxBufferCalls);
  for (int i = 0; i < calls; ++i)
    if (zip.Unzip2Buffer(index, buffer.get(), piece) == 1) break;
}

void ExerciseEntry(ds::UnzipFile& zip, int index, const std::string& out_dir) {
  ds::ZipEntryInfo info;
  if (!zip.GetEntryInfo(index, info)) return;
  FUZZ_CHECK(info.index == index, info.name.c_str());
  FUZZ_CHECK(info.size >= 0, info.name.c_str());
  CheckIndexedName(info.name);

  // The name index holds the last entry of each name.
  ds::ZipEntryInfo by_name;
  FUZZ_CHECK(zip.GetEntryInfo(info.name.c_str(), by_name), info.name.c_str());
  FUZZ_CHECK(by_name.index >= index, info.name.c_str());
  const bool named = by_name.index == index;
  if (info.size > kMaxReadSize) return;

  std::string whole;
  const int read = named ? zip.ReadEntry(info.name.c_str(), whole) : 0;
  if (read) FUZZ_CHECK(whole.size() == static_cast<std::size_t>(info.size), info.name.c_str());

  // One buffer of exactly the entry's size: a complete read equals the whole entry.
  {
    std::unique_ptr<char[]> exact(new char[static_cast<std::size_t>(info.size)]);
    const int result = zip.Unzip2Buffer(index, exact.get(), info.size);
    if (result == 1 && read)
      FUZZ_CHECK(std::memcmp(exact.get(), whole.data(), whole.size()) == 0, info.name.c_str());
  }
  for (int piece : {info.size + 1, 4096, 7, 1}) ReadInPieces(zip, index, info.size, piece);

  // Whatever partial read was left open, reading the whole entry again gives the same result.
  if (named) {
    std::string again;
    FUZZ_CHECK(zip.ReadEntry(info.name.c_str(), again) == read, info.name.c_str());
    FUZZ_CHECK(again == whole, info.name.c_str());
  }

  // Names may use '\' as their separator, as paths handed to the reader may.
  const std::string target = ds::JoinPath(out_dir, info.name);
  if (zip.Unzip2File(index, target.c_str()) == 1 && read && ds::IsRegularFile(target)) {
    bool missing = false;
    const std::string written = corvane_fuzz::ReadFileBytes(ds::NativePath(target), &missing);
    FUZZ_CHECK(!missing && written == whole, info.name.c_str());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  corvane_test::TempDir dir;
  const std::string archive = dir.File("archive.zip");
  const std::string out_dir = dir.File("out");
  corvane_fuzz::WriteInputFile(archive, data, size);
  ds::MakeDirectories(out_dir);

  for (const char* password : {static_cast<const char*>(nullptr), kVexoPackPassword}) {
    ds::UnzipFile zip;
    if (!zip.OpenFile(archive.c_str(), password)) continue;
    // Indices are positions in the central directory; the name index holds one entry per
    // distinct name, so as many or fewer.
    int entries = 0;
    ds::ZipEntryInfo info;
    while (zip.GetEntryInfo(entries, info)) ++entries;
    FUZZ_CHECK(zip.GetEntryCount() <= entries, "more names than entries");
    FUZZ_CHECK((zip.GetEntryCount() == 0) == (entries == 0), "names of entries");
    for (int index = 0; index < std::min(entries, kMaxEntries); ++index) ExerciseEntry(zip, index, out_dir);
    ds::ZipEntryInfo none;
    FUZZ_CHECK(!zip.GetEntryInfo(-1, none), "negative index");
  }

  // Extraction stayed inside its folder: the temporary folder holds nothing else.
  const std::vector<std::string> names = corvane_test::ListDirectory(dir.path());
  FUZZ_CHECK((names == std::vector<std::string>{"archive.zip", "out"}), "files outside the folder");
  return 0;
}
