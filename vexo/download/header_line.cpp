#include "vexo/download/header_line.h"

#include <cstring>

#include "core/text/ascii.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trim(const char* begin, const char* end) {
  while (begin < end && IsBlank(*begin)) ++begin;
  while (end > begin && IsBlank(end[-1])) --end;
  return std::string(begin, end);
}

// Reads digits from text[*pos]; false when there are none or the value overflows.
bool ReadNumber(const std::string& text, std::size_t* pos, std::int64_t* value) {
  std::size_t i = *pos;
  std::int64_t result = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    const int digit = text[i] - '0';
    if (result > (INT64_MAX - digit) / 10) return false;
    result = result * 10 + digit;
    ++i;
  }
  if (i == *pos) return false;
  *pos = i;
  *value = result;
  return true;
}

}  // namespace

bool ParseStatusLine(const char* line, std::size_t size, int* status) {
  if (size < 5 || std::strncmp(line, "HTTP/", 5) != 0) return false;
  std::size_t i = 5;
  while (i < size && line[i] != ' ') ++i;
  while (i < size && line[i] == ' ') ++i;
  int code = 0;
  int digits = 0;
  while (i < size && digits < 3 && line[i] >= '0' && line[i] <= '9') {
    code = code * 10 + (line[i] - '0');
    ++i;
    ++digits;
  }
  if (digits != 3 || (i < size && line[i] >= '0' && line[i] <= '9')) return false;
  *status = code;
  return true;
}

bool MatchHeader(const char* line, std::size_t size, const char* lowerName, std::string* value) {
  const std::size_t length = std::strlen(lowerName);
  if (size <= length || line[length] != ':') return false;
  if (!ds::AsciiStartsWithIgnoreCase(std::string_view(line, length), lowerName)) return false;
  *value = Trim(line + length + 1, line + size);
  return true;
}

bool ParseLengthValue(const std::string& text, std::int64_t* value) {
  std::size_t pos = 0;
  std::int64_t result = 0;
  if (!ReadNumber(text, &pos, &result) || pos != text.size()) return false;
  *value = result;
  return true;
}

bool ParseContentRange(const std::string& text, std::int64_t* first, std::int64_t* last,
                       std::int64_t* total) {
  if (text.size() < 6) return false;
  if (!ds::AsciiStartsWithIgnoreCase(text, "bytes")) return false;
  std::size_t pos = 5;
  if (text[pos] != ' ') return false;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  std::int64_t a = 0, b = 0, c = 0;
  if (!ReadNumber(text, &pos, &a) || pos >= text.size() || text[pos++] != '-') return false;
  if (!ReadNumber(text, &pos, &b) || pos >= text.size() || text[pos++] != '/') return false;
  if (!ReadNumber(text, &pos, &c) || pos != text.size()) return false;
  if (a > b || b >= c) return false;
  *first = a;
  *last = b;
  *total = c;
  return true;
}
