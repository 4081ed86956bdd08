#include "app/pages/installer_worker.h"

#include <thread>

#include "app/downloads/download_messages.h"
#include "core/log/logger.h"
#include "core/platform/process.h"
#include "core/platform/wine_prefix.h"
#include "core/text/path.h"

bool StartInstallerWorker(const std::string& installer, int programId, ds::MsgHandle notify) {
  try {
    std::thread([installer, programId, notify] {
      ds::ProcessId pid = 0;
      const std::string folder = ds::DirectoryOf(installer);
      const int code = ds::StartProcess(installer.c_str(), nullptr, folder.c_str(), &pid);
      if (code <= 32) {
        ds::LogWarn("StartInstallerWorker")("can't start %s (%d).", installer.c_str(), code);
        ds::PostMessageTo(notify, kMsgInstallerFailed, ProgramIdParam(programId), code);
        return;
      }
      int exitCode = 0;
      ds::WaitProcess(pid, -1, &exitCode);
      ds::LogInfo("StartInstallerWorker")("%s ended with %d.", installer.c_str(), exitCode);
      ds::PostMessageTo(notify, kMsgInstallerEnded, ProgramIdParam(programId), 0);
    }).detach();
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

std::string InstallerFailureText(const std::string& installer, int code) {
  std::string text = "无法启动安装程序：" + ds::FileNameOf(installer);
  if (code == ds::kSpawnNoAssociation || code == ds::kSpawnBadFormat) {
    const ds::WineStatus status = ds::CheckWineFor(installer);
    const std::string why = ds::WineStatusMessage(status, installer);
    if (!why.empty()) text += "\n" + why;
  } else if (code == ds::kSpawnFileNotFound) {
    text += "\n文件不存在";
  }
  return text;
}
