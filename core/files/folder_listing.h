// The regular files of one folder, read in one pass: checking many names in a folder (every
// catalogue program's installer in the download folder) then costs a lookup each instead of a
// path walk through the kernel each.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

#include "core/export.h"

namespace ds {

class DS_API FolderListing {
 public:
  // Reads `folder` (either separator); a missing or unreadable folder lists nothing.
  explicit FolderListing(std::string_view folder);

  // True when `name` (exact letter case, as a path lookup) is a regular file there, or a link
  // to one.
  bool HasRegularFile(const std::string& name) const { return files_.count(name) != 0; }

 private:
  std::unordered_set<std::string> files_;
};

}  // namespace ds
