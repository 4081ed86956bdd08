// The state of an installation folder for comparing before and after: every entry below it by
// relative path, with its kind, permission bits and contents (a link's target).
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "tests/common/temp_dir.h"

namespace install_test {

using Snapshot = std::map<std::string, std::string>;

inline Snapshot TakeSnapshot(const std::string& root) {
  namespace fs = std::filesystem;
  Snapshot snapshot;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const std::string path = it->path().string();
    const std::string name = it->path().lexically_relative(root).string();
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) continue;
    const std::string mode = std::to_string(st.st_mode & 07777) + " ";
    if (S_ISLNK(st.st_mode)) {
      snapshot[name] = "link " + fs::read_symlink(it->path(), ec).string();
      it.disable_recursion_pending();
    } else if (S_ISDIR(st.st_mode)) {
      snapshot[name] = "folder " + mode;
    } else {
      snapshot[name] = "file " + mode + corvane_test::ReadWholeFile(path);
    }
  }
  return snapshot;
}

}  // namespace install_test
