// File icons for lists and trees: two image lists, 16 and 32 pixels, kept in step (an icon has
// the same index in both), and a lookup of a file's icon index. Programs (".exe") and icon files
// (".ico") have their own icons, read once per path; every other file shares the icon of its type
// (by extension), folders share the folder icon. The desktop's icon theme supplies the type
// icons, the style's generic file and folder icons stand in where the theme has none.
#pragma once

#include <QPixmap>
#include <map>
#include <string>
#include <vector>

#include "vexo/export.h"

class VEXO_API VEXO_IconMgr {
 public:
  static constexpr int kSmall = 16;
  static constexpr int kLarge = 32;

  VEXO_IconMgr();
  ~VEXO_IconMgr();

  // Index of the icon of the file or folder `path` in both lists, added on first use; -1 when
  // no icon could be found at all.
  int GetIconIndex(const char* path);
  // The 16 or 32 pixel list.
  const std::vector<QPixmap>& GetImageList(bool large) const { return large ? large_ : small_; }
  int GetCount() const { return static_cast<int>(small_.size()); }
  void Clear();

  VEXO_IconMgr(const VEXO_IconMgr&) = delete;
  VEXO_IconMgr& operator=(const VEXO_IconMgr&) = delete;

 private:
  std::map<std::string, int> index_;  // by key: a path, "." + extension, or "<folder>"
  std::vector<QPixmap> small_;
  std::vector<QPixmap> large_;
};
