// UTF-16 text as stored in Windows file formats (little-endian code units) to UTF-8.
#pragma once

#include <cstddef>
#include <string>

#include "core/export.h"

namespace ds {

// Converts `units` little-endian UTF-16 code units at `data` to UTF-8. Surrogate pairs become
// one four-byte character; a surrogate without its partner becomes U+FFFD. NUL units are
// converted like any other (the caller decides where the text ends).
DS_API std::string Utf16LeToUtf8(const unsigned char* data, std::size_t units);

}  // namespace ds
