// Installing one update packet: every entry of the zip archive is extracted over the
// installation folder, in archive order.
//
// Entries never reach outside the folder: names that are absolute, start with a drive, or hold
// a ".." component are refused (not trimmed), as are symbolic-link entries and entries whose
// path passes through a link that leads outside. Files are first written to temporary files
// beside their targets and only renamed into place once the whole packet has been inflated, so
// an interrupted extraction never leaves a half-written file: each file is either its old or
// its complete new content, and a packet with an unreadable entry changes nothing.
#pragma once

#include <string>
#include <string_view>

namespace update {

struct PacketExtractReport {
  int extracted = 0;  // files and folders put in place
  int refused = 0;    // entries whose name or path would leave the folder, and link entries
  int failed = 0;     // entries that could not be read or written
};

// The entry name as a clean relative path ("bin/app"): '\' separates like '/', empty and "."
// components are dropped. False for names that must not be extracted: empty, absolute, with a
// drive ("C:..."), or holding a ".." component.
bool SafeEntryPath(std::string_view name, std::string* relative);

// Extracts the archive at `packet_path` over `directory`. Refused entries are skipped and
// counted in `report` (may be null). When an entry cannot be read or staged, nothing of the
// packet is put in place. 1 when every entry that was not refused is in place; 0 when the
// archive cannot be opened or an entry failed.
int ExtractPacket(const std::string& packet_path, const std::string& directory,
                  PacketExtractReport* report);

}  // namespace update
