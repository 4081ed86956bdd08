// Installing one update packet (a zip archive) over the installation folder, whole or not at
// all.
//
// Names are trimmed as publishers' tools write them (a drive "C:" and leading '\' or '/' are
// dropped); what still points outside the folder ('..') is refused, as are link entries,
// entries whose path passes through an existing link, and the install's own work folder. The
// whole packet is checked before anything is written: one refused entry, a name clash (a file
// "x" and a file "x/y", a file where a folder stands) or an unreadable entry fails the packet
// and the installation stays as it was. Files are then inflated into the work folder (see
// install_journal.h) and renamed into place under the journal; a failure, or a crash recovered
// by RecoverPacketInstall, puts every replaced file back and removes the folders the packet
// made.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/export.h"

namespace ds {

struct PacketInstallReport {
  int extracted = 0;  // files and folders put in place (0 unless the packet went in)
  int refused = 0;    // entries whose name or path would leave the folder, and link entries
  int failed = 0;     // entries that could not be read, clash with another, or could not be placed
};

// The entry name as a clean relative path ("bin/app"): a leading drive ("C:") and leading '\'
// or '/' are dropped, '\' separates like '/', empty and "." components are dropped. False for
// names that must not be installed: empty, holding a ".." component, or inside the work folder.
DS_API bool PacketEntryPath(std::string_view name, std::string* relative);

// Called before each change of the rename phase with the change's number (0, 1, ...); true
// makes that change fail as if the file system had refused it. For tests.
using PacketInstallFault = std::function<bool(int step)>;

// Installs the archive at `packet_path` over `directory`. 1 when every entry is in place; 0 when
// the packet cannot be opened, any entry was refused or failed, or a file could not be placed,
// and then the installation is as it was before. `report` may be null.
DS_API int InstallPacket(const std::string& packet_path, const std::string& directory,
                         PacketInstallReport* report, const PacketInstallFault& fault = {});

}  // namespace ds
