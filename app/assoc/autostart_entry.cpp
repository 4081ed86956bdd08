#include "app/assoc/autostart_entry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/text/path.h"
#include "core/platform/environment.h"
#include "core/platform/file_write.h"

namespace autostart {

namespace {

constexpr char kEntryFile[] = "corvane.desktop";

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}


}  // namespace

std::string EntryPath() {
  const std::string base = ds::UserConfigDirectory();
  return base.empty() ? "" : base + "/autostart/" + kEntryFile;
}

std::string QuoteExecArgument(const std::string& argument) {
  std::string out = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  out += '"';
  return out;
}

std::string ExecProgram(const std::string& exec) {
  std::size_t i = exec.find_first_not_of(' ');
  if (i == std::string::npos) return "";
  std::string raw;
  if (exec[i] == '"') {
    bool closed = false;
    for (++i; i < exec.size(); ++i) {
      const char c = exec[i];
      if (c == '"') {
        closed = true;
        break;
      }
      if (c == '\\' && i + 1 < exec.size()) {
        const char next = exec[i + 1];
        if (next == '"' || next == '`' || next == '$' || next == '\\') {
          raw += next;
          ++i;
          continue;
        }
      }
      raw += c;
    }
    if (!closed) return "";
  } else {
    const std::size_t end = exec.find(' ', i);
    raw = exec.substr(i, end == std::string::npos ? std::string::npos : end - i);
  }
  std::string program;
  for (std::size_t k = 0; k < raw.size(); ++k) {
    program += raw[k];
    if (raw[k] == '%' && k + 1 < raw.size() && raw[k + 1] == '%') ++k;
  }
  return program;
}

std::string EscapeValue(const std::string& value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string UnescapeValue(const std::string& value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    switch (value[++i]) {
      case 's': out += ' '; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case '\\': out += '\\'; break;
      default:  // not an escape of the string level: the quoting level reads it
        out += '\\';
        out += value[i];
    }
  }
  return out;
}

std::string EntryText(const std::string& program) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Kiv软件管理\n"
         "Exec=" + EscapeValue(QuoteExecArgument(program) + " /r") + "\n"
         "X-GNOME-Autostart-enabled=true\n";
}

EntryInfo ReadEntry(const std::string& path) {
  EntryInfo info;
  std::string text;
  if (path.empty() || !ds::ReadWholeFile(path, text)) return info;
  info.present = true;
  info.enabled = true;
  bool in_group = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      in_group = line == "[Desktop Entry]";
      continue;
    }
    const std::size_t eq = line.find('=');
    if (!in_group || eq == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, eq));
    const std::string value = UnescapeValue(Trim(line.substr(eq + 1)));
    if (key == "Exec") {
      info.program = ExecProgram(value);
    } else if (key == "Hidden" && value == "true") {
      info.enabled = false;
    } else if (key == "X-GNOME-Autostart-enabled" && value == "false") {
      info.enabled = false;
    }
  }
  return info;
}

bool WriteEntry(const std::string& path, const std::string& program) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || !ds::MakeDirectories(path.substr(0, slash), 0700)) return false;
  return ds::ReplaceFileAtomically(path, EntryText(program), ds::CreationMode(0644));
}

bool SameProgram(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  if (a == b) return true;
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace autostart
