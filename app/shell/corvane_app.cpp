#include "app/shell/corvane_app.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QStyle>
#include <QStyleFactory>
#include <QSocketNotifier>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "app/assoc/association_engine.h"
#include "app/assoc/mgr_config.h"
#include "app/downloads/download_queue.h"
#include "app/shell/command_line.h"
#include "app/shell/corvane_dlg.h"
#include "app/shell/first_paint_probe.h"
#include "app/shell/instance_link.h"
#include "app/shell/startup_files.h"
#include "app/shell/update_info.h"
#include "core/files/file_system.h"
#include "core/log/logger.h"
#include "core/platform/named_mutex.h"
#include "core/platform/process.h"
#include "core/platform/program_paths.h"
#include "core/text/path.h"
#include "core/update/install_journal.h"
#include "vexo/download/http_downloader_base.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/shell/tray_shell.h"

#ifdef CORVANE_HAVE_QTDBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QVariantMap>
#endif

namespace shell {

int OpenWithChooser(const std::string& file) {
#ifdef CORVANE_HAVE_QTDBUS
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.OpenURI"), QStringLiteral("OpenFile"));
    QVariantMap options;
    options.insert(QStringLiteral("ask"), true);
    call << QString() << QVariant::fromValue(QDBusUnixFileDescriptor(fd)) << options;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    ::close(fd);
    if (reply.type() == QDBusMessage::ReplyMessage) return 1;
  }
#endif
  return ds::OpenWithShell(file.c_str()) == ds::kSpawnStarted ? 1 : 0;
}

}  // namespace shell

namespace {

constexpr int kInstanceAttempts = 3;
constexpr int kInstanceWaitMs = 500;
// Shutdown waits this long for downloaders to let go before it leaves without them.
constexpr int kDownloaderWaitMs = 10000;

// Waits, bounded, until no downloader thread runs; the window thread keeps handling events so
// that a worker waiting on it can finish.
bool WaitForDownloaders(const DownloadQueue* queue) {
  if (!queue) return true;
  QElapsedTimer clock;
  clock.start();
  while (!queue->AllDownloadersEnded()) {
    if (clock.elapsed() > kDownloaderWaitMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(20);
  }
  return true;
}

// The end of the desktop session (SIGTERM, SIGHUP) runs the exit procedure, so settings are
// saved and downloads kept for the next run: the handler only writes to a pipe the window
// thread watches.
int g_exit_pipe[2] = {-1, -1};

void OnExitSignal(int) {
  const char byte = 1;
  const ssize_t ignored = ::write(g_exit_pipe[1], &byte, 1);
  (void)ignored;
}

void WatchExitSignals(CCorvaneDlg& window, QObject* parent) {
  if (::pipe2(g_exit_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(g_exit_pipe[0], QSocketNotifier::Read, parent);
  QObject::connect(notifier, &QSocketNotifier::activated, parent, [&window]() {
    char buffer[16];
    while (::read(g_exit_pipe[0], buffer, sizeof(buffer)) > 0) {
    }
    window.ExitProcedure();
  });
  struct sigaction action {};
  action.sa_handler = OnExitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

void ShowBadArgument() {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Kiv软件"), QString::fromUtf8(shell::kBadArgumentText));
  box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
  box.exec();
}

}  // namespace

int CCorvaneApp::Run(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  const std::string raw = shell::JoinArguments(argc, argv);

  const std::string program_dir = ds::ProgramDirectory();
  const std::string work_path = ds::ChooseWorkPath(program_dir);
  if (program_dir.empty() || work_path.empty()) return 1;
  // Dumps go under the work path, whatever the current folder is (the desktop's autostart
  // starts us in /).
  shell::InstallCrashHandler(work_path);

  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "xcb", 0);
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
  // The window class the desktop entry's StartupWMClass names, whatever name started us.
  QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);

  // Single instance: a running one gets our command line once and we end after three looks.
  ds::NamedMutex instance;
  for (int attempt = 0; attempt < kInstanceAttempts; ++attempt) {
    const int taken = instance.TryAcquire(shell::kMutexName);
    if (taken != 0) {
      if (taken < 0) ds::LogWarn("CCorvaneApp::Run")("no usable lock file; running without one.");
      break;
    }
    if (attempt == 0) shell::ForwardToRunningInstance(shell::kMutexName, shell::NormalizeCommandLine(raw));
    QThread::msleep(kInstanceWaitMs);
    if (attempt == kInstanceAttempts - 1) return 0;
  }

  // A packet install cut short (power loss, a kill) is finished or rolled back before anything
  // reads the installation; data packets go into the work path the same way.
  ds::RecoverPacketInstall(program_dir);
  if (work_path != program_dir) ds::RecoverPacketInstall(work_path);

  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
    QApplication::setStyle(fusion);
    QApplication::setPalette(fusion->standardPalette());
  }
  VEXO_TrayShell tray_shell;
  ds::SetTrayShell(&tray_shell);
  HttpDownloaderBase::InitGlobal();

  ds::FileSystem::Instance()->Init(program_dir.c_str());
  ds::FileSystem::Instance()->SetWorkPath(work_path.c_str());
  static ds::LogOut2File log;
  shell::StartFreshLog(work_path, log);
  ds::LoggerHolder::Instance()->AddAppender(&log);

  bool downloaders_ended = true;
  {
    CCorvaneDlg window;
    window.SetInstanceName(shell::kMutexName);
    window.SetDeferredLoading(true);
    QObject signal_watch;
    WatchExitSignals(window, &signal_watch);
    shell::FirstPaintProbe::Install(&window);  // the start-up benchmark only

    shell::SwapDataPack(work_path, shell::kDataPackVersion);
    // A newer pack in the work path wins over the one shipped beside the program. The pack is
    // named relative to the work path, so a pack beside the program opens with that folder as
    // the work path for a moment.
    const std::string pack = ds::FindCaseInsensitive(work_path, shell::kDataPackName);
    if (ds::IsRegularFile(pack) || work_path == program_dir) {
      VEXO_ResourceMgr::Instance()->Init(ds::FileNameOf(pack).c_str(), shell::kDataPackPassword);
    } else {
      const std::string shipped = ds::FindCaseInsensitive(program_dir, shell::kDataPackName);
      ds::FileSystem::Instance()->SetWorkPath(program_dir.c_str());
      VEXO_ResourceMgr::Instance()->Init(ds::FileNameOf(shipped).c_str(), shell::kDataPackPassword);
      ds::FileSystem::Instance()->SetWorkPath(work_path.c_str());
    }

    auto config = std::make_unique<CMgrConfig>();
    SetMgrConfig(config.get());
    config->LoadSettings();
    CAssociationEngine(*config, CAssociationEngine::ProgramPath()).RegisterZeploVerb();
    auto update_info = std::make_unique<CUpdateInfo>();
    SetUpdateInfo(update_info.get());
    update_info->LoadUpdateInfo();

    const shell::ParsedCommandLine parsed = shell::ParseCommandLine(shell::NormalizeCommandLine(raw));
    switch (shell::DecideStartAction(raw, parsed.flags)) {
      case shell::StartAction::Chooser:
        window.SetShowAllowed(false);
        window.QueueAssociationFile(parsed.path);
        window.DoModal();
        break;
      case shell::StartAction::Normal:
        window.DoModal();
        break;
      case shell::StartAction::BadArgument:
        ShowBadArgument();
        break;
      case shell::StartAction::OpenWith:
        // A file the desktop cannot open (it does not exist) is a bad argument too.
        if (!shell::OpenWithChooser(raw)) ShowBadArgument();
        break;
    }

    // Shutdown: downloads have stopped (exit procedure); wait for their threads, bounded.
    downloaders_ended = WaitForDownloaders(&window.Queue());
    update_info->SaveUpdateInfo();
    config->SaveSettings();
    if (!downloaders_ended) {
      ds::LogWarn("CCorvaneApp::Run")("downloads did not stop in time; leaving without them.");
      ds::LoggerHolder::Instance()->RemoveAppender(&log);
      instance.Release();
      std::_Exit(0);
    }
    SetUpdateInfo(nullptr);
    update_info.reset();
    SetMgrConfig(nullptr);
    config.reset();
    VEXO_ResourceMgr::Instance()->Fini();
  }
  HttpDownloaderBase::FiniGlobal();
  ds::SetTrayShell(nullptr);
  ds::LoggerHolder::Instance()->RemoveAppender(&log);
  // Last: only now may a new instance start and read what this one saved.
  instance.Release();
  return 0;
}
