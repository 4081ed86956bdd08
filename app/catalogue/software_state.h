// The live record of one catalogue program: its catalogue fields plus what this computer knows
// of it (installed where, downloaded how far, waiting, paused, upgradeable).
#pragma once
#include <cstdint>
#include <string>

#include "app/catalogue/catalogue_records.h"

class CDownloadTask;

// Values of `status` and `updateStatus`.
enum SoftwareStatus {
  StatusStopped = -1,      // download stopped because all downloads were stopped
  StatusNotInstalled = 0,  // "未安装"
  StatusInstalled = 1,     // "已安装", or "可升级" when upgradeable
  StatusWaiting = 2,       // "等待下载"
  StatusInternal = 3,      // the manager's own update files
  StatusDownloading = 4,   // "正在下载"
  StatusPausing = 5,       // "暂停中"
  StatusPaused = 6,        // "暂停下载"
  StatusCancelling = 7,    // "取消中"
  StatusCancelled = 8,     // download removed by the user
  StatusDownloaded = 9,    // installer present, program not installed
};

struct SoftwareState : SoftwareInfo {
  SoftwareState() = default;
  explicit SoftwareState(const SoftwareInfo& info) : SoftwareInfo(info) {}

  std::int64_t downloadedBytes = 0;
  std::int64_t totalBytes = 1;  // 1 until known, so a percentage never divides by 0
  // The server did not state the length: the row shows the bytes without a percentage.
  int totalUnknown = 0;
  // Why the download started again from byte 0, or why its last attempt failed ("HTTP 404",
  // a certificate not trusted, ...): for the row's status text and the log. "" when nothing.
  std::string downloadNote;
  int status = StatusNotInstalled;
  int updateStatus = StatusNotInstalled;
  int attention = 1;
  int statusChanged = 0;
  int updateStatusChanged = 0;
  float speed = 0;  // KB/s
  int usesUpdateStatus = 0;  // status writes go to updateStatus while set
  CDownloadTask* downloadTask = nullptr;  // owned by the download queue
  std::string installedVersion;
  bool upgradeable = false;
  std::string downloadDir;
  int checked = 1;
  int keepTemp = 0;
  int listed = 0;
};

// True for the statuses of a download in progress: waiting, downloading, pausing, paused,
// cancelling.
bool IsBusyStatus(int status);

// `updateStatus` while the record stands for an upgrade download, else `status`.
int CurrentStatus(const SoftwareState& state);

// The display text of a status ("未安装", "已安装"/"可升级", "等待下载", ...); "" for the
// statuses that have none.
const char* StatusText(int status, bool upgradeable);

// The installer's file name: the part of `url` after its last '/' (or '\', which would
// otherwise reach into another folder).
std::string InstallerFileName(const std::string& url);

// directory + "\" + the installer file name: the finished installer.
std::string FinishedInstallerPath(const std::string& directory, const std::string& url);

// The download folder's "Temp" folder: the existing one in any letter case, else directory + "\Temp".
std::string DownloadTempFolder(const std::string& directory);

// DownloadTempFolder(directory) + "\" + the installer file name: the installer being downloaded
// (the engine adds ".tmp" and ".rd2").
std::string DownloadingInstallerPath(const std::string& directory, const std::string& url);
