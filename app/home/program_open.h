// What a double click on a program of the home page (runnable, common or recent) does, by the
// program's type and status.
#pragma once

class SoftwareMgr;
struct SoftwareState;

enum class OpenAction {
  kRun,          // start `target`
  kAskDownload,  // "您还未安装该款软件，是否立即下载"
  kInList,       // "该软件已经在下载列表中....."
  kAskInstall,   // "该软件已下载,是否现在安装该款软件?"
  kNothing,
};

struct OpenDecision {
  OpenAction action = OpenAction::kNothing;
  SoftwareState* target = nullptr;
};

// A program of a negative type that is not installed stands for the program of its InstallId.
OpenDecision DecideOpen(SoftwareMgr& software, SoftwareState* program);
// After kRun failed to start the program: what its status asks for.
OpenDecision DecideByStatus(SoftwareState* program);
// The question's text, "" for kRun and kNothing.
const char* OpenText(OpenAction action);
// Puts the program into the download queue afresh (unless it is already downloading). True when
// it was queued.
bool StartHomeDownload(SoftwareMgr& software, SoftwareState* program);
