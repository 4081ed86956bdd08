#include "core/registry/registry_text.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/text/utf16.h"

namespace ds {
namespace reg {

namespace {

// The first line of every export.
const char kHeader[] = "Windows Registry Editor Version 5.00";

}  // namespace

// ---- Reading ----

bool ParseSectionName(std::string_view name, int* root, KeyPath* path) {
  std::size_t sep = name.find('\\');
  std::string_view root_name = name.substr(0, sep);
  std::string_view rest = sep == std::string_view::npos ? std::string_view() : name.substr(sep + 1);
  if (sep != std::string_view::npos && rest.empty()) return false;
  KeyPath prefix;
  if (NamesEqual(root_name, "HKEY_LOCAL_MACHINE") || NamesEqual(root_name, "HKLM")) {
    *root = kLocalMachine;
  } else if (NamesEqual(root_name, "HKEY_CURRENT_USER") || NamesEqual(root_name, "HKCU")) {
    *root = kCurrentUser;
  } else if (NamesEqual(root_name, "HKEY_USERS") || NamesEqual(root_name, "HKU")) {
    *root = kUsers;
  } else if (NamesEqual(root_name, "HKEY_CLASSES_ROOT") || NamesEqual(root_name, "HKCR")) {
    *root = kLocalMachine;
    prefix = {"SOFTWARE", "Classes"};
  } else {
    return false;
  }
  KeyPath below;
  if (!SplitKeyPath(rest, &below)) return false;
  prefix.insert(prefix.end(), below.begin(), below.end());
  *path = std::move(prefix);
  return true;
}

namespace {

// Exports made by the Windows registry editor are UTF-16LE with a BOM.
std::string Utf16TextToUtf8(std::string_view in) {
  return ds::Utf16LeToUtf8(reinterpret_cast<const unsigned char*>(in.data()), in.size() / 2);
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

// Reads a quoted text starting at s[0] == '"'. "\\" and "\"" are escapes; any other backslash
// stands for itself. On success `s` is left after the closing quote.
bool ParseQuoted(std::string_view* s, std::string* out) {
  out->clear();
  std::size_t i = 1;
  while (i < s->size()) {
    char c = (*s)[i];
    if (c == '"') {
      s->remove_prefix(i + 1);
      return true;
    }
    if (c == '\\' && i + 1 < s->size() && ((*s)[i + 1] == '\\' || (*s)[i + 1] == '"')) {
      out->push_back((*s)[i + 1]);
      i += 2;
      continue;
    }
    out->push_back(c);
    ++i;
  }
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "01,ab, 7f" (separators and whitespace around them are allowed; an empty list is 0 bytes).
bool ParseHexBytes(std::string_view s, std::string* out) {
  out->clear();
  s = TrimRight(TrimLeft(s));
  if (s.empty()) return true;
  while (true) {
    s = TrimLeft(s);
    std::size_t n = 0;
    int value = 0;
    // A damaged file may hold any run of digits; more than two is an error, not a number.
    while (n < s.size() && n <= 2 && HexDigit(s[n]) >= 0) {
      value = value * 16 + HexDigit(s[n]);
      ++n;
    }
    if (n == 0 || n > 2) return false;
    out->push_back(static_cast<char>(value));
    s = TrimLeft(s.substr(n));
    if (s.empty()) return true;
    if (s.front() != ',') return false;
    s.remove_prefix(1);
    if (TrimLeft(s).empty()) return true;  // a trailing comma
  }
}

bool ParseHexNumber(std::string_view s, std::uint32_t max, std::uint32_t* out) {
  if (s.empty() || s.size() > 8) return false;
  std::uint32_t v = 0;
  for (char c : s) {
    int d = HexDigit(c);
    if (d < 0) return false;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  if (v > max) return false;
  *out = v;
  return true;
}

class TextParser {
 public:
  TextParser(std::string_view text, Tree* tree, bool volatile_keys)
      : tree_(tree), volatile_(volatile_keys) {
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      lines_.push_back(text.substr(start, end - start));
      start = end + 1;
    }
  }

  ParseReport Run() {
    for (index_ = 0; index_ < lines_.size(); ++index_) {
      std::string_view line = TrimRight(TrimLeft(lines_[index_]));
      if (line.empty() || line.front() == ';') continue;
      if (line == kHeader || line == "REGEDIT4") continue;
      if (line.front() == '[') {
        Section(line);
      } else if (line.front() == '"' || line.front() == '@') {
        ValueLine(line);
      } else {
        ++report_.skipped_lines;
      }
    }
    return report_;
  }

 private:
  void Section(std::string_view line) {
    current_ = nullptr;
    if (line.back() != ']') {
      ++report_.skipped_lines;
      return;
    }
    std::string_view name = line.substr(1, line.size() - 2);
    if (!name.empty() && name.front() == '-') return;  // a deletion: nothing to keep
    int root = 0;
    KeyPath path;
    if (!ParseSectionName(name, &root, &path)) {
      ++report_.skipped_lines;
      return;
    }
    Key* key = &tree_->root(root);
    for (const std::string& part : path) key = key->AddSubkey(part, volatile_);
    current_ = key;
    if (!report_.has_section) {
      report_.has_section = true;
      report_.first_root = root;
      report_.first_path = path;
    }
  }

  // Joins the continuation lines of a hex value ("...,\" then "  ..."). A continuation holds
  // only hex digits: a line starting a key, a value or a comment is never taken for one.
  std::string JoinContinuations(std::string_view first) {
    std::string joined(first);
    while (!joined.empty() && joined.back() == '\\' && index_ + 1 < lines_.size()) {
      std::string_view next = TrimLeft(lines_[index_ + 1]);
      if (!next.empty() && (next.front() == '[' || next.front() == '"' || next.front() == '@' ||
                            next.front() == ';')) {
        break;
      }
      joined.pop_back();
      ++index_;
      joined += TrimRight(TrimLeft(lines_[index_]));
    }
    return joined;
  }

  void ValueLine(std::string_view line) {
    std::string name;
    std::string_view rest = line;
    if (rest.front() == '@') {
      rest.remove_prefix(1);
    } else if (!ParseQuoted(&rest, &name)) {
      Skip(line);
      return;
    }
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != '=') {
      Skip(line);
      return;
    }
    rest = TrimLeft(rest.substr(1));

    std::uint32_t type = 0;
    std::string data;
    if (!rest.empty() && rest.front() == '"') {
      std::string text;
      if (!ParseQuoted(&rest, &text) || !TrimLeft(rest).empty()) {
        Skip(line);
        return;
      }
      type = 1;  // REG_SZ
      data = text;
      data.push_back('\0');
    } else if (rest == "-") {
      return;  // a deletion: nothing to keep
    } else if (rest.substr(0, 6) == "dword:") {
      std::uint32_t number = 0;
      if (!ParseHexNumber(TrimLeft(rest.substr(6)), 0xFFFFFFFFu, &number)) {
        Skip(line);
        return;
      }
      type = 4;  // REG_DWORD, little-endian
      for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
    } else if (rest.substr(0, 3) == "hex") {
      std::string joined = JoinContinuations(rest);
      std::string_view hex = joined;
      hex.remove_prefix(3);
      type = 3;  // REG_BINARY
      if (!hex.empty() && hex.front() == '(') {
        std::size_t close = hex.find(')');
        if (close == std::string_view::npos ||
            !ParseHexNumber(hex.substr(1, close - 1), 0xFFFFFFFFu, &type)) {
          Skip(line);
          return;
        }
        hex.remove_prefix(close + 1);
      }
      if (hex.empty() || hex.front() != ':' || !ParseHexBytes(hex.substr(1), &data)) {
        Skip(line);
        return;
      }
    } else {
      Skip(line);
      return;
    }
    if (current_ == nullptr) {
      Skip(line);
      return;
    }
    current_->SetValue(name, type, data);
  }

  void Skip(std::string_view) { ++report_.skipped_lines; }

  Tree* tree_;
  bool volatile_;
  std::vector<std::string_view> lines_;
  std::size_t index_ = 0;
  Key* current_ = nullptr;
  ParseReport report_;
};

}  // namespace

ParseReport ParseRegText(std::string_view text, Tree* tree, bool volatile_keys) {
  std::string converted;
  if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
      static_cast<unsigned char>(text[1]) == 0xFE) {
    converted = Utf16TextToUtf8(text.substr(2));
    text = converted;
  } else if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") {
    text.remove_prefix(3);
  }
  return TextParser(text, tree, volatile_keys).Run();
}

// ---- Writing ----

namespace {

// True when `s` is well-formed UTF-8.
bool IsUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t n;
    std::uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      n = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + n >= s.size()) return false;
    for (std::size_t k = 1; k <= n; ++k) {
      unsigned char d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    if ((n == 2 && (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000))) ||
        (n == 3 && (cp < 0x10000 || cp > 0x10FFFF))) {
      return false;
    }
    i += n + 1;
  }
  return true;
}

void AppendQuoted(std::string* out, std::string_view s) {
  out->push_back('"');
  for (char c : s) {
    if (c == '\\' || c == '"') out->push_back('\\');
    out->push_back(c);
  }
  out->push_back('"');
}

// A string value is written as "text" when that gives back exactly its bytes: one final NUL,
// no other NUL, no control characters that would break the line, valid UTF-8.
bool WritableAsText(const std::string& data) {
  if (data.empty() || data.back() != '\0') return false;
  std::string_view text(data.data(), data.size() - 1);
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 && c != '\t') return false;
  }
  return IsUtf8(text);
}

void AppendHex(std::string* out, std::size_t line_start, std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    out->push_back(kDigits[b >> 4]);
    out->push_back(kDigits[b & 15]);
    if (i + 1 < bytes.size()) {
      out->push_back(',');
      // Lines are wrapped as the registry editor wraps them, under 80 columns.
      if (out->size() - line_start >= 76) {
        out->append("\\\n  ");
        line_start = out->size() - 2;
      }
    }
  }
}

void AppendValue(std::string* out, const Value& v) {
  std::size_t line_start = out->size();
  if (v.name.empty()) {
    out->push_back('@');
  } else {
    AppendQuoted(out, v.name);
  }
  out->push_back('=');
  if (v.type == 1 && WritableAsText(v.data)) {
    AppendQuoted(out, std::string_view(v.data.data(), v.data.size() - 1));
  } else if (v.type == 4 && v.data.size() == 4) {
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v.data[i]);
    char buf[16];
    std::snprintf(buf, sizeof buf, "dword:%08x", n);
    out->append(buf);
  } else {
    char buf[24];
    if (v.type == 3) {
      std::snprintf(buf, sizeof buf, "hex:");
    } else {
      std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
    }
    out->append(buf);
    AppendHex(out, line_start, v.data);
  }
  out->push_back('\n');
}

void AppendSection(std::string* out, const std::string& name, const Key& key) {
  out->push_back('\n');
  out->push_back('[');
  out->append(name);
  out->append("]\n");
  for (const Value& v : key.values) AppendValue(out, v);
}

// Writes `key` (when its volatility matches, or always when `all`) and the keys beneath it.
void AppendKeys(std::string* out, const std::string& name, const Key& key, bool want_volatile,
                bool all) {
  if (all || key.is_volatile == want_volatile) AppendSection(out, name, key);
  if (!all && !want_volatile && key.is_volatile) return;
  for (const auto& sub : key.subkeys) AppendKeys(out, name + "\\" + sub->name, *sub, want_volatile, all);
}

}  // namespace

std::string FormatTree(const Tree& tree, bool volatile_keys) {
  std::string out = kHeader;
  out.push_back('\n');
  for (int r = 0; r < kRootCount; ++r) {
    const Key& root = tree.root(r);
    if (!volatile_keys && !root.values.empty()) AppendSection(&out, RootName(r), root);
    for (const auto& sub : root.subkeys) {
      AppendKeys(&out, std::string(RootName(r)) + "\\" + sub->name, *sub, volatile_keys, false);
    }
  }
  return out;
}

std::string FormatSubtree(int root, const KeyPath& path, const Key& key) {
  std::string out = kHeader;
  out.push_back('\n');
  std::string name = RootName(root);
  for (const std::string& part : path) name += "\\" + part;
  AppendKeys(&out, name, key, false, true);
  return out;
}

}  // namespace reg
}  // namespace ds
