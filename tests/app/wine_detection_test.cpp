// Detection of programs a Windows installer put into the Wine prefix: keys only in the prefix's
// registry (the 64-bit and 32-bit views of HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER), Windows paths
// resolved through the prefix's drives, versions read from the files there, and our own store
// winning where both registries have a value.
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/catalogue/software_mgr.h"
#include "core/platform/wine_prefix.h"
#include "tests/app/catalogue_fixture.h"

namespace {

using corvane_test::CatalogueFixture;
using corvane_test::ReadWholeFile;
using corvane_test::WriteWholeFile;

std::string Fixture(const char* name) {
  std::string here = __FILE__;
  return here.substr(0, here.rfind('/')) + "/../core/pe/fixtures/" + name;
}

class WineDetectionTest : public CatalogueFixture {
 protected:
  // A prefix as wineboot leaves it: drive_c, and dosdevices/c: linking to it.
  void SetUp() override {
    CatalogueFixture::SetUp();
    ds::MakeDirectories(dir_.File("wine/dosdevices"));
    ds::MakeDirectories(dir_.File("wine/drive_c"));
    ASSERT_EQ(0, symlink("../drive_c", dir_.File("wine/dosdevices/c:").c_str()));
  }

  std::string DriveC(const std::string& relative, const char* fixture = "chinese_x64.exe") {
    return MakeFile("wine/drive_c/" + relative, ReadWholeFile(Fixture(fixture)));
  }

  void WriteHive(const char* name, const std::string& body) {
    WriteWholeFile(dir_.File(std::string("wine/") + name),
                   "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n" + body);
  }

  SoftwareState& State(int id) { return *mgr_->FindState(id); }

  void Build(const std::string& rows) {
    WriteCatalogue("software/software.xml", rows);
    mgr_ = std::make_unique<SoftwareMgr>();
    mgr_->LoadCategories();
    mgr_->LoadCommonCategories();
    mgr_->BuildStates();
    mgr_->DetectAll();
  }

  std::unique_ptr<SoftwareMgr> mgr_;
};

TEST_F(WineDetectionTest, ProgramsWhoseKeysOnlyThePrefixHasAreInstalled) {
  const std::string app64 = DriveC("Program Files/App64/app.exe");
  const std::string app32 = DriveC("Program Files (x86)/App32/App32.exe", "upper_table_x86.exe");
  const std::string user = DriveC("users/me/AppData/Local/UserApp/user.exe");
  const std::string ours = DriveC("Program Files/Both/ours.exe");
  DriveC("Program Files/Both/wine.exe");
  WriteHive("system.reg",
            "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\App64] 1700000000\n"
            "\"DisplayIcon\"=\"\\\"C:\\\\Program Files\\\\App64\\\\app.exe\\\"\"\n"
            "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\App32] 1700000000\n"
            "\"DisplayIcon\"=\"c:\\\\PROGRAM FILES (X86)\\\\app32\\\\app32.exe\"\n"
            "[Software\\\\Both] 1700000000\n\"Exe\"=\"C:\\\\Program Files\\\\Both\\\\wine.exe\"\n");
  WriteHive("user.reg",
            "[Software\\\\UserApp] 1700000000\n"
            "\"Dir\"=\"C:\\\\users\\\\me\\\\AppData\\\\Local\\\\UserApp\\\\\"\n");
  PutRegistry(HKEY_LOCAL_MACHINE, "SOFTWARE\\Both", "Exe", "C:\\Program Files\\Both\\ours.exe");

  const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  Build("<s id=\"1\" PerformStyle=\"3\" regapp=\"" + uninstall + "App64\" regname=\"DisplayIcon\" verinfo=\"3.2\"/>"
        "<s id=\"2\" PerformStyle=\"3\" regapp=\"" + uninstall + "App32\" regname=\"DisplayIcon\" verinfo=\"1.0\"/>"
        "<s id=\"3\" PerformStyle=\"2\" RegRootIndex=\"1\" regapp=\"SOFTWARE\\UserApp\" regname=\"Dir\" exe=\"user.exe\"/>"
        "<s id=\"4\" PerformStyle=\"3\" regapp=\"SOFTWARE\\Both\" regname=\"Exe\"/>"
        "<s id=\"5\" PerformStyle=\"3\" regapp=\"" + uninstall + "Gone\" regname=\"DisplayIcon\"/>");

  EXPECT_EQ(StatusInstalled, State(1).status) << "64-bit view";
  EXPECT_EQ(app64, State(1).installedExe);
  EXPECT_EQ(StatusInstalled, State(2).status) << "32-bit view, path spelled in another letter case";
  EXPECT_EQ(app32, State(2).installedExe);
  EXPECT_EQ(StatusInstalled, State(3).status) << "HKEY_CURRENT_USER";
  EXPECT_EQ(user, State(3).installedExe);
  EXPECT_EQ(ours, State(4).installedExe) << "our store wins";
  EXPECT_EQ(StatusNotInstalled, State(5).status);

  // The version comes from the file inside the prefix.
  std::string version;
  EXPECT_EQ(SoftwareMgr::UpgradeVerdict::Newer, mgr_->JudgeUpgrade(State(1), version));
  EXPECT_EQ("3.1.4.1592", version);
  EXPECT_EQ("3.1.4.1592", SoftwareMgr::ReadVersionString("C:\\Program Files\\App64\\app.exe", "FileVersion"));

  // The uninstaller removes the file and Wine saves its registry without the key.
  ASSERT_EQ(0, unlink(app64.c_str()));
  WriteHive("system.reg", "[Software\\\\Both] 1700000000\n\"Exe\"=\"C:\\\\x.exe\"\n");
  mgr_->DetectAll();
  EXPECT_EQ(StatusNotInstalled, State(1).status);
  EXPECT_EQ(StatusNotInstalled, State(2).status);
  EXPECT_EQ(StatusInstalled, State(3).status);
}

TEST_F(WineDetectionTest, WindowsPathsResolveThroughTheDrives) {
  const std::string exe = DriveC("Program Files/Mixed Case/Tool.exe");
  ds::MakeDirectories(dir_.File("elsewhere/data"));
  ASSERT_EQ(0, symlink(dir_.File("elsewhere").c_str(), dir_.File("wine/dosdevices/d:").c_str()));

  EXPECT_EQ(exe, ds::ResolveWindowsPath("C:\\program files\\MIXED CASE\\tool.EXE"));
  EXPECT_EQ(exe, ds::ResolveWindowsPath("c:/Program Files/./x/../Mixed Case/Tool.exe"));
  EXPECT_EQ(exe, ds::ResolveWindowsPath("\\\\?\\C:\\Program Files\\Mixed Case\\Tool.exe"));
  EXPECT_EQ(dir_.File("elsewhere/data"), ds::ResolveWindowsPath("D:\\DATA"));
  EXPECT_EQ(dir_.File("wine/drive_c/Program Files/New Folder/a.exe"),
            ds::ResolveWindowsPath("C:\\Program Files\\New Folder\\a.exe")) << "missing names kept";
  EXPECT_EQ(dir_.File("wine/dosdevices/q:/x"), ds::ResolveWindowsPath("Q:\\x")) << "no such drive";
  EXPECT_EQ("/usr/bin/env", ds::ResolveWindowsPath("/usr/bin/env")) << "our own paths";
}

}  // namespace
