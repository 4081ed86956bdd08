// The registry store behind ds::Registry on this platform: a key tree (registry_tree.h) kept in
// one UTF-8 text file in the regedit export format (registry_text.h), plus a second file for
// volatile keys, shared safely by every process of the user. Read-only layers (another
// program's registry) can be stacked beneath it; reads see them, changes only ever go to our
// own files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/export.h"
#include "core/registry/file_stamp.h"
#include "core/registry/registry_tree.h"

namespace ds {
namespace reg {

// A registry stacked beneath ours for reading (for example a Wine prefix). Snapshot() returns its
// current tree, or null when it has none; it is called on every read, so it should cache.
class DS_API RegistryLayer {
 public:
  virtual ~RegistryLayer();
  virtual std::shared_ptr<const Tree> Snapshot() = 0;
};

// The files of the store, taken from the environment:
//   main:     $CORVANE_REGISTRY, else $XDG_CONFIG_HOME/corvane/registry.reg (~/.config/...)
//   lock:     main + ".lock", never renamed
//   volatile: main + ".volatile" when $CORVANE_REGISTRY is set, else
//             $XDG_RUNTIME_DIR/corvane/registry.reg.volatile, else
//             /tmp/corvane-<uid>/registry.reg.volatile
struct StorePaths {
  std::string main;
  std::string lock;
  std::string volatile_file;
  std::string volatile_dir;  // the private directory to create (mode 0700), or "" when not ours
};
DS_API bool ResolveStorePaths(StorePaths* paths);

// Reads a whole file, as the store does; shared with key import.
// 1 read, 0 missing, -1 present but unreadable.
DS_API int ReadTextFile(const std::string& path, std::string* text);
// The same, with the status of the descriptor read: the version read, even when the file is
// replaced meanwhile.
DS_API int ReadTextFile(const std::string& path, std::string* text, struct stat* st);

// What a change reports back to RegistryStore::Modify.
enum ChangeResult : int {
  kChangeFailed = -1,
  kNothingChanged = 0,
  kMainChanged = 1,
  kVolatileChanged = 2,
};

class DS_API RegistryStore {
 public:
  static RegistryStore& Instance();

  // Our own keys (main and volatile file merged), cached on the files' identity (device, inode,
  // size, modification and change times). A file changed so recently that another change could
  // still carry the same times is read again each time. A missing or unreadable file is empty.
  std::shared_ptr<const Tree> Read();

  // Our tree first, then every stacked layer in the order added.
  std::vector<std::shared_ptr<const Tree>> ReadLayers();

  void AddLowerLayer(std::shared_ptr<RegistryLayer> layer);
  // Adds `layer` unless it is stacked already.
  void AddLowerLayerOnce(const std::shared_ptr<RegistryLayer>& layer);
  void ClearLowerLayers();

  // One change: takes the lock, reads both files afresh, runs `change` on the tree and writes
  // each file `change` reports changed (temporary file, fsync, rename). False when the store
  // cannot be locked, read or written, or when `change` fails; nothing is written then.
  // A main file that had unreadable lines is copied to main + ".bad" before it is replaced.
  bool Modify(const std::function<int(Tree&)>& change);

  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

 private:
  RegistryStore() = default;

  std::mutex mutex_;
  std::string cached_main_path_, cached_volatile_path_;
  FileStamp cached_main_id_, cached_volatile_id_;
  std::shared_ptr<const Tree> cached_;
  bool cached_racy_ = false;
  std::vector<std::shared_ptr<RegistryLayer>> layers_;
};

// While one lives on a thread, that thread's reads see one snapshot of the store and its layers:
// the files are checked for changes at the first read only, until the last batch on the thread
// ends or the thread writes. A scan of thousands of keys then costs one check, not a few file
// checks a key. Changes other processes make meanwhile show after the batch.
class DS_API ReadBatch {
 public:
  ReadBatch();
  ~ReadBatch();
  ReadBatch(const ReadBatch&) = delete;
  ReadBatch& operator=(const ReadBatch&) = delete;
};

}  // namespace reg
}  // namespace ds
