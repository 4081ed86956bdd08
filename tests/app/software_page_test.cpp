// The all-software page in the real main window, offscreen, with a generated catalogue and real
// clicks: pages of twenty with the main window's pager, category buttons, the search by pinyin,
// Chinese text and initials, the no-result label, a download from an item against a local
// server shown in the download list, the installer run after it (a stand-in wine that records
// its arguments), a failed installer start, and an installed program started from its item.
#include "app/pages/dlg_software.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>

#include <sys/stat.h>

#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "app/catalogue/software_mgr.h"
#include "app/downloads/download_mgr_wnd.h"
#include "app/downloads/download_queue.h"
#include "app/home/dlg_sys_msg.h"
#include "app/pages/category_bar.h"
#include "app/pages/dlg_require_software.h"
#include "app/pages/dlg_soft_all_type.h"
#include "app/pages/dlg_soft_req_type.h"
#include "app/shell/control_ids.h"
#include "app/shell/corvane_dlg.h"
#include "app/shell/pager_bar.h"
#include "tests/app/catalogue_fixture.h"
#include "tests/app/corvane_fixture.h"
#include "tests/common/http_server.h"
#include "tests/vexo/download/download4_test_support.h"
#include "tests/app/window_fixture.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/checkbox.h"
#include "vexo/ui/widgets/edit.h"
#include "vexo/ui/widgets/header_ctrl.h"

namespace {

using namespace shell_ids;

class SoftwarePageTest : public corvane_test::CatalogueFixture {
 protected:
  static void SetUpTestSuite() {
    corvane_test::EnsureApplication("software_page_test");
  }

  void SetUp() override {
    CatalogueFixture::SetUp();
    setenv("CORVANE_UPDATE_URL", "http://127.0.0.1:9/update/packet", 1);
    path_ = getenv("PATH") ? getenv("PATH") : "";
    corvane_test::LoadDistPack();
    config_ = std::make_unique<CMgrConfig>();
    config_->SetDownloadDir(dir_.File("downloads").c_str());
    SetMgrConfig(config_.get());
  }

  void TearDown() override {
    window_.reset();
    setenv("PATH", path_.c_str(), 1);
    SetMgrConfig(nullptr);
    config_.reset();
    VEXO_ResourceMgr::Instance()->Fini();
    CatalogueFixture::TearDown();
  }

  // 41 programs in category 1, three in category 2, one of type 0 and one of type -1; `extra`
  // rows are added.
  void Open(const std::string& extra = "") {
    WriteCatalogue("software/type.xml",
                   "<t id=\"0\" name=\"全部软件\" Num=\"3\"/><t id=\"1\" name=\"聊天\"/>"
                   "<t id=\"2\" name=\"影音\"/><t id=\"108\" name=\"其他\"/>");
    WriteCatalogue("software/TypeReq.xml", "<t id=\"0\" name=\"常用\"/><t id=\"1\" name=\"必备\"/>"
                                           "<t id=\"2\" name=\"聊天\"/><t id=\"3\" name=\"影音\"/>");
    std::string rows = extra;
    for (int i = 0; i < 41; ++i)
      rows += Row(100 + i, "工具" + std::to_string(i), 1, "http://127.0.0.1:9/t" + std::to_string(i) + ".exe");
    rows += Row(1, "音乐播放器", 2, "http://127.0.0.1:9/m.exe");
    rows += Row(3, "隐藏工具", 0, "http://127.0.0.1:9/h.exe");
    rows += Row(4, "绝不显示", -1, "http://127.0.0.1:9/n.exe");
    WriteCatalogue("software/software.xml", rows);
    window_ = std::make_unique<CCorvaneDlg>();
    window_->Create();
    Click(window_->PageButton(CCorvaneDlg::kAll));
    page_ = window_->AllSoftwarePage();
    ASSERT_NE(nullptr, page_);
  }

  static std::string Row(int id, const std::string& name, int type, const std::string& url,
                         const std::string& more = "") {
    return "<s id=\"" + std::to_string(id) + "\" name=\"" + name + "\" type=\"" + std::to_string(type) +
           "\" url=\"" + url + "\" size=\"1.5\" verinfo=\"1.0\" " + more + "/>";
  }

  void Click(QWidget* widget) {
    ASSERT_NE(nullptr, widget);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
    Pump();
  }

  // Posts answered by further posts (category bar, page, main window) all arrive.
  static void Pump() {
    for (int i = 0; i < 4; ++i) QApplication::processEvents();
  }

  void ClickItemButton(int index) {
    SoftInfoShow* items = page_->Items();
    QTest::mouseClick(items, Qt::LeftButton, Qt::NoModifier, items->ButtonRect(index).center());
    Pump();
  }

  void Search(const QString& text) {
    auto* edit = static_cast<VEXO_Edit*>(window_->FindWidget(kSearchEdit));
    QTest::mouseClick(edit, Qt::LeftButton);  // the hint goes on focus
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    // Chinese text arrives from the input method, Latin letters as keys.
    if (text.toLatin1() == text.toUtf8()) {
      QTest::keyClicks(edit, text);
    } else {
      QInputMethodEvent typed;
      typed.setCommitString(text);
      QApplication::sendEvent(edit, &typed);
    }
    QTest::keyClick(edit, Qt::Key_Return);
    Pump();
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < page_->Items()->Filled(); ++i) names.push_back(page_->Items()->ItemProgram(i)->name);
    return names;
  }

  bool Until(const std::function<bool()>& done, int ms = 30000) {
    return corvane_test::CorvaneCopy::WaitFor(
        [&] {
          QApplication::processEvents();
          return done();
        },
        ms);
  }

  // A stand-in wine on PATH that writes its arguments to `record` and ends.
  std::string FakeWine() {
    const std::string bin = dir_.File("bin");
    ds::MakeDirectories(bin);
    const std::string record = dir_.File("wine-args.txt");
    MakeFile("bin/wine", "#!/bin/sh\necho \"$@\" > '" + record + "'\n");
    ::chmod((bin + "/wine").c_str(), 0755);
    setenv("PATH", (bin + ":" + path_).c_str(), 1);
    return record;
  }

  std::string path_;
  std::unique_ptr<CMgrConfig> config_;
  std::unique_ptr<CCorvaneDlg> window_;
  DlgSoftware* page_ = nullptr;
};

TEST_F(SoftwarePageTest, PagesOfTwentyCategoriesAndThePager) {
  Open();
  // Category 0: every positive type (41 + 1), never type 0 or -1.
  EXPECT_EQ(0, page_->CurrentCategory());
  EXPECT_EQ(42u, page_->Results().size());
  EXPECT_EQ(3, window_->GetPager().page_count());
  EXPECT_EQ(20, page_->Items()->Filled());
  // The header's action caption sits over the items' buttons, and the header covers no item.
  const QRect action = page_->Header()->GetItemRect(4).translated(page_->Header()->pos());
  const QRect button = page_->Items()->ButtonRect(0).translated(page_->Items()->pos());
  EXPECT_EQ(button.center().x(), action.center().x());
  EXPECT_LE(page_->Header()->geometry().bottom(), page_->Items()->geometry().top());

  CSoftCategoryBar* bar = page_->CategoryBar();
  Click(bar->ButtonFor(1));
  EXPECT_EQ(1, page_->CurrentCategory());
  EXPECT_EQ(41u, page_->Results().size());
  EXPECT_FALSE(bar->ButtonFor(1)->isChecked());
  EXPECT_TRUE(bar->ButtonFor(0)->isChecked());
  EXPECT_TRUE(bar->ButtonFor(108)->isVisible());

  CPagerBar* pager = window_->PagerBar();
  Click(pager->Button(CPagerBar::kLast));
  EXPECT_EQ(3, page_->CurrentPage());
  ASSERT_EQ(1, page_->Items()->Filled());
  EXPECT_EQ("工具40", page_->Items()->ItemProgram(0)->name);
  Click(pager->Button(CPagerBar::kPrevious));
  EXPECT_EQ(2, page_->CurrentPage());
  EXPECT_EQ("工具20", page_->Items()->ItemProgram(0)->name);

  // A category switch starts at page 1 and resets the pager.
  Click(bar->ButtonFor(2));
  EXPECT_EQ(1, page_->CurrentPage());
  EXPECT_EQ(1, window_->GetPager().page());
  EXPECT_EQ(1, window_->GetPager().page_count());
  EXPECT_EQ(std::vector<std::string>{"音乐播放器"}, Names());
  EXPECT_FALSE(pager->Button(CPagerBar::kNext)->isEnabled());
}

TEST_F(SoftwarePageTest, SearchByPinyinTextAndInitials) {
  Open(Row(2, "网易云音乐", 2, "http://127.0.0.1:9/w.exe") + Row(6, "微信", 2, "http://127.0.0.1:9/x.exe"));
  Search("yinle");
  EXPECT_EQ((std::vector<std::string>{"音乐播放器", "网易云音乐"}), Names());
  Search("YINLE");
  EXPECT_EQ(2, page_->Items()->Filled());
  Search(QString::fromUtf8("音乐"));
  EXPECT_EQ((std::vector<std::string>{"音乐播放器", "网易云音乐"}), Names());  // the name's start first
  Search("wx");
  EXPECT_EQ(std::vector<std::string>{"微信"}, Names());
  Search("wyy");
  EXPECT_EQ(std::vector<std::string>{"网易云音乐"}, Names());
  Search(QString::fromUtf8("隐藏"));  // type 0: found only by search
  EXPECT_EQ(std::vector<std::string>{"隐藏工具"}, Names());
  EXPECT_FALSE(page_->NoResultShown());

  Search(QString::fromUtf8("绝不显示"));
  EXPECT_TRUE(page_->NoResultShown());
  EXPECT_EQ(0, page_->Items()->Filled());
  EXPECT_EQ(0, window_->GetPager().page_count());
  // An empty search returns to the category.
  Search("");
  EXPECT_FALSE(page_->NoResultShown());
  EXPECT_EQ(44u, page_->Results().size());
}

TEST_F(SoftwarePageTest, ItemDownloadsAndTheInstallerRunsAfterIt) {
  const std::string record = FakeWine();
  const std::string installer(300000, 'i');
  corvane_test::HttpServer server(
      [&](const corvane_test::HttpRequest& request, corvane_test::HttpConnection& connection) {
        download4_test::ServeSlowly(request, connection, installer, 16384, 10);
      });
  ASSERT_TRUE(server.Start());
  config_->SetAutoInstall(1);
  Open(Row(2, "网易云音乐", 2, server.Url("/cloudmusic_setup.exe")));
  Click(page_->CategoryBar()->ButtonFor(2));
  ASSERT_EQ("网易云音乐", page_->Items()->ItemProgram(1)->name);
  ClickItemButton(1);
  SoftwareState* program = window_->Software().FindState(2);
  EXPECT_TRUE(program->status == StatusDownloading || program->status == StatusDownloaded);
  // The list below the page shows the program while it downloads.
  CDownloadMgrWnd* list = window_->DownloadList();
  ASSERT_TRUE(Until([&] { return list->isVisible() && list->RowOf(2) != nullptr; }));
  ASSERT_TRUE(Until([&] { return ds::PathExists(record); }));
  std::ifstream in(record);
  std::string arguments;
  std::getline(in, arguments);
  EXPECT_EQ(ds::NativePath(dir_.File("downloads/cloudmusic_setup.exe")), arguments);
  // The worker saw it end: the item is free again.
  ASSERT_TRUE(Until([&] { return page_->Launching().empty(); }));
  EXPECT_EQ(StatusDownloaded, program->status);
  server.Stop();
}

TEST_F(SoftwarePageTest, FailedInstallerStartIsShownAndFreesTheItem) {
  // No wine anywhere on PATH: the Windows installer cannot start.
  const std::string empty = dir_.File("nowine");
  ds::MakeDirectories(empty);
  setenv("PATH", empty.c_str(), 1);
  MakeFile("downloads/setup.exe", "MZ");
  Open(Row(2, "安装我", 2, "http://127.0.0.1:9/setup.exe"));
  Click(page_->CategoryBar()->ButtonFor(2));
  SoftwareState* program = window_->Software().FindState(2);
  ASSERT_EQ(StatusDownloaded, program->status);
  ClickItemButton(1);
  ASSERT_TRUE(Until([&] { return page_->Notice()->isVisible(); }));
  EXPECT_NE(std::string::npos, page_->Notice()->GetText().find("无法启动安装程序：setup.exe"));
  EXPECT_NE(std::string::npos, page_->Notice()->GetText().find("Wine"));
  EXPECT_TRUE(page_->Launching().empty());
  EXPECT_NE(3, page_->Items()->Look(1).state);
}

TEST_F(SoftwarePageTest, InstalledProgramRunsFromItsItem) {
  const std::string marker = dir_.File("ran.txt");
  const std::string program = MakeFile("apps/player", "#!/bin/sh\necho ran > '" + marker + "'\n");
  ::chmod(program.c_str(), 0755);
  Open(Row(5, "运行我", 2, "http://127.0.0.1:9/p.exe", "RegRootIndex=\"4\" regapp=\"" + program + "\""));
  Click(page_->CategoryBar()->ButtonFor(2));
  ASSERT_EQ("运行我", page_->Items()->ItemProgram(1)->name);
  EXPECT_EQ("已安装", std::string(page_->Items()->Look(1).text));
  ClickItemButton(1);
  EXPECT_TRUE(Until([&] { return ds::PathExists(marker); }));
  EXPECT_EQ(StatusInstalled, window_->Software().FindState(5)->status);
}

TEST_F(SoftwarePageTest, CommonPageListsByKindBitsAndTheMainWindowInstalls) {
  const std::string record = FakeWine();
  MakeFile("downloads/im.exe", "MZ");
  std::string rows = Row(7, "即时通讯", 2, "http://127.0.0.1:9/im.exe", "kind=\"10\"") +  // bits 1 and 3
                     Row(8, "无类", 2, "http://127.0.0.1:9/none.exe", "kind=\"1\"");      // bit 0 only
  for (int i = 0; i < 22; ++i) rows += Row(200 + i, "必备" + std::to_string(i), 2, "http://127.0.0.1:9/b.exe", "kind=\"2\"");
  Open(rows);
  Click(window_->PageButton(CCorvaneDlg::kCommon));
  CdlgRequireSoftware* page = window_->CommonSoftwarePage();
  ASSERT_TRUE(page->isVisible());
  EXPECT_EQ(1, page->CurrentCategory());
  EXPECT_EQ(23u, page->List().size());
  EXPECT_EQ(20, page->Items()->Filled());  // the first twenty by id
  EXPECT_EQ("即时通讯", page->Items()->ItemProgram(0)->name);
  EXPECT_EQ("必备18", page->Items()->ItemProgram(19)->name);
  Click(page->CategoryBar()->ButtonFor(3));
  EXPECT_EQ(3, page->CurrentCategory());
  ASSERT_EQ(1, page->Items()->Filled());
  EXPECT_FALSE(page->CategoryBar()->ButtonFor(3)->isChecked());
  Click(page->CategoryBar()->ButtonFor(2));
  EXPECT_EQ(0, page->Items()->Filled());  // bit 0 selects no category

  // The install of a downloaded program is the main window's: it starts the installer itself.
  Click(page->CategoryBar()->ButtonFor(3));
  ASSERT_EQ(StatusDownloaded, window_->Software().FindState(7)->status);
  SoftInfoShow* items = page->Items();
  QTest::mouseClick(items, Qt::LeftButton, Qt::NoModifier, items->ButtonRect(0).center());
  Pump();
  EXPECT_TRUE(Until([&] { return ds::PathExists(record); }));
  // Every show returns to category 1.
  Click(window_->PageButton(CCorvaneDlg::kAll));
  Click(window_->PageButton(CCorvaneDlg::kCommon));
  EXPECT_EQ(1, page->CurrentCategory());
}

}  // namespace
