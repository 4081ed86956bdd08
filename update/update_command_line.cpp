#include "update/update_command_line.h"

#include <climits>

namespace update {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int LeadingNumber(std::string_view digits) {
  long long value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(value);
}

}  // namespace

UpdateVersions ParseUpdateCommandLine(std::string_view text) {
  UpdateVersions versions;
  std::size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    std::size_t end = pos;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    std::string_view token = text.substr(pos, end - pos);
    pos = end;
    if (token.size() < 2 || token[0] != '-') continue;
    if (token[1] == 'c') versions.current = LeadingNumber(token.substr(2));
    else if (token[1] == 's') versions.target = LeadingNumber(token.substr(2));
  }
  return versions;
}

bool CallsForUpdate(const UpdateVersions& versions) {
  return versions.current != 0 && versions.target != 0 && versions.current < versions.target;
}

}  // namespace update
