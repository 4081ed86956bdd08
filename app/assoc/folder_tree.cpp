#include "app/assoc/folder_tree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "core/platform/environment.h"
#include "core/platform/file_write.h"
#include "core/text/path.h"

namespace folder_tree {

namespace {

// Visits the shown subfolders of `dir` until `visit` returns false.
template <class Visit>
void EachSubFolder(const std::string& dir, Visit visit) {
  DIR* handle = ::opendir(dir.c_str());
  if (handle == nullptr) return;
  while (const dirent* entry = ::readdir(handle)) {
    const std::string name = entry->d_name;
    if (name.empty() || name[0] == '.') continue;
    if (!ds::IsDirectory(ds::JoinPath(dir, name))) continue;
    if (!visit(name)) break;
  }
  ::closedir(handle);
}

}  // namespace

std::vector<std::string> SubFolders(const std::string& dir) {
  std::vector<std::string> names;
  EachSubFolder(dir, [&names](const std::string& name) {
    names.push_back(name);
    return true;
  });
  std::sort(names.begin(), names.end());
  return names;
}

bool HasSubFolders(const std::string& dir) {
  bool found = false;
  EachSubFolder(dir, [&found](const std::string&) {
    found = true;
    return false;
  });
  return found;
}

std::vector<std::string> Volumes() {
  std::vector<std::string> volumes{"/"};
  std::string mounts;
  if (!ds::ReadWholeFile("/proc/self/mounts", mounts)) return volumes;
  std::size_t start = 0;
  while (start < mounts.size()) {
    std::size_t end = mounts.find('\n', start);
    if (end == std::string::npos) end = mounts.size();
    const std::string line = mounts.substr(start, end - start);
    start = end + 1;
    const std::size_t first = line.find(' ');
    if (first == std::string::npos) continue;
    const std::size_t second = line.find(' ', first + 1);
    const std::string point = line.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    const bool extra = point.rfind("/media/", 0) == 0 || point.rfind("/mnt/", 0) == 0 || point.rfind("/run/media/", 0) == 0;
    if (extra && point.find("\\") == std::string::npos &&
        std::find(volumes.begin(), volumes.end(), point) == volumes.end())
      volumes.push_back(point);
  }
  return volumes;
}

std::string TrashFolder() {
  const std::string data = ds::UserDataDirectory();
  return data.empty() ? "" : data + "/Trash/files";
}

std::string FreeFolderName(const std::string& dir) {
  std::string name = kNewFolder;
  for (int n = 2; ds::PathExists(ds::JoinPath(dir, name)); ++n) name = std::string(kNewFolder) + " (" + std::to_string(n) + ")";
  return name;
}

}  // namespace folder_tree
