#include "core/registry/wine_layer.h"

#include <cerrno>

#include <sys/stat.h>

#include "core/platform/wine_prefix.h"

namespace ds {
namespace reg {

WineRegistryLayer::WineRegistryLayer(Hive hive, std::string prefix)
    : hive_(hive), prefix_(std::move(prefix)) {}

const char* WineRegistryLayer::FileName(Hive hive) {
  switch (hive) {
    case Hive::kMachine: return "system.reg";
    case Hive::kUser: return "user.reg";
    case Hive::kUserDefault: return "userdef.reg";
  }
  return "";
}

WineParseReport WineRegistryLayer::LastReport() {
  std::lock_guard<std::mutex> guard(mutex_);
  return report_;
}

std::shared_ptr<const Tree> WineRegistryLayer::Snapshot() {
  const std::string prefix = prefix_.empty() ? WinePrefix() : prefix_;
  if (prefix.empty()) return nullptr;
  const std::string path = prefix + "/" + FileName(hive_);

  std::lock_guard<std::mutex> guard(mutex_);
  struct stat st {};
  const bool present = ::stat(path.c_str(), &st) == 0;
  // Wine saves a file by writing a new one and renaming it over the old, so a new version always
  // has a new identity. (No second read of a just-written file, as our store does: a prefix's
  // system.reg runs to megabytes.)
  if (cached_valid_ && cached_path_ == path &&
      cached_stamp_ == FileStamp::Of(present, st)) {
    return cached_;
  }

  std::string text;
  // The stamp kept is the one of the descriptor read: a file replaced meanwhile differs from it
  // and is read again next time.
  const int read = present ? ReadTextFile(path, &text, &st) : 0;
  std::shared_ptr<Tree> tree;
  report_ = WineParseReport();
  if (read > 0) {
    tree = std::make_shared<Tree>();
    Key* hive = nullptr;
    switch (hive_) {
      case Hive::kMachine: hive = &tree->root(kLocalMachine); break;
      case Hive::kUser: hive = &tree->root(kCurrentUser); break;
      case Hive::kUserDefault: hive = tree->root(kUsers).AddSubkey(".Default", false); break;
    }
    report_ = ParseWineRegistry(text, hive);
    if (!report_.recognised) tree.reset();
  }
  cached_path_ = path;
  cached_stamp_ = FileStamp::Of(read > 0, st);
  cached_valid_ = true;
  cached_ = tree;
  return cached_;
}

void AttachWineRegistry() {
  static const std::shared_ptr<RegistryLayer> layers[] = {
      std::make_shared<WineRegistryLayer>(WineRegistryLayer::Hive::kMachine),
      std::make_shared<WineRegistryLayer>(WineRegistryLayer::Hive::kUser),
      std::make_shared<WineRegistryLayer>(WineRegistryLayer::Hive::kUserDefault),
  };
  for (const auto& layer : layers) RegistryStore::Instance().AddLowerLayerOnce(layer);
}

}  // namespace reg
}  // namespace ds
