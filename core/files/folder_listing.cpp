#include "core/files/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "core/text/path.h"

namespace ds {

FolderListing::FolderListing(std::string_view folder) {
  DIR* dir = ::opendir(NativePath(folder).c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    bool regular = entry->d_type == DT_REG;
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      // A link counts by what it points to, as stat sees it; some file systems give no type.
      struct stat st;
      regular = ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
    }
    if (regular) files_.insert(entry->d_name);
  }
  ::closedir(dir);
}

}  // namespace ds
