// The tray adapter watches the session bus for a StatusNotifier host: each time one appears,
// every window that asked for a tray icon is told to add it again. A private bus (a unix socket
// in a temporary folder) is started and stopped by the test.
#include "vexo/ui/shell/tray_shell.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "core/thread/message_target.h"
#include "tests/common/temp_dir.h"

namespace {

// dbus-daemon on a socket in `dir`; the address, or "" when it does not come up.
std::string StartBus(const std::string& dir, pid_t* pid) {
  const std::string socket = dir + "/bus";
  *pid = ::fork();
  if (*pid == 0) {
    const std::string address = "--address=unix:path=" + socket;
    ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile", address.c_str(),
             static_cast<char*>(nullptr));
    ::_exit(127);
  }
  for (int i = 0; i < 500 && ::access(socket.c_str(), F_OK) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return ::access(socket.c_str(), F_OK) == 0 ? "unix:path=" + socket : std::string();
}

bool PumpUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 1000; ++i) {
    QApplication::processEvents();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(TrayHostTest, AHostThatAppearsAgainAsksEveryWindowToAddItsIcon) {
  corvane_test::TempDir dir;
  pid_t bus_pid = -1;
  const std::string address = StartBus(dir.path(), &bus_pid);
  ASSERT_FALSE(address.empty()) << "dbus-daemon did not start";
  ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
  {
    static int argc = 1;
    static char* argv[] = {const_cast<char*>("tray_host_test"), nullptr};
    QApplication app(argc, argv);
    VEXO_TrayShell shell;
    ds::SetTrayShell(&shell);
    auto window = std::make_shared<ds::RecordingTarget>();
    const ds::MsgHandle handle = ds::RegisterMessageTarget(window);
    ds::TrayIcon icon;
    int image = 0;  // any non-null icon: without a tray host the add is refused anyway
    icon.Init(1, &image, "tip", handle, 0x40D);

    QDBusConnection host = QDBusConnection::connectToBus(QString::fromStdString(address), "host");
    ASSERT_TRUE(host.isConnected());
    for (int round = 1; round <= 2; ++round) {  // the host comes, goes and comes back
      ASSERT_TRUE(host.interface()->registerService(VEXO_TrayShell::kWatcherService).isValid());
      EXPECT_TRUE(PumpUntil([&] { return window->Count(vexo_msg::kMsgTrayHostBack) == static_cast<size_t>(round); }));
      ASSERT_TRUE(host.interface()->unregisterService(VEXO_TrayShell::kWatcherService).value());
    }
    ds::UnregisterMessageTarget(handle);
    ds::SetTrayShell(nullptr);
  }
  ::kill(bus_pid, SIGTERM);
  ::waitpid(bus_pid, nullptr, 0);
}

}  // namespace
