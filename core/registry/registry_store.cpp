#include "core/registry/registry_store.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/text/path.h"
#include "core/platform/environment.h"
#include "core/platform/file_write.h"
#include "core/registry/registry_text.h"

namespace ds {
namespace reg {

// ---- Files ----

namespace {

// An absolute directory from the environment, or "".
std::string EnvDirectory(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value != '/') return "";
  return value;
}

// The volatile file's directory may sit in a shared place (/tmp). It is used only when it is a
// real directory of ours that nobody else may write into: otherwise someone could plant keys
// (a shell command under HKEY_CLASSES_ROOT, say) or read ours.
bool DirectoryIsPrivate(const std::string& dir) {
  struct stat st;
  return lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
         (st.st_mode & 022) == 0;
}

bool EnsurePrivateDirectory(const std::string& dir) {
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return DirectoryIsPrivate(dir);
}

bool StatId(const std::string& path, bool* present, struct stat* st) {
  if (stat(path.c_str(), st) == 0) {
    *present = true;
    return true;
  }
  *present = false;
  return errno == ENOENT || errno == ENOTDIR;
}

// Reads a whole file: 1 read (with its fstat), 0 missing, -1 present but unreadable.
int ReadFileWithStat(const std::string& path, std::string* text, struct stat* st) {
  text->clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return (errno == ENOENT || errno == ENOTDIR) ? 0 : -1;
  if (fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
    close(fd);
    return -1;
  }
  text->reserve(static_cast<std::size_t>(st->st_size));
  char buf[65536];
  while (true) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return -1;
    }
    if (n == 0) break;
    text->append(buf, static_cast<std::size_t>(n));
  }
  close(fd);
  return 1;
}

// The volatile file as far as it may be trusted: 1 read, 0 missing (or not to be used), -1 error.
int ReadVolatileFile(const StorePaths& paths, std::string* text, struct stat* st) {
  if (!paths.volatile_dir.empty() && !DirectoryIsPrivate(paths.volatile_dir)) {
    text->clear();
    return 0;
  }
  return ReadFileWithStat(paths.volatile_file, text, st);
}

// Holds flock(LOCK_EX) on the lock file for its lifetime.
class FileLock {
 public:
  explicit FileLock(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~FileLock() {
    if (fd_ >= 0) close(fd_);  // closing releases the lock
  }
  bool held() const { return fd_ >= 0; }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace

int ReadTextFile(const std::string& path, std::string* text) {
  struct stat st;
  return ReadFileWithStat(path, text, &st);
}

int ReadTextFile(const std::string& path, std::string* text, struct stat* st) {
  return ReadFileWithStat(path, text, st);
}

bool ResolveStorePaths(StorePaths* paths) {
  *paths = StorePaths();
  const char* env = std::getenv("CORVANE_REGISTRY");
  if (env != nullptr && *env != '\0') {
    paths->main = env;
    paths->volatile_file = paths->main + ".volatile";
  } else {
    const std::string config = UserConfigDirectory();
    if (config.empty()) return false;
    paths->main = config + "/corvane/registry.reg";
    std::string runtime = EnvDirectory("XDG_RUNTIME_DIR");
    if (!runtime.empty() && IsDirectory(runtime)) {
      paths->volatile_dir = runtime + "/corvane";
    } else {
      paths->volatile_dir = "/tmp/corvane-" + std::to_string(getuid());
    }
    paths->volatile_file = paths->volatile_dir + "/registry.reg.volatile";
  }
  paths->lock = paths->main + ".lock";
  return true;
}

// ---- The store ----

namespace {

// This thread's read batch: how many are open and the snapshot taken at its first read.
struct BatchSnapshot {
  int depth = 0;
  bool valid = false;
  std::vector<std::shared_ptr<const Tree>> trees;
};
thread_local BatchSnapshot t_batch;

}  // namespace

ReadBatch::ReadBatch() { ++t_batch.depth; }

ReadBatch::~ReadBatch() {
  if (--t_batch.depth > 0) return;
  t_batch.valid = false;
  t_batch.trees.clear();
}

RegistryLayer::~RegistryLayer() = default;

RegistryStore& RegistryStore::Instance() {
  static RegistryStore store;
  return store;
}

std::shared_ptr<const Tree> RegistryStore::Read() {
  StorePaths paths;
  if (!ResolveStorePaths(&paths)) return std::make_shared<const Tree>();

  std::lock_guard<std::mutex> guard(mutex_);
  struct stat st_main {}, st_vol {};
  bool main_present = false, vol_present = false;
  if (StatId(paths.main, &main_present, &st_main) &&
      StatId(paths.volatile_file, &vol_present, &st_vol)) {
    if (cached_ && !cached_racy_ && cached_main_path_ == paths.main &&
        cached_volatile_path_ == paths.volatile_file &&
        cached_main_id_ == FileStamp::Of(main_present, st_main) &&
        cached_volatile_id_ == FileStamp::Of(vol_present, st_vol)) {
      return cached_;
    }
  }

  const std::int64_t read_time = NowNs();
  auto tree = std::make_shared<Tree>();
  std::string text;
  int r = ReadFileWithStat(paths.main, &text, &st_main);
  if (r > 0) ParseRegText(text, tree.get(), false);
  const FileStamp main_id = FileStamp::Of(r > 0, st_main);
  r = ReadVolatileFile(paths, &text, &st_vol);
  if (r > 0) ParseRegText(text, tree.get(), true);
  const FileStamp vol_id = FileStamp::Of(r > 0, st_vol);

  cached_ = tree;
  cached_racy_ = main_id.IsRacy(read_time) || vol_id.IsRacy(read_time);
  cached_main_path_ = paths.main;
  cached_volatile_path_ = paths.volatile_file;
  cached_main_id_ = main_id;
  cached_volatile_id_ = vol_id;
  return cached_;
}

std::vector<std::shared_ptr<const Tree>> RegistryStore::ReadLayers() {
  if (t_batch.depth > 0 && t_batch.valid) return t_batch.trees;
  std::vector<std::shared_ptr<const Tree>> trees;
  trees.push_back(Read());
  std::vector<std::shared_ptr<RegistryLayer>> layers;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    layers = layers_;
  }
  for (const auto& layer : layers) {
    if (auto tree = layer->Snapshot()) trees.push_back(std::move(tree));
  }
  if (t_batch.depth > 0) {
    t_batch.trees = trees;
    t_batch.valid = true;
  }
  return trees;
}

void RegistryStore::AddLowerLayer(std::shared_ptr<RegistryLayer> layer) {
  if (!layer) return;
  t_batch.valid = false;
  std::lock_guard<std::mutex> guard(mutex_);
  layers_.push_back(std::move(layer));
}

void RegistryStore::AddLowerLayerOnce(const std::shared_ptr<RegistryLayer>& layer) {
  if (!layer) return;
  t_batch.valid = false;
  std::lock_guard<std::mutex> guard(mutex_);
  for (const auto& held : layers_) {
    if (held == layer) return;
  }
  layers_.push_back(layer);
}

void RegistryStore::ClearLowerLayers() {
  t_batch.valid = false;
  std::lock_guard<std::mutex> guard(mutex_);
  layers_.clear();
}

bool RegistryStore::Modify(const std::function<int(Tree&)>& change) {
  t_batch.valid = false;  // this thread's next read sees its own change
  StorePaths paths;
  if (!ResolveStorePaths(&paths)) return false;
  std::string main_dir = DirectoryOf(paths.main);
  if (!main_dir.empty() && !IsDirectory(main_dir) && !MakeDirectories(main_dir)) return false;

  FileLock lock(paths.lock);
  if (!lock.held()) return false;

  // Re-read under the lock: another process may have changed either file since our last read.
  std::string main_text, volatile_text;
  struct stat st;
  if (ReadFileWithStat(paths.main, &main_text, &st) < 0) return false;
  if (ReadVolatileFile(paths, &volatile_text, &st) < 0) return false;
  Tree tree;
  ParseReport main_report = ParseRegText(main_text, &tree, false);
  ParseRegText(volatile_text, &tree, true);

  int result = change(tree);
  if (result < 0) return false;

  bool ok = true;
  if (result & kVolatileChanged) {
    if (!paths.volatile_dir.empty() && !EnsurePrivateDirectory(paths.volatile_dir)) {
      ok = false;
    } else {
      ok = ReplaceFileAtomically(paths.volatile_file, FormatTree(tree, true), 0600);
    }
  }
  if (ok && (result & kMainChanged)) {
    // Lines we could not read are not carried over; keep the original so nothing is lost for good.
    if (main_report.skipped_lines > 0) ReplaceFileAtomically(paths.main + ".bad", main_text, 0600);
    ok = ReplaceFileAtomically(paths.main, FormatTree(tree, false), 0600);
  }

  std::lock_guard<std::mutex> guard(mutex_);
  cached_.reset();
  return ok;
}

}  // namespace reg
}  // namespace ds
