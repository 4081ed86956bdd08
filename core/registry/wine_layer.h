// A Wine prefix's registry as read-only layers beneath our store: system.reg is
// HKEY_LOCAL_MACHINE, user.reg HKEY_CURRENT_USER and userdef.reg HKEY_USERS\.Default. Each file is
// read again when it changes (Wine saves it a few seconds after a change, replacing it whole);
// nothing is ever written to it.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "core/export.h"
#include "core/registry/file_stamp.h"
#include "core/registry/registry_store.h"
#include "core/registry/wine_registry_text.h"

namespace ds {
namespace reg {

class DS_API WineRegistryLayer : public RegistryLayer {
 public:
  enum class Hive { kMachine, kUser, kUserDefault };

  // One file of the prefix `prefix`, or of the prefix in use at each read (WinePrefix()) when
  // `prefix` is "".
  explicit WineRegistryLayer(Hive hive, std::string prefix = std::string());

  // The file's keys; null while the file is missing, unreadable or not a Wine registry. A file
  // damaged part-way gives the keys before the damage.
  std::shared_ptr<const Tree> Snapshot() override;

  // The result of the last parse.
  WineParseReport LastReport();

  static const char* FileName(Hive hive);

 private:
  Hive hive_;
  std::string prefix_;
  std::mutex mutex_;
  std::string cached_path_;
  FileStamp cached_stamp_;
  bool cached_valid_ = false;
  std::shared_ptr<const Tree> cached_;
  WineParseReport report_;
};

// Stacks the three files of the prefix in use beneath the store (once; again after the layers
// were cleared). Every ds::Registry read then sees the prefix's keys.
DS_API void AttachWineRegistry();

}  // namespace reg
}  // namespace ds
