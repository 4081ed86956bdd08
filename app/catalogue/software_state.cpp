#include "app/catalogue/software_state.h"

#include "core/text/path.h"

bool IsBusyStatus(int status) {
  return status == StatusWaiting || status == StatusDownloading || status == StatusPausing ||
         status == StatusPaused || status == StatusCancelling;
}

int CurrentStatus(const SoftwareState& state) {
  return state.usesUpdateStatus ? state.updateStatus : state.status;
}

const char* StatusText(int status, bool upgradeable) {
  switch (status) {
    case StatusNotInstalled: return "未安装";
    case StatusInstalled: return upgradeable ? "可升级" : "已安装";
    case StatusWaiting: return "等待下载";
    case StatusDownloading: return "正在下载";
    case StatusPausing: return "暂停中";
    case StatusPaused: return "暂停下载";
    case StatusCancelling: return "取消中";
    default: return "";
  }
}

std::string InstallerFileName(const std::string& url) {
  // A backslash separates folders in our paths too: cutting there as well keeps a catalogue url
  // such as "http://h/..\..\x.exe" from naming a file outside the download folder.
  const std::size_t slash = url.find_last_of("/\\");
  std::string name = slash == std::string::npos ? url : url.substr(slash + 1);
  if (name == "." || name == "..") name.clear();  // a folder, never a file name
  return name;
}

std::string FinishedInstallerPath(const std::string& directory, const std::string& url) {
  return directory + "\\" + InstallerFileName(url);
}

std::string DownloadTempFolder(const std::string& directory) {
  // A folder that exists as "temp" or "TEMP" (made by another tool, or on a file system that
  // kept another case) is the one in use: a literal "Temp" beside it would be a second, empty one.
  return ds::FindCaseInsensitive(directory, "Temp");
}

std::string DownloadingInstallerPath(const std::string& directory, const std::string& url) {
  return DownloadTempFolder(directory) + "\\" + InstallerFileName(url);
}
