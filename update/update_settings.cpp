#include "update/update_settings.h"

#include <cstdio>
#include <cstdlib>

#include "core/zip/packet_checksum.h"
#include "core/text/path.h"
#include "core/platform/process.h"

namespace update {
namespace {

std::string Trimmed(std::string text) {
  const char* blanks = " \t\r\n";
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return std::string();
  std::size_t last = text.find_last_not_of(blanks);
  text = text.substr(first, last - first + 1);
  while (!text.empty() && text.back() == '/') text.pop_back();
  return text;
}

std::string FirstLineOf(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rbe");
  if (file == nullptr) return std::string();
  char line[2048];
  std::string text;
  if (std::fgets(line, sizeof line, file) != nullptr) text = line;
  std::fclose(file);
  return text;
}

}  // namespace

std::string PacketBaseUrl(const std::string& program_dir) {
  if (const char* value = std::getenv(kPacketBaseUrlVariable)) {
    std::string url = Trimmed(value);
    if (!url.empty()) return url;
  }
  if (!program_dir.empty()) {
    std::string url = Trimmed(FirstLineOf(ds::JoinPath(program_dir, kPacketBaseUrlFile)));
    if (!url.empty()) return url;
  }
  return kDefaultPacketBaseUrl;
}

std::string PacketUrl(const std::string& base_url, int number) {
  return base_url + "/" + ds::PacketFileName(number);
}


}  // namespace update
