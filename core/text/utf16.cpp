#include "core/text/utf16.h"

namespace ds {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char32_t UnitAt(const unsigned char* data, std::size_t i) {
  return static_cast<char32_t>(data[2 * i] | (data[2 * i + 1] << 8));
}

}  // namespace

std::string Utf16LeToUtf8(const unsigned char* data, std::size_t units) {
  std::string out;
  if (data == nullptr) return out;
  out.reserve(units);
  constexpr char32_t kReplacement = 0xFFFD;
  for (std::size_t i = 0; i < units; ++i) {
    const char32_t unit = UnitAt(data, i);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      // A high surrogate counts only when a low one follows.
      if (i + 1 < units) {
        const char32_t next = UnitAt(data, i + 1);
        if (next >= 0xDC00 && next <= 0xDFFF) {
          AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
          ++i;
          continue;
        }
      }
      AppendUtf8(out, kReplacement);
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

}  // namespace ds
