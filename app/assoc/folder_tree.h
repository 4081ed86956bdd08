// What the folder picker shows, without a window: the subfolders of a folder, the mounted
// volumes under "我的电脑", the trash, and the free name for a new folder.
#pragma once
#include <string>
#include <vector>

namespace folder_tree {

constexpr char kNewFolder[] = "新建文件夹";

// The subfolders of `dir` (hidden ones left out), sorted by name.
std::vector<std::string> SubFolders(const std::string& dir);
// Whether `dir` has at least one subfolder the picker would show.
bool HasSubFolders(const std::string& dir);

// "/" and the mount points of removable and extra volumes (under /media, /mnt, /run/media).
std::vector<std::string> Volumes();

// The user's trash ($XDG_DATA_HOME/Trash/files).
std::string TrashFolder();

// "新建文件夹" when `dir` has nothing of that name, else "新建文件夹 (2)", "新建文件夹 (3)", ...
std::string FreeFolderName(const std::string& dir);

}  // namespace folder_tree
