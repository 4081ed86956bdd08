#include "app/assoc/mime_globs.h"

#include <cstdlib>

#include "core/platform/environment.h"
#include "core/platform/file_write.h"

namespace mime {

namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t colon = line.find(':', start);
    fields.push_back(line.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return fields;
}

}  // namespace

std::string TypeForExtension(const std::string& ext, const std::vector<std::string>& globs2Texts) {
  if (ext.empty()) return "";
  const std::string wanted = "*." + ext;
  const std::string wantedLower = Lower(wanted);
  std::string best;
  long bestWeight = -1;
  for (const std::string& text : globs2Texts) {
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(start, end - start);
      start = end + 1;
      if (line.empty() || line[0] == '#') continue;
      // weight:type:glob[:flags[:...]]
      const std::vector<std::string> f = Fields(line);
      if (f.size() < 3 || f[1].empty()) continue;
      const bool caseSensitive = f.size() > 3 && f[3].find("cs") != std::string::npos;
      const bool match = caseSensitive ? f[2] == wanted : Lower(f[2]) == wantedLower;
      if (!match) continue;
      const long weight = std::strtol(f[0].c_str(), nullptr, 10);
      if (weight > bestWeight) {
        bestWeight = weight;
        best = f[1];
      }
    }
  }
  return best;
}

std::vector<std::string> LoadGlobs() {
  std::vector<std::string> dirs;
  const std::string user = ds::UserDataDirectory();
  if (!user.empty()) dirs.push_back(user);
  for (const std::string& dir : ds::SystemDataDirectories()) dirs.push_back(dir);
  std::vector<std::string> texts;
  for (const std::string& dir : dirs) {
    std::string text;
    if (ds::ReadWholeFile(dir + "/mime/globs2", text)) texts.push_back(std::move(text));
  }
  return texts;
}

std::string TypeForExtension(const std::string& ext) { return TypeForExtension(ext, LoadGlobs()); }

}  // namespace mime
