// The window messages of downloading, with the program id in wParam. The numbers are the contract
// between the download tasks, the queue, the download window and the main window.
#pragma once

#include "core/thread/message_target.h"

// A task's download has ended with the installer in place (lParam 0). A negative id belongs to
// the manager's own update files.
constexpr unsigned kMsgDownloadFinished = 2524;
// A task reports how its run ended: lParam is the engine's code, or 5 after a finish.
constexpr unsigned kMsgDownloadReport = 2532;
// Run the installer of this program.
constexpr unsigned kMsgRunInstaller = 2545;
// A download row was cancelled: the window removes the program from the queue.
constexpr unsigned kMsgDownloadCancelled = 2527;
// A running download row was paused: the window lets the next waiting download start.
constexpr unsigned kMsgDownloadPaused = 2529;

// Shown when the engine found too little free space for an installer.
constexpr const char kDiskFullMessage[] = "当前磁盘空间不足，请确保文件有足够的空间保存！";

// Shown in the row when a finished installer does not match the catalogue's SHA-256.
constexpr const char kIntegrityFailedMessage[] = "安装包校验失败，已删除，请重新下载";

// A program id as a message parameter and back; negative ids survive the round trip.
inline ds::WParam ProgramIdParam(int id) {
  return static_cast<ds::WParam>(static_cast<ds::LParam>(id));
}
inline int ProgramIdOf(ds::WParam wparam) {
  return static_cast<int>(static_cast<ds::LParam>(wparam));
}

// Download list rows: hide the three buttons of the row bound to a program (2525); the mouse
// entered (2533) or left (2534) a row.
constexpr unsigned kMsgHideRowButtons = 2525;
constexpr unsigned kMsgRowMouseEnter = 2533;
constexpr unsigned kMsgRowMouseLeave = 2534;
