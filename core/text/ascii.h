// ASCII-only case handling for protocol names, file names and search text. Bytes of 0x80 and
// above (GBK, UTF-8) are never changed, whatever the locale.
#pragma once

#include <string>
#include <string_view>

#include "core/export.h"

namespace ds {

inline char AsciiToLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

DS_API std::string AsciiLower(std::string_view text);
DS_API bool AsciiEqualsIgnoreCase(std::string_view a, std::string_view b);
// True when `text` begins with `prefix`, letters compared without case.
DS_API bool AsciiStartsWithIgnoreCase(std::string_view text, std::string_view prefix);

}  // namespace ds
