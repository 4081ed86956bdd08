#include "vexo/ui/util/utilities.h"

#include <climits>
#include <string>

#include "core/platform/disk.h"
#include "core/platform/process.h"

namespace {

struct Component {
  std::string_view text;
  bool more;  // a further '.' followed
};

// The component starting at *pos; moves *pos past its dot, or to the end for the last one.
Component NextComponent(std::string_view text, std::size_t* pos) {
  std::size_t start = *pos < text.size() ? *pos : text.size();
  std::size_t dot = text.find('.', start);
  if (dot == std::string_view::npos) {
    *pos = text.size();
    return {text.substr(start), false};
  }
  *pos = dot + 1;
  return {text.substr(start, dot - start), true};
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The component's value as VEXO_GetVersionInt reads it (a non-digit counts as the digit 0), as
// a digit string without leading zeros, so that values of any length compare exactly.
std::string DigitString(std::string_view component) {
  std::string digits;
  for (char c : component) {
    const char digit = IsDigit(c) ? c : '0';
    if (digits.empty() && digit == '0') continue;
    digits.push_back(digit);
  }
  return digits;
}

// Longer is larger; equal lengths compare digit by digit.
int CompareDigitStrings(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() > b.size() ? 1 : -1;
  return a.compare(b) > 0 ? 1 : a.compare(b) < 0 ? -1 : 0;
}

}  // namespace

int VEXO_GetVersionInt(std::string_view component) {
  long long value = 0;
  for (char c : component) {
    value = value * 10 + (IsDigit(c) ? c - '0' : 0);
    if (value > INT_MAX) return INT_MAX;  // saturate rather than overflow
  }
  return static_cast<int>(value);
}

int VEXO_CompareVersion(std::string_view first, std::string_view second) {
  if (first.empty() || second.empty()) return -1;
  std::size_t pos1 = 0;
  std::size_t pos2 = 0;
  for (;;) {
    Component a = NextComponent(first, &pos1);
    Component b = NextComponent(second, &pos2);
    if (!b.more && !b.text.empty() && IsDigit(b.text[0])) {
      std::size_t digits = 0;
      while (digits < b.text.size() && IsDigit(b.text[digits])) ++digits;
      b.text = b.text.substr(0, digits);
    }
    const int order = CompareDigitStrings(DigitString(a.text), DigitString(b.text));
    if (order > 0) return 1;
    if (order < 0) return 0;
    if (!a.more && !b.more) return -1;
  }
}

int VEXO_CheckDiskSpaceEnough(const char* root, std::uint64_t needed) {
  if (root == nullptr) return 0;
  std::uint64_t available = 0;
  if (!ds::GetFreeDiskSpace(root, &available)) return 0;
  return available > needed ? 1 : 0;
}

bool VEXO_CheckProcess(const char* name) {
  if (name == nullptr || *name == '\0') return false;
  return !ds::FindProcessByName(name, /*include_self=*/true).empty();
}
