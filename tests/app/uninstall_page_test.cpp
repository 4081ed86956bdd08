// The uninstall page: the registry scan's rules over the three Uninstall keys (looping keys
// included), icons named by "path,index" inside the Wine prefix, the main window's search box and
// count label driven with real keys, a stand-in uninstaller that removes its own key and the
// rescan when it ends, and the message for an uninstaller that cannot start.
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QWheelEvent>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include <gtest/gtest.h>

#include "app/pages/dlg_uninstall_software.h"
#include "app/shell/control_ids.h"
#include "app/shell/corvane_dlg.h"
#include "tests/app/catalogue_fixture.h"
#include "tests/app/corvane_fixture.h"
#include "tests/app/window_fixture.h"
#include "vexo/ui/render/icon.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/edit.h"
#include "vexo/ui/widgets/label.h"

namespace {

const std::string kNative = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kWow = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string IconFixture() {
  const std::string source = __FILE__;
  return source.substr(0, source.find_last_of('/')) + "/../core/pe/fixtures/icon_x64.exe";
}

class UninstallPageTest : public corvane_test::CatalogueFixture {
 protected:
  static void SetUpTestSuite() {
    corvane_test::EnsureApplication("uninstall_page_test");
  }

  void SetUp() override {
    CatalogueFixture::SetUp();
    setenv("CORVANE_UPDATE_URL", "http://127.0.0.1:9/update/packet", 1);
    corvane_test::LoadDistPack();
  }

  void TearDown() override {
    VEXO_ResourceMgr::Instance()->Fini();
    CatalogueFixture::TearDown();
  }

  // An Uninstall entry: key under `root` at `path`, values as (name, text) pairs.
  static void Entry(HKEY root, const std::string& path, std::vector<std::pair<std::string, std::string>> values) {
    for (const auto& value : values) PutRegistry(root, path, value.first, value.second);
  }

  static std::vector<std::string> Names(const std::vector<UninstallEntry>& entries) {
    std::vector<std::string> names;
    for (const UninstallEntry& entry : entries) names.push_back(entry.name);
    return names;
  }

  static bool Pump(const std::function<bool()>& done) {
    for (int i = 0; i < 3000 && !done(); ++i) QTest::qWait(10);
    return done();
  }
};

TEST_F(UninstallPageTest, ScanReadsThreeLocationsWithTheValueAndDuplicateRules) {
  Entry(HKEY_LOCAL_MACHINE, kNative + "App", {{"DisplayName", "Alpha"}, {"UninstallString", "/opt/alpha/uninst"}});
  Entry(HKEY_LOCAL_MACHINE, kNative + "Patch", {{"DisplayName", "Alpha Patch"}, {"UninstallString", "/p"}, {"ReleaseType", "Update"}});
  Entry(HKEY_LOCAL_MACHINE, kNative + "Part", {{"ParentKeyName", "App"}, {"DisplayName", "Alpha Part"}, {"UninstallString", "/q"}});
  Entry(HKEY_LOCAL_MACHINE, kNative + "NoCommand", {{"DisplayName", "Beta"}, {"UninstallString", ""}});
  Entry(HKEY_LOCAL_MACHINE, kNative + "SameName", {{"DisplayName", "Alpha"}, {"UninstallString", "/other"}});
  Entry(HKEY_LOCAL_MACHINE, kNative + "SameCommand", {{"DisplayName", "Gamma"}, {"UninstallString", "/opt/alpha/uninst"}});
  Entry(HKEY_LOCAL_MACHINE, kNative + "Own", {{"DisplayName", "Kiv软件"}, {"UninstallString", "/own"}});
  Entry(HKEY_LOCAL_MACHINE, kNative + "NoName", {{"DisplayName", ""}, {"UninstallString", "/noname"}});
  // Looping keys: one names itself, two name each other. Nested names are looked up under the
  // Uninstall key, so each loop would recurse without end.
  Entry(HKEY_LOCAL_MACHINE, kNative + "Loop", {{"DisplayName", "Loop"}, {"UninstallString", "/loop"}});
  PutRegistry(HKEY_LOCAL_MACHINE, kNative + "Loop\\Loop", "x", "y");
  Entry(HKEY_LOCAL_MACHINE, kNative + "Ping", {{"DisplayName", "Ping"}, {"UninstallString", "/ping"}});
  Entry(HKEY_LOCAL_MACHINE, kNative + "Pong", {{"DisplayName", "Pong"}, {"UninstallString", "/pong"}});
  PutRegistry(HKEY_LOCAL_MACHINE, kNative + "Ping\\Pong", "x", "y");
  PutRegistry(HKEY_LOCAL_MACHINE, kNative + "Pong\\Ping", "x", "y");
  // The native view lists the 32-bit keys too (merged by name); a name in both views shows its
  // native values there, so the 32-bit key of that name is found only by reading that view.
  Entry(HKEY_LOCAL_MACHINE, kNative + "Shared", {{"DisplayName", "Epsilon"}, {"UninstallString", "/e"}});
  Entry(HKEY_LOCAL_MACHINE, kWow + "Shared", {{"DisplayName", "Zeta 32"}, {"UninstallString", "/z"}});
  Entry(HKEY_LOCAL_MACHINE, kWow + "Zed32", {{"DisplayName", "Delta 32"}, {"UninstallString", "/delta"}});
  Entry(HKEY_LOCAL_MACHINE, kWow + "Zz Again", {{"DisplayName", "Alpha"}, {"UninstallString", "/again"}});
  Entry(HKEY_CURRENT_USER, kNative + "Mine", {{"DisplayName", "用户程序"}, {"UninstallString", "/home/u/uninst"},
                                               {"DisplayVersion", "1.2"}, {"DisplayIcon", "/home/u/app.ico"}});

  const std::vector<UninstallEntry> entries = ScanUninstallEntries();
  // Native key in name order (Pong before its parent Ping), then the 32-bit key, then the user's.
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Loop", "Pong", "Ping", "Epsilon", "Delta 32", "Zeta 32", "用户程序"}),
            Names(entries));
  ASSERT_EQ(8u, entries.size());
  EXPECT_EQ("/home/u/uninst", entries[7].command);
  EXPECT_EQ("1.2", entries[7].version);
  EXPECT_EQ("/home/u/app.ico", entries[7].iconSource);
}

TEST_F(UninstallPageTest, IconSourceTakesThePathAndTheIconIndexInsideThePrefix) {
  const std::string folder = dir_.File("wine/drive_c/Program Files/App");
  ASSERT_TRUE(ds::MakeDirectories(folder));
  ASSERT_TRUE(ds::MakeDirectories(dir_.File("wine/dosdevices")));
  ASSERT_EQ(0, symlink("../drive_c", dir_.File("wine/dosdevices/c:").c_str()));
  corvane_test::WriteWholeFile(folder + "/app.exe", corvane_test::ReadWholeFile(IconFixture()));

  const IconSource second = ParseIconSource("\"C:\\Program Files\\App\\app.exe\",1");
  EXPECT_EQ(folder + "/app.exe", second.path);
  EXPECT_EQ(1, second.index);
  EXPECT_EQ(0, ParseIconSource("C:\\Program Files\\App\\app.exe").index);
  EXPECT_EQ(-2, ParseIconSource("C:\\Program Files\\App\\app.exe, -2").index);
  EXPECT_EQ("/opt/a,b/x.ico", ParseIconSource("/opt/a,b/x.ico").path);

  CdlgUninstallSoftware page(nullptr);
  // The first group holds three sizes, the second (index 1, resource id 2) one 16-pixel icon.
  ASSERT_NE(nullptr, page.IconFor("C:\\Program Files\\App\\app.exe,0"));
  EXPECT_EQ((std::vector<int>{16, 32, 48}), page.IconFor("C:\\Program Files\\App\\app.exe,0")->Sizes());
  ASSERT_NE(nullptr, page.IconFor("\"C:\\Program Files\\App\\app.exe\",1"));
  EXPECT_EQ((std::vector<int>{16}), page.IconFor("\"C:\\Program Files\\App\\app.exe\",1")->Sizes());
  ASSERT_NE(nullptr, page.IconFor("C:\\Program Files\\App\\app.exe,-2"));
  EXPECT_EQ((std::vector<int>{16}), page.IconFor("C:\\Program Files\\App\\app.exe,-2")->Sizes());
  EXPECT_EQ(nullptr, page.IconFor("C:\\Program Files\\App\\app.exe,2"));
  EXPECT_EQ(nullptr, page.IconFor("C:\\Program Files\\App\\missing.exe,0"));
}

// Through the main window: the page button scans, the count label follows, the search box finds
// by an upper-case query and by a pinyin run, and the back button returns to the full list.
TEST_F(UninstallPageTest, MainWindowSearchBoxAndCountLabel) {
  Entry(HKEY_LOCAL_MACHINE, kNative + "Music", {{"DisplayName", "飞云音乐播放器"}, {"UninstallString", "/m"}});
  Entry(HKEY_LOCAL_MACHINE, kNative + "Zip", {{"DisplayName", "zipper tool"}, {"UninstallString", "/z"}});
  Entry(HKEY_CURRENT_USER, kNative + "Chat", {{"DisplayName", "Chat 2"}, {"UninstallString", "/c"}});
  auto config = std::make_unique<CMgrConfig>();
  config->SetDownloadDir(dir_.File("downloads").c_str());
  SetMgrConfig(config.get());
  {
    CCorvaneDlg window;
    window.Create();
    QWidget* button = window.FindWidget(shell_ids::kUninstallPage);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
    CdlgUninstallSoftware* page = window.UninstallPage();
    ASSERT_TRUE(page->isVisible());
    EXPECT_EQ("已检测到安装了3款软件！ ", window.StatusText(0));
    EXPECT_EQ(3u, page->List().Shown().size());
    EXPECT_GE(page->Rows().size() * 43, static_cast<std::size_t>(page->height()));  // rows fill the page
    const std::string shot = corvane_test::DistDirectory() + "/../uninstall_page.png";
    window.grab().save(QString::fromStdString(shot));

    auto* edit = static_cast<VEXO_Edit*>(window.FindWidget(shell_ids::kSearchEdit));
    auto search = [&](const char* keys) {
      QTest::mouseClick(edit, Qt::LeftButton);
      QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(edit, Qt::Key_Backspace);
      QTest::keyClicks(edit, keys);
      QTest::keyClick(edit, Qt::Key_Return);
      return Names(page->List().Shown());
    };
    EXPECT_EQ((std::vector<std::string>{"zipper tool"}), search("ZIPPER"));
    EXPECT_TRUE(page->BackButton()->isVisible());
    EXPECT_EQ((std::vector<std::string>{"飞云音乐播放器"}), search("yinlebo"));
    EXPECT_EQ((std::vector<std::string>{}), search("nothing here"));
    EXPECT_TRUE(page->NoResultLabel()->isVisible());

    QTest::mouseClick(page->BackButton(), Qt::LeftButton, Qt::NoModifier, page->BackButton()->rect().center());
    EXPECT_EQ(3u, page->List().Shown().size());
    EXPECT_FALSE(page->NoResultLabel()->isVisible());
    QApplication::processEvents();
    EXPECT_EQ(" 请输入查找条件...", edit->GetWindowText());
    EXPECT_EQ(3u, page->List().Shown().size()) << "the hint itself shows everything";
  }
  SetMgrConfig(nullptr);
}

// The uninstall button starts the program's own uninstaller; when it ends (it removed its key)
// the list is read again. A command that cannot start is said to the user with the command.
TEST_F(UninstallPageTest, UninstallerRemovesItsKeyAndTheListFollows) {
  const std::string store = dir_.File("registry.reg");
  const std::string script = dir_.File("uninst.sh");
  corvane_test::WriteWholeFile(script,
                               "#!/bin/sh\n"
                               "awk '/^\\[/{skip=index($0,\"\\\\StandIn]\")>0} !skip' '" + store + "' > '" + store +
                                   ".new' && mv '" + store + ".new' '" + store + "'\n");
  ASSERT_EQ(0, chmod(script.c_str(), 0755));
  Entry(HKEY_LOCAL_MACHINE, kNative + "Broken", {{"DisplayName", "Broken"}, {"UninstallString", "/nowhere/uninst --all"}});
  Entry(HKEY_LOCAL_MACHINE, kNative + "StandIn", {{"DisplayName", "Stand-in"}, {"UninstallString", script}});

  QWidget host;
  host.resize(801, 590);
  CdlgUninstallSoftware page(&host);
  page.ShowPage();
  ASSERT_EQ((std::vector<std::string>{"Broken", "Stand-in"}), Names(page.List().Shown()));

  VEXO_Button* broken = page.RowOf(0)->UninstallButton();
  QTest::mouseClick(broken, Qt::LeftButton, Qt::NoModifier, broken->rect().center());
  ASSERT_NE(nullptr, page.FailureBox());
  EXPECT_NE(std::string::npos, page.FailureBox()->text().toStdString().find("无法启动卸载程序\n/nowhere/uninst --all"));
  page.FailureBox()->close();

  VEXO_Button* stand_in = page.RowOf(1)->UninstallButton();
  QTest::mouseClick(stand_in, Qt::LeftButton, Qt::NoModifier, stand_in->rect().center());
  EXPECT_TRUE(page.FailureBox() == nullptr || !page.FailureBox()->isVisible());
  ASSERT_TRUE(Pump([&] { return page.List().Shown().size() == 1; }));
  EXPECT_EQ((std::vector<std::string>{"Broken"}), Names(page.List().Shown()));
  EXPECT_EQ(nullptr, page.RowOf(1));
  EXPECT_TRUE(page.Rows()[1]->IsSelected()) << "the row whose button was pressed";
  EXPECT_FALSE(page.Rows()[0]->IsSelected());
}

// A long list: a few row windows, bound to the entries from the scroll position on; a wheel
// notch scrolls 129 pixels.
TEST_F(UninstallPageTest, RowsFollowTheScrollPosition) {
  for (int i = 0; i < 40; ++i) {
    char key[8];
    std::snprintf(key, sizeof key, "K%02d", i);
    Entry(HKEY_LOCAL_MACHINE, kNative + key, {{"DisplayName", key}, {"UninstallString", std::string("/u/") + key}});
  }
  QWidget host;
  host.resize(801, 590);
  host.show();
  CdlgUninstallSoftware page(&host);
  page.ShowPage();
  ASSERT_EQ(40u, page.List().Shown().size());
  EXPECT_LT(page.Rows().size(), 20u);
  ASSERT_NE(nullptr, page.RowOf(0));
  const QPoint centre = page.rect().center();
  QWheelEvent wheel(centre, page.mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(&page, &wheel);
  EXPECT_EQ(129, page.ScrollPos());
  EXPECT_EQ(nullptr, page.RowOf(2)) << "scrolled out";
  ASSERT_NE(nullptr, page.RowOf(3));
  EXPECT_EQ("K03", page.RowOf(3)->Name());
  EXPECT_EQ(-129 % 43, page.RowOf(3)->y());
  for (int i = 0; i < 20; ++i) QApplication::sendEvent(&page, &wheel);
  EXPECT_EQ(40 * 43 - page.height(), page.ScrollPos()) << "not past the last entry";
  ASSERT_NE(nullptr, page.RowOf(39));
  EXPECT_LE(page.RowOf(39)->geometry().bottom(), page.height());
}

}  // namespace
