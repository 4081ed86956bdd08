// The block downloader's header-line readers on arbitrary lines as libcurl hands them over.
// Checked for any input: a status has three digits, matched headers give trimmed values,
// lengths are plain non-negative numbers and content ranges are ordered inside their total.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "tests/fuzz/fuzz_support.h"
#include "vexo/download/header_line.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The line in a heap block of exactly its length: the readers get a size, not a terminator.
  std::unique_ptr<char[]> line(new char[size + (size == 0 ? 1 : 0)]);
  std::memcpy(line.get(), data, size);

  int status = -1;
  if (ParseStatusLine(line.get(), size, &status)) FUZZ_CHECK(status >= 0 && status <= 999, "status");

  for (const char* name : {"content-length", "content-range", "location", "x"}) {
    std::string value = "unchanged";
    if (!MatchHeader(line.get(), size, name, &value)) {
      FUZZ_CHECK(value == "unchanged", name);
      continue;
    }
    FUZZ_CHECK(value.empty() || (!IsBlank(value.front()) && !IsBlank(value.back())), name);
    FUZZ_CHECK(value.size() < size, name);

    std::int64_t length = -1;
    if (ParseLengthValue(value, &length)) {
      FUZZ_CHECK(length >= 0, "length");
      FUZZ_CHECK(std::to_string(length).size() <= value.size(), "length digits");
    }
    std::int64_t first = -1, last = -1, total = -1;
    if (ParseContentRange(value, &first, &last, &total))
      FUZZ_CHECK(0 <= first && first <= last && last < total, "range");
  }
  return 0;
}
