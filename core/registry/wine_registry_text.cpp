#include "core/registry/wine_registry_text.h"

#include <cstdint>
#include <string>
#include <vector>

#include "core/registry/registry_types.h"
#include "core/text/utf16.h"

namespace ds {
namespace reg {

namespace {

const char kWineHeader[] = "WINE REGISTRY Version 2";

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// UTF-8 from a mix of literal bytes and escaped UTF-16 code units; a surrogate pair split over
// two escapes ("\xd83d\xde00") becomes one character, a lone surrogate U+FFFD.
class Utf8Builder {
 public:
  void Byte(char c) {
    FlushPending();
    out_.push_back(c);
  }
  void Unit(std::uint32_t unit) {
    if (pending_ != 0) {
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        Emit(0x10000 + ((pending_ - 0xD800) << 10) + (unit - 0xDC00));
        pending_ = 0;
        return;
      }
      FlushPending();
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      pending_ = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      Emit(0xFFFD);
    } else {
      Emit(unit);
    }
  }
  std::string Finish() {
    FlushPending();
    return std::move(out_);
  }

 private:
  void FlushPending() {
    if (pending_ != 0) Emit(0xFFFD);
    pending_ = 0;
  }
  void Emit(std::uint32_t cp) {
    if (cp < 0x80) {
      out_.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out_.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out_.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out_.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out_.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out_.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out_.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out_.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out_.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out_.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }

  std::string out_;
  std::uint32_t pending_ = 0;
};

// Reads escaped text from s[0] up to the unescaped `close` character. Escapes: \a \b \t \n \v
// \f \r \e, \x with one to four hex digits (a UTF-16 code unit), \ with one to three octal digits,
// and \ before any other character for that character. On success `s` is left after `close`.
bool ParseEscaped(std::string_view* s, char close, std::string* out) {
  static const char kLetters[] = "abtnvfre";
  static const char kCodes[] = {7, 8, 9, 10, 11, 12, 13, 27};
  Utf8Builder text;
  std::size_t i = 0;
  const std::size_t n = s->size();
  while (i < n) {
    const char c = (*s)[i];
    if (c == close) {
      s->remove_prefix(i + 1);
      *out = text.Finish();
      return true;
    }
    if (c != '\\') {
      text.Byte(c);
      ++i;
      continue;
    }
    if (++i >= n) return false;
    const char e = (*s)[i];
    if (e == 'x') {
      std::uint32_t unit = 0;
      std::size_t digits = 0;
      while (digits < 4 && i + 1 + digits < n && HexDigit((*s)[i + 1 + digits]) >= 0) {
        unit = unit * 16 + static_cast<std::uint32_t>(HexDigit((*s)[i + 1 + digits]));
        ++digits;
      }
      if (digits == 0) {
        text.Byte('x');
      } else {
        text.Unit(unit);
      }
      i += 1 + digits;
    } else if (e >= '0' && e <= '7') {
      std::uint32_t unit = 0;
      std::size_t digits = 0;
      while (digits < 3 && i + digits < n && (*s)[i + digits] >= '0' && (*s)[i + digits] <= '7') {
        unit = unit * 8 + static_cast<std::uint32_t>((*s)[i + digits] - '0');
        ++digits;
      }
      text.Unit(unit);
      i += digits;
    } else {
      const char* letter = std::char_traits<char>::find(kLetters, 8, e);
      if (letter != nullptr) {
        text.Unit(static_cast<std::uint32_t>(kCodes[letter - kLetters]));
      } else {
        text.Byte(e);
      }
      ++i;
    }
  }
  return false;
}

bool ParseHexNumber(std::string_view s, std::uint32_t* out) {
  if (s.empty() || s.size() > 8) return false;
  std::uint32_t v = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  *out = v;
  return true;
}

// "01,ab,7f" with optional blanks; an empty list is no bytes; one trailing comma is allowed.
bool ParseHexBytes(std::string_view s, std::string* out) {
  out->clear();
  s = TrimRight(TrimLeft(s));
  while (!s.empty()) {
    if (s.size() < 2 || HexDigit(s[0]) < 0 || HexDigit(s[1]) < 0) return false;
    out->push_back(static_cast<char>(HexDigit(s[0]) * 16 + HexDigit(s[1])));
    s = TrimLeft(s.substr(2));
    if (s.empty()) break;
    if (s.front() != ',') return false;
    s = TrimLeft(s.substr(1));
  }
  return true;
}

bool IsStringType(std::uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

class WineParser {
 public:
  WineParser(std::string_view text, Key* hive) : hive_(hive) {
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      lines_.push_back(text.substr(start, end - start));
      start = end + 1;
    }
  }

  WineParseReport Run() {
    index_ = 0;
    while (index_ < lines_.size() && TrimRight(TrimLeft(lines_[index_])).empty()) ++index_;
    if (index_ >= lines_.size() || TrimRight(lines_[index_]) != kWineHeader) return report_;
    report_.recognised = true;
    for (++index_; index_ < lines_.size(); ++index_) {
      const std::string_view line = TrimRight(TrimLeft(lines_[index_]));
      const std::size_t start = index_;  // a value may go on over further lines
      bool ok = true;
      if (line.empty() || line.front() == ';' || line.front() == '#') {
        continue;  // comments, and options such as #time=, #arch=, #class=, #link
      } else if (line.front() == '[') {
        ok = Section(line);
      } else if (line.front() == '"' || line.front() == '@') {
        ok = ValueLine(line);
      } else {
        ok = false;
      }
      if (!ok) {
        report_.damaged_line = static_cast<int>(start) + 1;
        break;
      }
    }
    return report_;
  }

 private:
  bool Section(std::string_view line) {
    line.remove_prefix(1);
    std::string name;
    if (!ParseEscaped(&line, ']', &name)) return false;
    // What follows is the time stamp of the last change (seconds since 1970).
    line = TrimLeft(line);
    for (char c : line) {
      if (c < '0' || c > '9') return false;
    }
    KeyPath path;
    current_ = nullptr;
    in_section_ = true;
    ++report_.keys;
    // A name our store cannot hold (a line break in it) is passed over with its values.
    if (name.find_first_of("\r\n") != std::string::npos) return true;
    if (!SplitKeyPath(name, &path) || path.empty()) return false;
    Key* key = hive_;
    for (const std::string& part : path) key = key->AddSubkey(part, false);
    current_ = key;
    return true;
  }

  // Joins the continuation lines of hex data: a line ending in '\' goes on in the next one.
  bool JoinContinuations(std::string_view first, std::string* joined) {
    joined->assign(first);
    while (!joined->empty() && joined->back() == '\\') {
      if (index_ + 1 >= lines_.size()) return false;  // cut off in the middle of the data
      joined->pop_back();
      ++index_;
      joined->append(TrimRight(TrimLeft(lines_[index_])));
    }
    return true;
  }

  bool ValueLine(std::string_view line) {
    if (!in_section_) return false;  // every value belongs to a key
    std::string name;
    std::string_view rest = line;
    if (rest.front() == '@') {
      rest.remove_prefix(1);
    } else {
      rest.remove_prefix(1);
      if (!ParseEscaped(&rest, '"', &name)) return false;
    }
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != '=') return false;
    rest = TrimLeft(rest.substr(1));

    std::uint32_t type = REG_SZ;
    std::string data;
    if (rest.substr(0, 4) == "str(") {
      const std::size_t close = rest.find("):");
      if (close == std::string_view::npos || !ParseHexNumber(rest.substr(4, close - 4), &type)) return false;
      rest.remove_prefix(close + 2);
      if (rest.empty() || rest.front() != '"') return false;
    }
    if (!rest.empty() && rest.front() == '"') {
      rest.remove_prefix(1);
      if (!ParseEscaped(&rest, '"', &data) || !TrimLeft(rest).empty()) return false;
      data.push_back('\0');  // the file leaves out the terminator the data holds
    } else if (rest.substr(0, 6) == "dword:") {
      std::uint32_t number = 0;
      if (!ParseHexNumber(rest.substr(6), &number)) return false;
      type = REG_DWORD;
      for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
    } else if (rest.substr(0, 3) == "hex") {
      std::string joined;
      if (!JoinContinuations(rest, &joined)) return false;
      std::string_view hex = joined;
      hex.remove_prefix(3);
      type = REG_BINARY;
      if (!hex.empty() && hex.front() == '(') {
        const std::size_t close = hex.find(')');
        if (close == std::string_view::npos || !ParseHexNumber(hex.substr(1, close - 1), &type)) return false;
        hex.remove_prefix(close + 1);
      }
      if (hex.empty() || hex.front() != ':' || !ParseHexBytes(hex.substr(1), &data)) return false;
      // Strings kept as hex are UTF-16; ours are UTF-8.
      if (IsStringType(type) && data.size() % 2 == 0) {
        data = Utf16LeToUtf8(reinterpret_cast<const unsigned char*>(data.data()), data.size() / 2);
      }
    } else {
      return false;
    }
    ++report_.values;
    if (current_ != nullptr) current_->SetValue(name, type, data);
    return true;
  }

  Key* hive_;
  std::vector<std::string_view> lines_;
  std::size_t index_ = 0;
  Key* current_ = nullptr;
  bool in_section_ = false;
  WineParseReport report_;
};

}  // namespace

WineParseReport ParseWineRegistry(std::string_view text, Key* hive) {
  return WineParser(text, hive).Run();
}

}  // namespace reg
}  // namespace ds
