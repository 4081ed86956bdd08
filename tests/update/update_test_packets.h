// Building update packets (zip archives) and manifests for the updater's tests.
#pragma once

#include <zip.h>

#include <string>
#include <sys/stat.h>
#include <vector>

#include "core/zip/packet_checksum.h"

namespace update_test {

struct PacketEntry {
  enum Kind { kFile, kFolder, kLink };
  std::string name;
  std::string data;  // file contents, or a link's target
  Kind kind = kFile;
  unsigned mode = 0;  // Unix permission bits; 0 stores the file as a DOS tool does, without one
};

inline PacketEntry File(std::string name, std::string data, unsigned mode = 0) {
  return PacketEntry{std::move(name), std::move(data), PacketEntry::kFile, mode};
}
inline PacketEntry Folder(std::string name) { return PacketEntry{std::move(name), "", PacketEntry::kFolder, 0}; }
inline PacketEntry Link(std::string name, std::string target) {
  return PacketEntry{std::move(name), std::move(target), PacketEntry::kLink, 0};
}

// Writes a zip archive with the entries in order (names stored exactly as given). True on
// success.
inline bool WritePacket(const std::string& path, const std::vector<PacketEntry>& entries) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) return false;
  for (const PacketEntry& entry : entries) {
    zip_int64_t index;
    if (entry.kind == PacketEntry::kFolder) {
      index = zip_dir_add(archive, entry.name.c_str(), ZIP_FL_ENC_UTF_8);
    } else {
      zip_source_t* source = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
      if (source == nullptr) break;
      index = zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
      if (index < 0) zip_source_free(source);
    }
    if (index < 0) {
      zip_discard(archive);
      return false;
    }
    zip_uint32_t mode = entry.mode;
    if (entry.kind == PacketEntry::kLink) mode = S_IFLNK | 0777;
    else if (entry.kind == PacketEntry::kFile && mode != 0) mode |= S_IFREG;
    if (mode != 0)
      zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                       mode << 16);
    else if (entry.kind == PacketEntry::kFile)  // as a DOS tool writes it: no Unix mode
      zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_DOS, 0);
  }
  return zip_close(archive) == 0;
}

// A manifest listing the packets (number, checksum) in the given order.
inline std::string Manifest(const std::vector<std::pair<int, std::string>>& packets) {
  std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<update>\n";
  for (const auto& packet : packets)
    text += "  <string name=\"" + std::to_string(packet.first) + "\" value=\"" + packet.second + "\"/>\n";
  return text + "</update>\n";
}

}  // namespace update_test
