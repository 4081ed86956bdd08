// The update manifest "Update.xml": under one root element (its name is not examined), one
// "string" element per update packet with the attributes "name" (packet number) and "value"
// (the packet's checksum, see packet_checksum.h). The first "string" element names the newest
// version. Other elements and attributes are ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/export.h"

namespace ds {

// The manifest's file name in the program directory.
constexpr const char kUpdateManifestName[] = "Update.xml";

struct DS_API UpdateManifestEntry {
  int number = 0;        // "name"; 0 when missing or not numeric
  std::string checksum;  // "value"; empty when missing
};

class DS_API UpdateManifest {
 public:
  UpdateManifest();
  virtual ~UpdateManifest();

  // Reads the manifest file at `path`, replacing what was held. 1 when the document was read
  // and has a root element; 0 otherwise (the manifest is then empty).
  int Load(const char* path);
  // The same for a document held in memory.
  int Parse(std::string_view document);
  void Clear();

  // The entries in document order.
  const std::vector<UpdateManifestEntry>& Entries() const { return entries_; }
  // The checksum of the first entry with `number`, or "" when no entry has it.
  std::string ChecksumOf(int number) const;
  // The number of the first entry: the newest version the publisher offers. 0 when the
  // manifest has no entry.
  int LatestVersion() const;

 private:
  std::vector<UpdateManifestEntry> entries_;
};

// The manifest file in `dir`, its name matched ignoring letter case ("update.xml" is found too).
DS_API std::string UpdateManifestPath(const std::string& dir);

}  // namespace ds
