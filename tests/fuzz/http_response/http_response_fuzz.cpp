// The socket downloader's HTTP/1.1 response-head parser on arbitrary bytes, as they would
// arrive from a server. Checked for any input: the head ends at the first blank line, a parsed
// head is exactly its lines, the field lookups find the first field of a name, and copying a
// value never writes more than the buffer holds (each buffer is a heap block of exactly that
// size).
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "core/text/ascii.h"
#include "tests/fuzz/fuzz_support.h"
#include "vexo/download/http_response.h"

namespace {

void CheckCopies(const HttpResponseHead& head, const std::string& name) {
  const std::string* value = FindHttpField(head, name);
  FUZZ_CHECK(value != nullptr, name.c_str());
  for (std::size_t room : {value->size() + 1, value->size(), std::size_t{1}}) {
    std::unique_ptr<char[]> out(new char[room]);
    const int result = CopyHttpFieldValue(head, name, out.get(), room);
    if (room == 0) {
      FUZZ_CHECK(result == -1, name.c_str());  // and nothing written: the block has no byte
    } else if (value->size() < room) {
      FUZZ_CHECK(result == 1 && std::strlen(out.get()) == value->size() &&
                     std::memcmp(out.get(), value->data(), value->size()) == 0,
                 name.c_str());
    } else {
      FUZZ_CHECK(result == -1 && out[0] == '\0', name.c_str());
    }
  }
  FUZZ_CHECK(CopyHttpFieldValue(head, name, nullptr, 0) == -1, name.c_str());
}

void CheckHead(std::string_view text, const HttpResponseHead& head) {
  FUZZ_CHECK(head.status >= 100 && head.status <= 599, "status");
  FUZZ_CHECK(head.lines.size() == head.fields.size() + 1, "lines");
  std::string joined;
  for (const std::string& line : head.lines) {
    FUZZ_CHECK(line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0, line.c_str());
    joined += line;
  }
  FUZZ_CHECK(joined + "\r\n" == text, "lines against the head");
  const std::string* length = nullptr;
  for (const auto& [name, value] : head.fields) {
    FUZZ_CHECK(!name.empty() && name.find_first_of(" \t:\r\n") == std::string::npos, name.c_str());
    FUZZ_CHECK(value.find_first_of("\r\n") == std::string::npos, name.c_str());
    FUZZ_CHECK(value.empty() || (value.front() != ' ' && value.back() != ' '), name.c_str());
    // The first field of a name is the one found, in any letter case.
    const std::string* found = FindHttpField(head, name);
    for (const auto& earlier : head.fields) {
      if (!ds::AsciiEqualsIgnoreCase(earlier.first, name)) continue;
      FUZZ_CHECK(found == &earlier.second, name.c_str());
      break;
    }
    if (ds::AsciiEqualsIgnoreCase(name, "content-length")) {
      FUZZ_CHECK(length == nullptr || *length == value, "two lengths");
      length = &value;
    }
    CheckCopies(head, name);
  }
  FUZZ_CHECK(FindHttpField(head, "") == nullptr, "empty name");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  const std::string_view text(bytes, size);
  const std::size_t end = FindHttpHeadEnd(bytes, size);
  const std::size_t blank = text.find("\r\n\r\n");
  FUZZ_CHECK(end == (blank == std::string_view::npos ? 0 : blank + 4), "head end");

  HttpResponseHead head;
  head.status = 7;
  if (end != size) {
    // Not exactly one head: refused, and the result cleared.
    FUZZ_CHECK(ParseHttpResponseHead(bytes, size, &head) == 0, "bytes after the head");
    FUZZ_CHECK(head.status == 0 && head.lines.empty() && head.fields.empty(), "cleared");
  }
  if (end == 0) return 0;
  // The head alone, in a buffer of its own length.
  std::unique_ptr<char[]> own(new char[end]);
  std::memcpy(own.get(), bytes, end);
  if (ParseHttpResponseHead(own.get(), end, &head)) {
    CheckHead(std::string_view(own.get(), end), head);
  } else {
    FUZZ_CHECK(head.status == 0 && head.lines.empty() && head.fields.empty(), "cleared");
  }
  return 0;
}
