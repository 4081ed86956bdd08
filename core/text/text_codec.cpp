#include "core/text/text_codec.h"

#include <cctype>
#include <cerrno>
#include <iconv.h>

#include "core/text/ascii.h"

namespace ds {

namespace {

// Converts with iconv; a byte sequence the source encoding rejects becomes `replacement` and the
// conversion goes on one byte later.
std::string Convert(std::string_view in, const char* to, const char* from, const char* replacement) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.reserve(in.size() * 3 / 2 + 8);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char chunk[1024];
  while (src_left > 0) {
    char* dst = chunk;
    size_t dst_left = sizeof(chunk);
    size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    out.append(chunk, sizeof(chunk) - dst_left);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (a sequence cut off at the end): skip one byte.
      out.append(replacement);
      ++src;
      --src_left;
    }
  }
  char* dst = chunk;
  size_t dst_left = sizeof(chunk);
  iconv(cd, nullptr, nullptr, &dst, &dst_left);
  out.append(chunk, sizeof(chunk) - dst_left);
  iconv_close(cd);
  return out;
}

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  if (IsAscii(gbk)) return std::string(gbk);
  return Convert(gbk, "UTF-8", "GB18030", "?");
}

std::string Utf8ToGbk(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return Convert(utf8, "GB18030", "UTF-8", "?");
}

std::size_t GbkByteLength(std::string_view utf8) {
  if (IsAscii(utf8)) return utf8.size();
  return Utf8ToGbk(utf8).size();
}

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t extra;
    unsigned min;
    unsigned cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, min = 0x10000, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= n) return false;
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char cc = static_cast<unsigned char>(text[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

std::string XmlDeclaredEncoding(std::string_view document) {
  // Skip a UTF-8 byte order mark and leading white space.
  if (document.size() >= 3 && document.substr(0, 3) == "\xEF\xBB\xBF") document.remove_prefix(3);
  while (!document.empty() && std::isspace(static_cast<unsigned char>(document.front())))
    document.remove_prefix(1);
  if (document.substr(0, 5) != "<?xml") return "";
  size_t end = document.find("?>");
  if (end == std::string_view::npos) return "";
  std::string_view decl = document.substr(0, end);
  size_t pos = decl.find("encoding");
  if (pos == std::string_view::npos) return "";
  pos += 8;
  while (pos < decl.size() && std::isspace(static_cast<unsigned char>(decl[pos]))) ++pos;
  if (pos >= decl.size() || decl[pos] != '=') return "";
  ++pos;
  while (pos < decl.size() && std::isspace(static_cast<unsigned char>(decl[pos]))) ++pos;
  if (pos >= decl.size() || (decl[pos] != '"' && decl[pos] != '\'')) return "";
  char quote = decl[pos++];
  size_t close = decl.find(quote, pos);
  if (close == std::string_view::npos) return "";
  return AsciiLower(decl.substr(pos, close - pos));
}

bool IsGbkEncodingName(std::string_view name) {
  std::string lower = AsciiLower(name);
  return lower == "gb2312" || lower == "gbk" || lower == "gb18030";
}

std::string XmlDocumentToUtf8(std::string_view document) {
  if (IsGbkEncodingName(XmlDeclaredEncoding(document))) return GbkToUtf8(document);
  return std::string(document);
}

}  // namespace ds
