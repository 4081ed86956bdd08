// Runs a downloaded installer on a worker thread: the thread starts it (a Windows installer
// through wine) and waits for it without a time limit, then posts 2546 with the program id to the
// page. A start that fails posts 2547 with the id and the start code instead, so the page can
// say so and free the item.
#pragma once

#include <string>

#include "core/thread/message_target.h"

constexpr unsigned kMsgInstallerEnded = 2546;
constexpr unsigned kMsgInstallerFailed = 2547;

// Starts the worker. False only when no thread could be started.
bool StartInstallerWorker(const std::string& installer, int programId, ds::MsgHandle notify);

// What the user is told when the installer of `installer` could not start with `code` (a start
// code of ds::StartProcess): "无法启动安装程序" with the file, and what is missing when wine is.
std::string InstallerFailureText(const std::string& installer, int code);
