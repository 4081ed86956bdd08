#include "vexo/ui/resources/wave_file.h"

#include <cstdio>

namespace {

std::uint32_t Le32(const std::string& b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24);
}

unsigned Le16(const std::string& b, std::size_t at) {
  return static_cast<unsigned>(static_cast<unsigned char>(b[at])) |
         (static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 8);
}

int Fail(std::string* error, const char* format, const char* name) {
  if (error != nullptr) {
    char message[600];
    std::snprintf(message, sizeof message, format, name != nullptr ? name : "");
    *error = message;
  }
  return 0;
}

}  // namespace

int VEXO_WaveFile::Parse(const std::string& bytes, const char* name, std::string* error) {
  *this = VEXO_WaveFile();
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
    return Fail(error, "%s is an invalid wave file!", name);
  // The chunks end where the RIFF size says, or at the end of the file if that comes first.
  std::size_t end = 8 + static_cast<std::size_t>(Le32(bytes, 4));
  if (end > bytes.size()) end = bytes.size();

  bool have_fmt = false;
  std::size_t pos = 12;
  while (pos + 8 <= end) {
    const std::string id = bytes.substr(pos, 4);
    const std::size_t size = Le32(bytes, pos + 4);
    const std::size_t body = pos + 8;
    const std::size_t available = end - body;
    if (id == "fmt ") {
      if (size < 16 || size > available) return Fail(error, "%s is an invalid wave file!", name);
      format_tag = Le16(bytes, body);
      channels = Le16(bytes, body + 2);
      samples_per_sec = Le32(bytes, body + 4);
      avg_bytes_per_sec = Le32(bytes, body + 8);
      block_align = Le16(bytes, body + 12);
      bits_per_sample = Le16(bytes, body + 14);
      have_fmt = true;
    } else if (id == "data") {
      if (!have_fmt) return Fail(error, "Cannot find fmt chunk in %s!", name);
      std::size_t take = size < available ? size : available;
      if (block_align > 0) take -= take % block_align;
      data = bytes.substr(body, take);
      return 1;
    }
    if (size > available) break;
    pos = body + size + (size & 1);  // chunks are padded to even length
  }
  if (!have_fmt) return Fail(error, "Cannot find fmt chunk in %s!", name);
  return Fail(error, "Cannot find data chunk in: %s", name);
}
