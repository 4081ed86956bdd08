// Detection against a registry store and program trees made here: every way a registry value
// becomes an executable path, portable programs, busy records, the major-version entries, type -2,
// upgrade installers and the lookups.
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/catalogue/software_mgr.h"
#include "tests/app/catalogue_fixture.h"

namespace {

using corvane_test::CatalogueFixture;
using corvane_test::ReadWholeFile;

const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string Fixture(const char* name) {
  std::string here = __FILE__;
  return here.substr(0, here.rfind('/')) + "/../core/pe/fixtures/" + name;
}

class SoftwareDetectionTest : public CatalogueFixture {
 protected:
  // Builds the manager over a loose software.xml holding `rows` and detects everything.
  void Build(const std::string& rows) {
    WriteCatalogue("software/software.xml", rows);
    ASSERT_EQ(mgr_.LoadCategories(), 1);
    ASSERT_EQ(mgr_.LoadCommonCategories(), 1);
    ASSERT_EQ(mgr_.BuildStates(), 1);
    mgr_.DetectAll();
  }

  SoftwareState& State(int id) {
    SoftwareState* state = mgr_.FindState(id);
    EXPECT_NE(state, nullptr) << id;
    return *state;
  }

  std::string Native(const std::string& path) { return ds::NativePath(path); }

  std::string setup() { return dir_.File("setup"); }

  SoftwareMgr mgr_;
};

TEST_F(SoftwareDetectionTest, EveryPerformStyleTurnsTheRegistryValueIntoTheExecutable) {
  const std::string app = MakeFile("Programs/App One/app.exe");
  MakeFile("Programs/Tool/bin/tool.exe");
  MakeFile("Programs/Keyed/keyed.exe");
  setenv("CORVANE_TEST_PROGRAMS", dir_.File("Programs").c_str(), 1);
  PutRegistry(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "One", "DisplayIcon",
              "\"%corvane_test_programs%\\App One\\app.exe\" \"%1\"");
  PutRegistry(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tool", "Command", dir_.File("Programs/Tool/bin/tool.exe") + " -silent");
  PutRegistry(HKEY_CURRENT_USER, "SOFTWARE\\Tool", "Path", dir_.File("Programs/Tool/bin/tool.exe"));
  PutRegistry(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quoted", "", "\"" + app + "\"");
  PutRegistry(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Tool.File", "Dir", dir_.File("Programs/Tool/"));
  const std::string keyed = "SOFTWARE\\Keyed\\" + dir_.File("Programs/Keyed/keyed.exe");
  std::string encoded = keyed;
  for (std::size_t i = encoded.find("\\/"); i < encoded.size(); ++i) {
    if (encoded[i] == '/') encoded[i] = '|';
  }
  PutRegistry(HKEY_LOCAL_MACHINE, encoded, "x", "1");

  Build("<s id=\"1\" url=\"http://h/one.exe\" regapp=\"" + std::string(kUninstall) + "One\" regname=\"DisplayIcon\"/>"
        "<s id=\"2\" PerformStyle=\"1\" regapp=\"SOFTWARE\\Tool\" regname=\"Command\"/>"
        "<s id=\"3\" PerformStyle=\"2\" RegRootIndex=\"1\" regapp=\"SOFTWARE\\Tool\" regname=\"Path\" exe=\"tool.exe\"/>"
        "<s id=\"4\" PerformStyle=\"3\" regapp=\"SOFTWARE\\Quoted\" regname=\"\"/>"
        "<s id=\"5\" PerformStyle=\"5\" RegRootIndex=\"2\" regapp=\"Tool.File\" regname=\"Dir\" exe=\"bin/tool.exe\"/>"
        "<s id=\"6\" PerformStyle=\"4\" regapp=\"" + encoded + "\"/>"
        "<s id=\"7\" RegRootIndex=\"4\" regapp=\"" + app + "\"/>"
        "<s id=\"8\" PerformStyle=\"1\" regapp=\"SOFTWARE\\Missing\" regname=\"Command\"/>"
        "<s id=\"9\" PerformStyle=\"2\" regapp=\"SOFTWARE\\Tool\" regname=\"Command\" exe=\"gone.exe\"/>");
  unsetenv("CORVANE_TEST_PROGRAMS");

  EXPECT_EQ(State(1).status, StatusInstalled);
  EXPECT_EQ(Native(State(1).installedExe), app) << "quotes, %1 and the variable resolved";
  EXPECT_EQ(State(2).status, StatusInstalled);
  EXPECT_EQ(State(2).installedExe, dir_.File("Programs/Tool/bin/tool.exe"));
  EXPECT_EQ(State(3).status, StatusInstalled) << "HKEY_CURRENT_USER, directory + exe";
  EXPECT_EQ(State(4).installedExe, app);
  EXPECT_EQ(State(5).status, StatusInstalled) << "the classes view of HKEY_LOCAL_MACHINE";
  EXPECT_EQ(State(6).status, StatusInstalled) << "the key name carries the path";
  EXPECT_EQ(Native(State(6).installedExe), dir_.File("Programs/Keyed/keyed.exe"));
  EXPECT_EQ(State(7).status, StatusInstalled);
  EXPECT_EQ(State(8).status, StatusNotInstalled);
  EXPECT_EQ(State(8).installedExe, "");
  EXPECT_EQ(State(9).status, StatusNotInstalled) << "the path names no file";
}

TEST_F(SoftwareDetectionTest, PortableProgramsAndDownloadedInstallers) {
  Build("<s id=\"1\" RegRootIndex=\"5\" url=\"http://h/d/putty.exe\"/>"
        "<s id=\"2\" RegRootIndex=\"5\" url=\"http://h/d/tool.zip\" exe=\"tool/tool.exe\"/>"
        "<s id=\"3\" RegRootIndex=\"5\" Defaultexe=\"bundled/run.exe\"/>"
        "<s id=\"4\" regapp=\"SOFTWARE\\None\" regname=\"x\" url=\"http://h/setup-4.msi\"/>"
        "<s id=\"5\" regapp=\"SOFTWARE\\None\" regname=\"x\" url=\"http://h/setup-5.exe\"/>"
        "<s id=\"6\" regapp=\"SOFTWARE\\None\" regname=\"x\" url=\"http://h/linked.exe\"/>"
        "<s id=\"7\" regapp=\"SOFTWARE\\None\" regname=\"x\" url=\"http://h/folder.exe\"/>"
        "<s id=\"8\" regapp=\"SOFTWARE\\None\" regname=\"x\" url=\"http://h/Case.exe\"/>");
  EXPECT_EQ(State(1).status, StatusNotInstalled) << "portable and not downloaded";
  EXPECT_EQ(State(3).status, StatusNotInstalled);

  MakeFile("setup/putty.exe");
  MakeFile("setup/tool/tool.exe");
  MakeFile("bundled/run.exe");
  MakeFile("setup/setup-4.msi");
  // The whole pass reads the download folder once: a link counts by its target, a folder never,
  // and letter case matters as it does for a path.
  ASSERT_EQ(0, symlink(MakeFile("elsewhere/real.exe").c_str(), dir_.File("setup/linked.exe").c_str()));
  ds::MakeDirectories(dir_.File("setup/folder.exe"));
  MakeFile("setup/case.exe");
  mgr_.DetectAll();
  EXPECT_EQ(State(6).status, StatusDownloaded);
  EXPECT_EQ(State(7).status, StatusNotInstalled);
  EXPECT_EQ(State(8).status, StatusNotInstalled);
  EXPECT_EQ(State(1).status, StatusInstalled);
  EXPECT_EQ(Native(State(1).installedExe), dir_.File("setup/putty.exe"));
  EXPECT_EQ(State(2).status, StatusInstalled);
  EXPECT_EQ(State(3).status, StatusInstalled);
  EXPECT_EQ(Native(State(3).installedExe), dir_.File("bundled/run.exe"));
  EXPECT_EQ(State(4).status, StatusDownloaded);
  EXPECT_EQ(State(5).status, StatusNotInstalled);
}

TEST_F(SoftwareDetectionTest, BusyRecordsKeepTheirStatusWhileThePathIsUpdated) {
  const std::string exe = MakeFile("p/app.exe");
  PutRegistry(HKEY_LOCAL_MACHINE, "SOFTWARE\\P", "Path", exe);
  Build("<s id=\"1\" PerformStyle=\"3\" regapp=\"SOFTWARE\\P\" regname=\"Path\" url=\"http://h/p.exe\"/>");
  SoftwareState& state = State(1);
  for (int busy : {StatusWaiting, StatusDownloading, StatusPausing, StatusPaused, StatusCancelling}) {
    state.status = busy;
    state.installedExe.clear();
    MakeFile("setup/p.exe");
    mgr_.DetectSoftware(1);
    EXPECT_EQ(state.status, busy);
    EXPECT_EQ(state.installedExe, exe);
  }
  state.status = StatusCancelled;
  mgr_.DetectSoftware(1);
  EXPECT_EQ(state.status, StatusInstalled);
}

TEST_F(SoftwareDetectionTest, MajorVersionEntriesAndTypeMinusTwo) {
  // The fixture's ProductVersion is 7.0.0.0.
  const std::string exe = dir_.File("v/app.exe");
  MakeFile("v/app.exe", ReadWholeFile(Fixture("chinese_x64.exe")));
  PutRegistry(HKEY_LOCAL_MACHINE, "SOFTWARE\\V", "Path", exe);
  const std::string key = "PerformStyle=\"3\" regapp=\"SOFTWARE\\V\" regname=\"Path\"";
  Build("<s id=\"37\" verinfo=\"8.0.1\" " + key + "/>"
        "<s id=\"38\" verinfo=\"7.5\" " + key + "/>"
        "<s id=\"36\" verinfo=\"8.0.1\" " + key + "/>"
        "<s id=\"430\" verinfo=\"7\" RegRootIndex=\"4\" regapp=\"" + dir_.File("v/nothing.exe") + "\"/>"
        "<s id=\"40\" type=\"-2\" RegRootIndex=\"4\" regapp=\"C:\\Windows\\system32\\mspaint.exe\"/>"
        "<s id=\"41\" type=\"-2\" regapp=\"SOFTWARE\\Absent\" regname=\"x\"/>");
  EXPECT_EQ(State(37).status, StatusNotInstalled) << "major 7 installed, the entry stands for 8";
  EXPECT_EQ(State(37).installedExe, "");
  EXPECT_EQ(State(38).status, StatusInstalled);
  EXPECT_EQ(State(36).status, StatusInstalled) << "other ids do not compare majors";
  EXPECT_EQ(State(430).status, StatusNotInstalled);
  EXPECT_EQ(State(40).status, StatusInstalled) << "type -2 counts as installed without a file";
  EXPECT_EQ(State(40).installedExe, "C:\\Windows\\system32\\mspaint.exe");
  EXPECT_EQ(State(41).status, StatusNotInstalled) << "but still needs its registry value";
}

TEST_F(SoftwareDetectionTest, UpgradeInstallersAreCurrentOrStale) {
  CUpdateInfo info;
  SetUpdateInfo(&info);
  const std::string exe = MakeFile("u/app.exe");
  PutRegistry(HKEY_LOCAL_MACHINE, "SOFTWARE\\U", "Path", exe);
  Build("<s id=\"1\" name=\"编辑器\" verinfo=\"2.1\" PerformStyle=\"3\" regapp=\"SOFTWARE\\U\" regname=\"Path\" "
        "url=\"http://h/editor-2.1.exe\"/>");
  SoftwareState& state = State(1);
  state.usesUpdateStatus = 1;
  state.updateStatus = StatusInstalled;

  MakeFile("setup/editor-2.1.exe");
  info.RecordVersion("编辑器", "2.1");
  mgr_.DetectSoftware(1);
  EXPECT_EQ(state.updateStatus, StatusDownloaded);
  EXPECT_EQ(state.status, StatusInstalled);

  info.RecordVersion("编辑器", "2.0");
  mgr_.CheckUpgradeInstaller(1, true);
  EXPECT_EQ(state.updateStatus, StatusInstalled) << "downloaded for 2.0, catalogue moved on";
  EXPECT_EQ(state.usesUpdateStatus, 1);
  state.updateStatus = StatusCancelled;
  mgr_.DetectSoftware(1);
  EXPECT_EQ(state.updateStatus, StatusInstalled) << "detection does not offer the stale installer either";

  state.updateStatus = StatusDownloading;
  mgr_.CheckUpgradeInstaller(1, true);
  EXPECT_EQ(state.updateStatus, StatusDownloading) << "busy records are left alone";

  state.updateStatus = StatusDownloaded;
  ASSERT_EQ(0, std::remove(dir_.File("setup/editor-2.1.exe").c_str()));
  mgr_.CheckUpgradeInstaller(1, true);
  EXPECT_EQ(state.usesUpdateStatus, 0);
  EXPECT_EQ(state.updateStatus, StatusInstalled);
}

TEST_F(SoftwareDetectionTest, UpgradeJudgementNormalisesInstalledVersions) {
  PutRegistry(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "E", "DisplayVersion", "8, 6 。9");
  const std::string x86 = dir_.File("f/tool.exe");
  MakeFile("f/tool.exe", ReadWholeFile(Fixture("upper_table_x86.exe")));
  const std::string common = "url=\"http://h/e.exe\" RegRootIndex=\"4\" regapp=\"" + x86 + "\"";
  Build("<s id=\"1\" verinfo=\"8.6.10\" " + common + " regappver=\"" + kUninstall + "E\" regnamever=\"DisplayVersion\"/>"
        "<s id=\"2\" verinfo=\"8.6.9\" " + common + " regappver=\"" + kUninstall + "E\" regnamever=\"DisplayVersion\"/>"
        "<s id=\"3\" verinfo=\"1.2.3.5\" " + common + "/>"
        "<s id=\"4\" verinfo=\"1.3\" vertype=\"1\" " + common + "/>"
        "<s id=\"5\" verinfo=\"9\" " + common + " regappver=\"SOFTWARE\\Nope\" regnamever=\"v\"/>"
        "<s id=\"6\" verinfo=\"9\" type=\"-1\" " + common + "/>"
        "<s id=\"7\" verinfo=\"9\" vertype=\"2\" " + common + "/>");
  std::string installed;
  EXPECT_EQ(mgr_.JudgeUpgrade(State(1), installed), SoftwareMgr::UpgradeVerdict::Newer);
  EXPECT_EQ(installed, "8.6.9");
  State(2).upgradeable = true;
  EXPECT_EQ(mgr_.JudgeUpgrade(State(2), installed), SoftwareMgr::UpgradeVerdict::NotNewer);
  EXPECT_FALSE(State(2).upgradeable);
  EXPECT_EQ(mgr_.JudgeUpgrade(State(3), installed), SoftwareMgr::UpgradeVerdict::Newer);
  EXPECT_EQ(installed, "1.2.3.4") << "FileVersion from the fixture";
  EXPECT_EQ(mgr_.JudgeUpgrade(State(4), installed), SoftwareMgr::UpgradeVerdict::Newer);
  EXPECT_EQ(installed, "1.2") << "ProductVersion from the fixture";
  EXPECT_EQ(mgr_.JudgeUpgrade(State(5), installed), SoftwareMgr::UpgradeVerdict::Skipped);
  EXPECT_EQ(mgr_.JudgeUpgrade(State(6), installed), SoftwareMgr::UpgradeVerdict::Skipped);
  EXPECT_EQ(mgr_.JudgeUpgrade(State(7), installed), SoftwareMgr::UpgradeVerdict::Skipped);

  SoftwareState& paused = State(1);
  paused.status = StatusPaused;
  mgr_.ListUpgrade(paused, "8.6.9");
  EXPECT_EQ(paused.status, StatusInstalled);
  EXPECT_EQ(paused.usesUpdateStatus, 1);
  EXPECT_EQ(paused.updateStatus, StatusPaused);
  EXPECT_TRUE(paused.upgradeable);
  EXPECT_EQ(paused.installedVersion, "8.6.9");
}

TEST_F(SoftwareDetectionTest, LookupsStatusRoutingAndDuplicateIds) {
  WriteCatalogue("software/type.xml", "<t id=\"0\" Num=\"13\"/><t id=\"1\" name=\"聊天通讯\"/>");
  WriteCatalogue("software/TypeReq.xml", "<t id=\"0\"/><t id=\"3\" name=\"浏览器\"/>");
  Build("<s id=\"2\" name=\"B\" url=\"http://h/b.exe\" type=\"-1\"/>"
        "<s id=\"1\" name=\"A\" url=\"http://h/a.exe\"/>"
        "<s id=\"3\" name=\"B\" url=\"http://h/b.exe\"/>"
        "<s id=\"1\" name=\"A2\" url=\"http://h/a2.exe\"/>");
  EXPECT_EQ(mgr_.States().size(), 3u);
  EXPECT_EQ(State(1).name, "A2") << "the later row of an id wins";
  EXPECT_EQ(mgr_.FindStateByName("B")->id, 2) << "first by ascending id";
  EXPECT_EQ(mgr_.FindStateByUrl("http://h/nowhere.exe"), nullptr);
  EXPECT_EQ(mgr_.FindStateByUrl("http://h/b.exe")->id, 2) << "found through the name of the non-hidden row";
  EXPECT_EQ(mgr_.FindStateByUrl("http://h/a.exe"), nullptr) << "that row's name no longer has a record";
  EXPECT_EQ(mgr_.FindCategory(1)->name, "聊天通讯");
  EXPECT_EQ(mgr_.FindCategory(0)->Num, 13);
  EXPECT_EQ(mgr_.FindCommonCategory(3)->name, "浏览器");
  EXPECT_EQ(mgr_.FindCategory(2), nullptr);

  SoftwareState& state = State(3);
  state.statusChanged = state.updateStatusChanged = 0;
  mgr_.SetStatus(&state, StatusDownloading);
  EXPECT_EQ(state.status, StatusDownloading);
  EXPECT_EQ(state.statusChanged, 1);
  state.usesUpdateStatus = 1;
  mgr_.SetStatus(&state, StatusPaused);
  EXPECT_EQ(state.status, StatusDownloading);
  EXPECT_EQ(state.updateStatus, StatusPaused);
  EXPECT_EQ(state.updateStatusChanged, 1);
}

TEST(InstallerPathTest, InstallerNamesStayInsideTheDownloadFolder) {
  EXPECT_EQ(InstallerFileName("http://h/d/setup-1.2.exe"), "setup-1.2.exe");
  EXPECT_EQ(InstallerFileName("setup.exe"), "setup.exe");
  // A backslash separates folders in our paths: it must not smuggle a folder into the name.
  EXPECT_EQ(InstallerFileName("http://h/d/..\\..\\evil.exe"), "evil.exe");
  EXPECT_EQ(ds::NativePath(FinishedInstallerPath("/dl", "http://h/..\\x.exe")), "/dl/x.exe");
  EXPECT_EQ(ds::NativePath(DownloadingInstallerPath("/dl", "http://h/a\\b.exe")), "/dl/Temp/b.exe");
  EXPECT_EQ(InstallerFileName("http://h/d/.."), "");
  EXPECT_EQ(InstallerFileName("http://h/d\\."), "");
}

TEST_F(SoftwareDetectionTest, UpdateBookkeepingSurvivesARestart) {
  {
    CUpdateInfo info;
    EXPECT_EQ(info.LoadUpdateInfo(), 0) << "no file yet";
    info.RecordVersion("编辑器", "2.1");
    ASSERT_EQ(info.SaveUpdateInfo(), 1);
  }
  CUpdateInfo again;
  ASSERT_EQ(again.LoadUpdateInfo(), 1);
  EXPECT_EQ(again.RecordedVersion("编辑器"), "2.1");
  EXPECT_EQ(again.RecordedVersion("其他"), "");
  EXPECT_NE(ReadWholeFile(dir_.File("Config/UpdateInfo.xml")).find("gb2312"), std::string::npos);
}

}  // namespace
