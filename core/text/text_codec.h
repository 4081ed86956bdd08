// Conversion between the UTF-8 used inside the program and the GBK bytes of stored and wire
// formats. GBK is handled as GB18030, its superset, so that no character is lost on the way out.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/export.h"

namespace ds {

// GBK (GB18030) bytes to UTF-8. Bytes that form no character become '?'.
DS_API std::string GbkToUtf8(std::string_view gbk);

// UTF-8 to GB18030 bytes. Characters outside GBK become four-byte GB18030 codes; malformed
// UTF-8 bytes become '?'.
DS_API std::string Utf8ToGbk(std::string_view utf8);

// Length of the text once stored as GBK: the unit of every byte limit of the stored formats.
DS_API std::size_t GbkByteLength(std::string_view utf8);

DS_API bool IsValidUtf8(std::string_view text);

// The encoding named by an XML declaration at the start of `document`, lower-cased; "" when the
// document has no declaration or the declaration names none.
DS_API std::string XmlDeclaredEncoding(std::string_view document);

// True for "gb2312", "gbk" and "gb18030" (any letter case).
DS_API bool IsGbkEncodingName(std::string_view name);

// An XML document as read from disk, made ready for the parser: documents declared in a GBK
// family encoding are converted to UTF-8; any other document is returned as it is.
DS_API std::string XmlDocumentToUtf8(std::string_view document);

}  // namespace ds
