#include "core/text/ascii.h"

namespace ds {

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiToLower(c);
  return out;
}

bool AsciiEqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AsciiStartsWithIgnoreCase(a, b);
}

bool AsciiStartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiToLower(text[i]) != AsciiToLower(prefix[i])) return false;
  }
  return true;
}

}  // namespace ds
