#include "tools/skin/image_spec.h"

#include <cstdio>
#include <set>
#include <sstream>

namespace skin {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : text) {
    if (c == separator) {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  parts.push_back(current);
  return parts;
}

bool ParsePositive(const std::string& text, int* value) {
  if (text.empty() || text.size() > 5) return false;
  int result = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
  }
  if (result <= 0) return false;
  *value = result;
  return true;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A pack name stays inside the pack: relative, '/' separated, no empty, "." or ".." segments.
bool SafeName(const std::string& name) {
  if (name.empty() || name[0] == '/' || name.find('\\') != std::string::npos) return false;
  for (const std::string& segment : Split(name, '/')) {
    if (segment.empty() || segment == "." || segment == "..") return false;
  }
  return true;
}

std::string LineError(int line, const std::string& message) {
  return "line " + std::to_string(line) + ": " + message;
}

}  // namespace

std::string ImageSpec::Option(const std::string& key, const std::string& fallback) const {
  auto found = options.find(key);
  return found == options.end() ? fallback : found->second;
}

int ImageSpec::IntOption(const std::string& key, int fallback) const {
  auto found = options.find(key);
  if (found == options.end()) return fallback;
  int value = 0;
  return ParsePositive(found->second, &value) ? value : (found->second == "0" ? 0 : fallback);
}

std::vector<int> ImageSpec::IntListOption(const std::string& key) const {
  std::vector<int> values;
  auto found = options.find(key);
  if (found == options.end()) return values;
  for (const std::string& part : Split(found->second, ',')) {
    int value = 0;
    if (part == "0") {
      value = 0;
    } else if (!ParsePositive(part, &value)) {
      return {};
    }
    values.push_back(value);
  }
  return values;
}

std::vector<std::string> ImageSpec::CaptionLines() const {
  if (caption.empty()) return {};
  return Split(caption, '|');
}

int ImageSpec::StateCount() const {
  static const std::set<std::string> four = {"button", "glyph", "pagebutton", "toolbutton", "tab",
                                             "category", "check", "checktile", "avatar"};
  if (four.count(kind)) return 4;
  if (kind == "edit") return 2;
  if (kind == "digits") return IntOption("states", 1);
  return 1;
}

bool ParseImageTable(const std::string& text, std::vector<ImageSpec>* specs, std::string* error) {
  specs->clear();
  std::set<std::string> names;
  std::istringstream input(text);
  std::string row;
  int line = 0;
  while (std::getline(input, row)) {
    ++line;
    if (!row.empty() && row.back() == '\r') row.pop_back();
    if (row.empty() || row[0] == '#') continue;
    std::vector<std::string> fields = Split(row, '\t');
    if (fields.size() != 7 && fields.size() != 8) {
      *error = LineError(line, "expected 7 or 8 tab-separated columns, found " + std::to_string(fields.size()));
      return false;
    }
    ImageSpec spec;
    spec.line = line;
    spec.name = fields[0];
    if (!SafeName(spec.name)) {
      *error = LineError(line, "unsafe image name \"" + spec.name + "\"");
      return false;
    }
    if (!EndsWith(spec.name, ".png") && !EndsWith(spec.name, ".gif")) {
      *error = LineError(line, "image name must end in .png or .gif: " + spec.name);
      return false;
    }
    if (!names.insert(spec.name).second) {
      *error = LineError(line, "duplicate image name " + spec.name);
      return false;
    }
    if (!ParsePositive(fields[1], &spec.width) || !ParsePositive(fields[2], &spec.height)) {
      *error = LineError(line, "width and height must be positive integers");
      return false;
    }
    spec.kind = fields[3];
    if (spec.kind.empty() || spec.kind == "-") {
      *error = LineError(line, "missing kind");
      return false;
    }
    spec.caption = fields[4] == "-" ? "" : fields[4];
    spec.role = fields[5] == "-" ? "" : fields[5];
    if (fields[6] != "-" && !fields[6].empty()) {
      for (const std::string& option : Split(fields[6], ';')) {
        std::size_t equals = option.find('=');
        if (equals == std::string::npos || equals == 0) {
          *error = LineError(line, "option without key=value: \"" + option + "\"");
          return false;
        }
        spec.options[option.substr(0, equals)] = option.substr(equals + 1);
      }
    }
    if (fields.size() == 8) spec.use = fields[7];
    int states = spec.StateCount();
    if (states <= 0 || spec.width % states != 0) {
      *error = LineError(line, spec.name + ": width " + std::to_string(spec.width) + " does not divide into " +
                                   std::to_string(states) + " states");
      return false;
    }
    specs->push_back(spec);
  }
  return true;
}

bool LoadImageTable(const std::string& path, std::vector<ImageSpec>* specs, std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "rbe");
  if (!file) {
    *error = "cannot open " + path;
    return false;
  }
  std::string text;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  bool read_ok = !std::ferror(file);
  std::fclose(file);
  if (!read_ok) {
    *error = "cannot read " + path;
    return false;
  }
  return ParseImageTable(text, specs, error);
}

}  // namespace skin
