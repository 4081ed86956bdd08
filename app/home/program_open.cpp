#include "app/home/program_open.h"

#include "app/catalogue/software_mgr.h"
#include "app/downloads/download_queue.h"

OpenDecision DecideOpen(SoftwareMgr& software, SoftwareState* program) {
  if (!program) return {};
  if (program->type < 0 && program->status != StatusInstalled) {
    program = software.FindState(program->InstallId);
    if (!program) return {};
  }
  if (program->status == StatusInstalled) return {OpenAction::kRun, program};
  return DecideByStatus(program);
}

OpenDecision DecideByStatus(SoftwareState* program) {
  if (!program) return {};
  switch (program->status) {
    case StatusNotInstalled: return {OpenAction::kAskDownload, program};
    case StatusDownloading:
    case StatusPausing:
    case StatusPaused: return {OpenAction::kInList, program};
    case StatusDownloaded: return {OpenAction::kAskInstall, program};
    default: return {OpenAction::kNothing, program};
  }
}

const char* OpenText(OpenAction action) {
  switch (action) {
    case OpenAction::kAskDownload: return "您还未安装该款软件，是否立即下载";
    case OpenAction::kInList: return "该软件已经在下载列表中.....";
    case OpenAction::kAskInstall: return "该软件已下载,是否现在安装该款软件?";
    default: return "";
  }
}

bool StartHomeDownload(SoftwareMgr& software, SoftwareState* program) {
  if (!program || program->status == StatusDownloading || program->status == StatusPausing ||
      program->status == StatusPaused)
    return false;
  program->usesUpdateStatus = 0;
  software.SetStatus(program, StatusDownloading);
  program->downloadedBytes = 0;
  program->totalBytes = 1;
  if (DownloadQueue* queue = GetDownloadQueue()) queue->AddDownload(program);
  return true;
}
