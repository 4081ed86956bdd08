// Windows programs through a real Wine: a fresh prefix made by wineboot, its registry read by our
// parser and layers, and the whole loop of a catalogue program: a 64-bit installer built here
// with mingw-w64, served by nginx on 127.0.0.1, downloaded by the queue, installed through Wine,
// detected with its version, listed on the uninstall page, uninstalled by its button.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "app/pages/dlg_uninstall_software.h"

#include "core/platform/process.h"
#include "core/platform/wine_prefix.h"
#include "core/registry/registry.h"
#include "core/registry/wine_layer.h"
#include "core/registry/wine_registry_text.h"
#include "tests/app/download_queue_fixture.h"
#include "tests/common/nginx_server.h"
#include "tests/common/temp_dir.h"
#include "vexo/ui/widgets/button.h"

namespace {

using corvane_test::DownloadQueueFixture;
using corvane_test::NginxServer;
using corvane_test::ReadWholeFile;
using corvane_test::RunCommand;
using corvane_test::TempDir;

const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string SourceDir() {
  std::string here = __FILE__;
  return here.substr(0, here.rfind('/'));
}

// Output of a shell command ("" when it fails).
std::string CommandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    if (pclose(pipe) != 0) out.clear();
  }
  return out;
}

class WineSlowTest : public DownloadQueueFixture {
 protected:
  // One prefix for the whole program: wineboot takes half a minute.
  static void SetUpTestSuite() {
    if (ds::FindOnPath("wine").empty() || ds::FindOnPath("wineboot").empty()) {
      skip_ = "wine is not installed (Debian package wine)";
      return;
    }
    prefix_dir_ = new TempDir();
    prefix_ = prefix_dir_->File("prefix");
    // No Mono or Gecko downloads: nothing here may leave the machine.
    const int status = RunCommand("WINEPREFIX='" + prefix_ + "' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' "
                                  "wineboot -i >/dev/null 2>&1 && WINEPREFIX='" + prefix_ + "' wineserver -w");
    if (status != 0 || !ds::IsRegularFile(prefix_ + "/system.reg")) skip_ = "wineboot failed";
  }
  static void TearDownTestSuite() {
    if (prefix_dir_ != nullptr) RunCommand("WINEPREFIX='" + prefix_ + "' wineserver -k >/dev/null 2>&1");
    delete prefix_dir_;
    prefix_dir_ = nullptr;
  }

  void SetUp() override {
    if (!skip_.empty()) GTEST_SKIP() << skip_;
    DownloadQueueFixture::SetUp();
    setenv("WINEPREFIX", prefix_.c_str(), 1);
  }
  void TearDown() override {
    if (skip_.empty()) DownloadQueueFixture::TearDown();
  }

  // Waits until Wine's server has ended, which is when it saves the registry files.
  static void FlushRegistry() { ASSERT_EQ(1, ds::WaitForWineServer(60000)); }

  static std::string Get(HKEY root, const std::string& key, const char* name) {
    ds::Registry reg(root);
    char buffer[260];
    if (!reg.Open(key.c_str(), KEY_READ)) return "<no key>";
    if (!reg.Read(name, buffer, sizeof buffer)) return "<no value>";
    return buffer;
  }

  // The Uninstall entry with this display name, as the uninstall page enumerates them: its key
  // name, or "".
  static std::string FindUninstallEntry(const std::string& display_name) {
    ds::Registry reg(HKEY_LOCAL_MACHINE);
    if (!reg.Open(kUninstall, KEY_READ)) return "";
    char name[512];
    for (unsigned long i = 0; reg.EnumKey(i, name, sizeof name); ++i) {
      if (Get(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\" + name, "DisplayName") == display_name) return name;
    }
    return "";
  }

  static std::string skip_;
  static TempDir* prefix_dir_;
  static std::string prefix_;
};

std::string WineSlowTest::skip_;
TempDir* WineSlowTest::prefix_dir_ = nullptr;
std::string WineSlowTest::prefix_;

TEST_F(WineSlowTest, WinebootRegistryReadsWhole) {
  const std::string system = ReadWholeFile(prefix_ + "/system.reg");
  ds::reg::Key machine;
  const ds::reg::WineParseReport report = ds::reg::ParseWineRegistry(system, &machine);
  EXPECT_TRUE(report.recognised);
  EXPECT_EQ(0, report.damaged_line);
  EXPECT_GT(report.keys, 1000);

  // Through ds::Registry, beneath our store, as the manager stacks it.
  ds::reg::AttachWineRegistry();
  EXPECT_EQ("C:\\Program Files",
            Get(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"));
  EXPECT_NE("<no key>", Get(HKEY_CURRENT_USER, "Environment", "TEMP"));
  EXPECT_TRUE(ds::IsRegularFile(ds::ResolveWindowsPath("C:\\WINDOWS\\system32\\notepad.exe")));
}

TEST_F(WineSlowTest, InstallDetectAndUninstallThroughWine) {
  if (ds::FindOnPath("x86_64-w64-mingw32-gcc").empty()) GTEST_SKIP() << "mingw-w64 is not installed";
  if (!NginxServer::Available()) GTEST_SKIP() << "nginx is not installed";
  TempDir served;
  ASSERT_EQ(0, RunCommand("sh '" + SourceDir() + "/wine_installer/build.sh' '" + served.path() + "' >/dev/null"));
  NginxServer server(served.path());
  ASSERT_TRUE(server.Start()) << server.error();

  // A loose catalogue file names the program, as an edited catalogue does.
  StartRun("<s id=\"1\" name=\"Corvane 测试\" url=\"" + server.Url("/CorvaneTestSetup.exe") +
           "\" verinfo=\"2.6\" type=\"1\" PerformStyle=\"3\" regapp=\"" + kUninstall +
           "\\CorvaneTest\" regname=\"DisplayIcon\"/>");
  manager_->DetectAll();
  ASSERT_EQ(StatusNotInstalled, Status(1));

  Download(1);
  ASSERT_TRUE(RunUntil([&] { return Status(1) == StatusDownloaded; })) << Status(1);
  ASSERT_EQ(1u, installs_.size()) << "AutoInstall asks for the installer to run";

  // Install through Wine.
  const std::string installer = setup() + "/CorvaneTestSetup.exe";
  ds::ProcessId pid = -1;
  int code = -1;
  ASSERT_GT(ds::StartProcess(installer.c_str(), "", setup().c_str(), &pid), 32);
  ASSERT_EQ(1, ds::WaitProcess(pid, 120000, &code));
  ASSERT_EQ(0, code);
  FlushRegistry();

  manager_->DetectAll();
  EXPECT_EQ(StatusInstalled, Status(1));
  const std::string exe = prefix_ + "/drive_c/Program Files/Corvane Test/CorvaneApp.exe";
  EXPECT_EQ(exe, State(1).installedExe);
  std::string version;
  EXPECT_EQ(SoftwareMgr::UpgradeVerdict::Newer, manager_->JudgeUpgrade(State(1), version));
  EXPECT_EQ("2.5.1.0", version) << "from the program's version resource";

  // The catalogue tool shows it installed (upgradeable: the catalogue has 2.6).
  const std::string bin = std::getenv("CORVANE_TEST_BIN") != nullptr ? std::getenv("CORVANE_TEST_BIN") : "";
  if (!bin.empty() && ds::IsRegularFile(bin + "/catalogue_list")) {
    ASSERT_EQ(0, RunCommand("cp '" + bin + "/../dist/soft.dat' '" + dir_.path() + "/'"));
    const std::string listing = CommandOutput("'" + bin + "/catalogue_list' '" + dir_.path() + "'");
    EXPECT_NE(std::string::npos, listing.find("可升级  2.6")) << listing;
    EXPECT_NE(std::string::npos, listing.find(exe)) << listing;
  }

  // Listed in the Uninstall key the uninstall page reads; removed by its own command.
  const std::string entry = FindUninstallEntry("Corvane 测试程序");
  ASSERT_EQ("CorvaneTest", entry);
  const std::string key = std::string(kUninstall) + "\\" + entry;
  EXPECT_EQ("2.5.1", Get(HKEY_LOCAL_MACHINE, key, "DisplayVersion"));
  EXPECT_EQ(exe, ds::ResolveWindowsPath(Get(HKEY_LOCAL_MACHINE, key, "DisplayIcon")));

  // The uninstall page lists it; its button runs the uninstaller through Wine, and the page reads
  // the list again once the uninstaller has ended and Wine has saved its registry.
  static int argc = 1;
  static char name[] = "wine_slow_test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
  QWidget host;
  host.resize(801, 590);
  CdlgUninstallSoftware page(&host);
  page.ShowPage();
  const auto listed = [&page] {
    for (const UninstallEntry& shown : page.List().Shown())
      if (shown.name == "Corvane 测试程序") return true;
    return false;
  };
  ASSERT_TRUE(listed());
  page.SearchInstalled("ceshi");  // the pinyin of 测试 brings its row to the top
  ASSERT_NE(nullptr, page.RowOf(0));
  ASSERT_EQ("Corvane 测试程序", page.RowOf(0)->Name());
  VEXO_Button* button = page.RowOf(0)->UninstallButton();
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
  for (int i = 0; i < 1800 && listed(); ++i) QTest::qWait(100);
  EXPECT_FALSE(listed()) << "the list was read again after the uninstaller ended";

  EXPECT_EQ("", FindUninstallEntry("Corvane 测试程序"));
  EXPECT_FALSE(ds::PathExists(exe));
  manager_->DetectAll();
  EXPECT_EQ(StatusDownloaded, Status(1)) << "gone; its installer is still downloaded";
}

}  // namespace
