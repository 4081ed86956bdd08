#include "update/update_app.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include <csignal>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include <curl/curl.h>

#include "core/log/logger.h"
#include "core/text/path.h"
#include "core/platform/named_mutex.h"
#include "core/platform/process.h"
#include "core/platform/program_paths.h"
#include "core/update/install_journal.h"
#include "update/packet_downloader.h"
#include "update/update_command_line.h"
#include "update/update_dialog.h"
#include "update/update_settings.h"
#include "vexo/ui/shell/tray_shell.h"

namespace update {
namespace {

constexpr int kMutexAttempts = 21;
constexpr int kMutexIntervalMs = 500;
constexpr std::uint32_t kWorkerStopMs = 30000;

std::string JoinArguments(int argc, char** argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

// Unskinned windows use the Fusion style with its fixed palette.
void UseFusionStyle() {
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
    QApplication::setStyle(fusion);
    QApplication::setPalette(fusion->standardPalette());
  }
}

}  // namespace

int CUpdateApp::Run(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);  // a file size limit fails the write (EFBIG) instead

  // Everything happens in the program directory: the manifest, the packets, the installation.
  const std::string directory = ds::ProgramDirectory();
  if (directory.empty() || ::chdir(directory.c_str()) != 0) return 1;

  static ds::LogOut2Debug debug_log;
  ds::LoggerHolder::Instance()->AddAppender(&debug_log);

  // Nothing to do for these versions: leave at once, without waiting for the main program.
  const UpdateVersions versions = ParseUpdateCommandLine(JoinArguments(argc, argv));
  if (!CallsForUpdate(versions)) return 0;

  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
  // An installation this user cannot write to (a system-wide package) is updated by the
  // system's package manager: say so and touch nothing.
  if (!ds::IsWritableDirectory(directory)) {
    ds::LogWarn("update::CUpdateApp::Run")("%s is not writable; not updating.", directory.c_str());
    QApplication app(argc, argv);
    UseFusionStyle();
    UpdateDialogActions().Tell(nullptr, QString::fromUtf8(kPackageManagerNotice));
    ds::LoggerHolder::Instance()->RemoveAppender(&debug_log);
    return 0;
  }

  // The main program holds its mutex while it runs; give it about ten seconds to end.
  if (!ds::NamedMutex::WaitGone(kMainProgramMutex, kMutexAttempts, kMutexIntervalMs)) return 0;
  ds::NamedMutex mutex;
  const int held = mutex.TryAcquire(kMainProgramMutex);
  if (held == 0) return 0;  // the main program was started again meanwhile
  if (held < 0)  // no usable lock file: the main program cannot hold one either
    ds::LogWarn("update::CUpdateApp::Run")("can't hold the mutex %s; updating without it.", kMainProgramMutex);

  // A packet install cut short (a crash, a power cut) is finished or undone before anything
  // else reads the installation.
  if (!ds::RecoverPacketInstall(directory))
    ds::LogWarn("update::CUpdateApp::Run")("an interrupted packet install could not be undone.");

  curl_global_init(CURL_GLOBAL_DEFAULT);
  int result = 0;
  bool worker_ended = true;
  {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    UseFusionStyle();
    VEXO_TrayShell tray_shell;
    ds::SetTrayShell(&tray_shell);
    {
      CurlPacketDownloader downloader;
      UpdateDialogActions actions;
      CUpdateDlg dialog(directory, versions, PacketBaseUrl(directory), &actions, &downloader);
      result = dialog.RunModal();
      worker_ended = dialog.StopWorker(kWorkerStopMs);
      if (!worker_ended) {
        // A worker that does not end cannot be waited for by the window's destructor.
        ds::LogWarn("update::CUpdateApp::Run")("the worker did not stop; leaving.");
        std::_Exit(1);
      }
    }
    ds::SetTrayShell(nullptr);
  }

  // Let go of the mutex before the main program starts, so that it does not find "itself"
  // already running.
  mutex.Release();
  if (result == QDialog::Accepted) {
    const std::string program = ds::JoinPath(directory, kMainProgramName);
    if (ds::StartProcess(program.c_str(), nullptr, directory.c_str(), nullptr) <= 32)
      ds::LogWarn("update::CUpdateApp::Run")("can't start %s.", program.c_str());
  }
  ds::LoggerHolder::Instance()->RemoveAppender(&debug_log);
  curl_global_cleanup();
  return 0;
}

}  // namespace update
