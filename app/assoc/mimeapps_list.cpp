#include "app/assoc/mimeapps_list.h"

#include <vector>

#include "core/platform/environment.h"

namespace mimeapps {

namespace {

struct Lines {
  std::vector<std::string> lines;
  bool finalNewline = false;
};

Lines Split(const std::string& text) {
  Lines out;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      out.lines.push_back(text.substr(start));
      return out;
    }
    out.lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  out.finalNewline = !text.empty();
  return out;
}

std::string Join(const Lines& in) {
  std::string out;
  for (std::size_t i = 0; i < in.lines.size(); ++i) {
    out += in.lines[i];
    if (i + 1 < in.lines.size() || in.finalNewline) out += '\n';
  }
  return out;
}

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// The section a header line opens, or "" for any other line.
std::string SectionOf(const std::string& line) {
  const std::string t = Trim(line);
  return t.size() >= 2 && t.front() == '[' && t.back() == ']' ? t.substr(1, t.size() - 2) : "";
}

bool IsHeader(const std::string& line) {
  const std::string t = Trim(line);
  return !t.empty() && t.front() == '[';
}

// Whether the entry line names `type`; its value goes to `value`.
bool KeyIs(const std::string& line, const std::string& type, std::string* value) {
  const std::string t = Trim(line);
  if (t.empty() || t[0] == '#') return false;
  const std::size_t eq = t.find('=');
  if (eq == std::string::npos || Trim(t.substr(0, eq)) != type) return false;
  if (value != nullptr) *value = Trim(t.substr(eq + 1));
  return true;
}

}  // namespace

std::string UserListPath() {
  const std::string config = ds::UserConfigDirectory();
  return config.empty() ? "" : config + "/mimeapps.list";
}

bool GetDefault(const std::string& text, const std::string& type, std::string* value) {
  bool inSection = false;
  for (const std::string& line : Split(text).lines) {
    if (IsHeader(line)) {
      inSection = SectionOf(line) == kDefaultSection;
      continue;
    }
    if (inSection && KeyIs(line, type, value)) return true;
  }
  return false;
}

std::string SetDefault(const std::string& text, const std::string& type, const std::string& value) {
  Lines in = Split(text);
  const std::string entry = type + "=" + value;
  bool inSection = false;
  long lastInSection = -1;  // the section's last non-blank line
  long header = -1;
  for (std::size_t i = 0; i < in.lines.size(); ++i) {
    const std::string& line = in.lines[i];
    if (IsHeader(line)) {
      if (inSection) break;  // only the first default section is extended
      inSection = SectionOf(line) == kDefaultSection;
      if (inSection) header = lastInSection = static_cast<long>(i);
      continue;
    }
    if (!inSection) continue;
    if (KeyIs(line, type, nullptr)) {
      // Keep a Windows line end if the file has them.
      const bool cr = !line.empty() && line.back() == '\r';
      in.lines[i] = entry + (cr ? "\r" : "");
      return Join(in);
    }
    if (!Trim(line).empty()) lastInSection = static_cast<long>(i);
  }
  if (header < 0) {
    if (!in.lines.empty() && !in.finalNewline) in.finalNewline = true;
    if (!in.lines.empty() && !Trim(in.lines.back()).empty()) in.lines.push_back("");
    in.lines.push_back(std::string("[") + kDefaultSection + "]");
    in.lines.push_back(entry);
    in.finalNewline = true;
    return Join(in);
  }
  in.lines.insert(in.lines.begin() + lastInSection + 1, entry);
  if (static_cast<std::size_t>(lastInSection + 2) == in.lines.size()) in.finalNewline = true;
  return Join(in);
}

std::string RemoveDefault(const std::string& text, const std::string& type) {
  Lines in = Split(text);
  Lines out;
  out.finalNewline = in.finalNewline;
  bool inSection = false;
  for (const std::string& line : in.lines) {
    if (IsHeader(line)) inSection = SectionOf(line) == kDefaultSection;
    else if (inSection && KeyIs(line, type, nullptr)) continue;
    out.lines.push_back(line);
  }
  if (out.lines.empty()) out.finalNewline = false;
  return Join(out);
}

std::string FirstEntry(const std::string& value) {
  const std::size_t semi = value.find(';');
  return Trim(semi == std::string::npos ? value : value.substr(0, semi));
}

}  // namespace mimeapps
