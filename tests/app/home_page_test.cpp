// The home page offscreen through real mouse and key input: paging of the common programs and
// sites, the runnable list searched by pinyin, double clicks by the program's status, and sites
// opened through a stand-in for xdg-open that records what it was asked to open.
#include <sys/stat.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "core/text/path.h"
#include "tests/app/home_page_fixture.h"
#include "vexo/ui/widgets/label.h"
#include "vexo/ui/widgets/list_ctrl.h"

namespace {

class HomePageTest : public corvane_test::HomePageFixture {
 protected:
  SoftwareState* Named(const std::string& name) { return software_->FindStateByName(name); }

  void DoubleClick(QWidget* widget) {
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
  }

  void Search(const QString& text) {
    Type(CDialogHomePage::kIdSearchEdit, text);
    QTest::keyClick(Control(CDialogHomePage::kIdSearchEdit), Qt::Key_Return);
  }

  void AnswerOk(CDlgSysMsg* box) {
    Click(box->FindWidget(CDlgSysMsg::kIdOk));
    QApplication::processEvents();
  }
};

TEST_F(HomePageTest, CommonProgramsAndSitesPageByTheirButtons) {
  OpenPage();
  std::vector<SoftwareState*> programs;
  for (auto& entry : software_->States())
    if (programs.size() < 16) programs.push_back(&entry.second);
  page_->SetCommonPrograms(programs);  // logged out: shown, never uploaded
  EXPECT_FALSE(page_->IsConnectBusy());
  EXPECT_EQ(programs[0]->name, page_->ProgramCell(0)->Text());
  Click(Control(CDialogHomePage::kIdProgramsNext));
  EXPECT_EQ(programs[15]->name, page_->ProgramCell(0)->Text());
  EXPECT_EQ("", page_->ProgramCell(1)->Text());
  Click(Control(CDialogHomePage::kIdProgramsNext));  // no third page
  EXPECT_EQ(programs[15]->name, page_->ProgramCell(0)->Text());
  Click(Control(CDialogHomePage::kIdProgramsPrev));
  EXPECT_EQ(programs[14]->name, page_->ProgramCell(14)->Text());

  const int defaults = page_->Session().Sites().DefaultCount();
  std::vector<ds::Site> sites;
  for (int i = 0; i < 12; ++i) sites.push_back({"站点" + std::to_string(i), "http://site" + std::to_string(i) + "/"});
  ASSERT_TRUE(page_->SetCommonSites(sites));
  const int last = defaults + 11;
  for (int i = 0; i < last / 12; ++i) Click(Control(CDialogHomePage::kIdSitesNext));
  EXPECT_EQ("站点11", page_->SiteCell(last % 12)->Text());
  Click(Control(CDialogHomePage::kIdSitesNext));
  EXPECT_EQ("站点11", page_->SiteCell(last % 12)->Text());
}

TEST_F(HomePageTest, RunnableProgramsAreSearchedByNameOrPinyin) {
  for (const char* name : {"小狼毫输入法", "微信", "VLC播放器", "7-Zip"}) {
    ASSERT_NE(nullptr, Named(name)) << name;
    Named(name)->status = StatusInstalled;
  }
  Named("7-Zip")->disable = 1;  // disabled programs are never runnable
  OpenPage();
  EXPECT_EQ("可运行软件3款，双击运行软件", page_->RunnableCounter()->GetWindowText());

  Search("ShuRu");
  ASSERT_EQ(1u, page_->Runnable().size());
  EXPECT_EQ("小狼毫输入法", page_->RunnableList()->GetItemText(0, 0));
  EXPECT_EQ("可运行软件1款，双击运行软件", page_->RunnableCounter()->GetWindowText());
  EXPECT_FALSE(page_->NoResultLabel()->isVisible());

  Search("vlc");  // by name, ignoring letter case
  ASSERT_EQ(1u, page_->Runnable().size());
  EXPECT_EQ("VLC播放器", page_->Runnable()[0]->name);

  Search("zip");
  EXPECT_TRUE(page_->Runnable().empty());
  EXPECT_TRUE(page_->NoResultLabel()->isVisible());
  EXPECT_FALSE(page_->PageNumberCell(0)->isVisible());
  EXPECT_EQ("可运行软件0款，双击运行软件", page_->RunnableCounter()->GetWindowText());

  Search("   ");  // blanks reset the list
  EXPECT_EQ(3u, page_->Runnable().size());
  EXPECT_FALSE(page_->NoResultLabel()->isVisible());
  EXPECT_TRUE(page_->PageNumberCell(0)->isVisible());
}

TEST_F(HomePageTest, DoubleClickAsksByStatus) {
  SoftwareState* wechat = Named("微信");
  SoftwareState* vlc = Named("VLC播放器");
  SoftwareState* git = Named("Git");
  wechat->status = StatusNotInstalled;
  vlc->status = StatusPaused;
  git->status = StatusDownloaded;
  OpenPage();
  page_->SetCommonPrograms({wechat, vlc, git});

  DoubleClick(page_->ProgramCell(0));
  ASSERT_TRUE(page_->Question()->isVisible());
  EXPECT_EQ("您还未安装该款软件，是否立即下载", page_->Question()->GetText());
  AnswerOk(page_->Question());
  EXPECT_EQ(StatusDownloading, wechat->status);

  DoubleClick(page_->ProgramCell(0));  // now in the download list
  EXPECT_EQ("该软件已经在下载列表中.....", PopupText());
  page_->Popup()->hide();
  DoubleClick(page_->ProgramCell(1));
  EXPECT_EQ("该软件已经在下载列表中.....", PopupText());
  EXPECT_EQ(StatusPaused, vlc->status);

  // A downloaded installer that is gone is downloaded again.
  DoubleClick(page_->ProgramCell(2));
  ASSERT_TRUE(page_->Question()->isVisible());
  EXPECT_EQ("该软件已下载,是否现在安装该款软件?", page_->Question()->GetText());
  AnswerOk(page_->Question());
  EXPECT_EQ(StatusDownloading, git->status);
}

TEST_F(HomePageTest, SitesOpenThroughXdgOpenOnlyForHttpAndHttps) {
  // The stand-in records each address it is given.
  const std::string bin = dir_.File("bin");
  ds::MakeDirectories(bin);
  const std::string record = dir_.File("opened.txt");
  corvane_test::WriteWholeFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + record + "'\n");
  ::chmod((bin + "/xdg-open").c_str(), 0755);
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
  setenv("PATH", (bin + ":" + path).c_str(), 1);

  OpenPage();
  ASSERT_TRUE(page_->SetCommonSites({{"大小写", "Example.COM/Case/Path"},
                                     {"本地文件", "file:///etc/passwd"},
                                     {"安全", "HTTPS://Example.com/A"}}));
  const int first = page_->Session().Sites().DefaultCount();
  for (int i = 0; i < first / 12; ++i) Click(Control(CDialogHomePage::kIdSitesNext));
  // One at a time: two stand-ins running at once could record in either order.
  Click(page_->SiteCell(first % 12));
  ASSERT_TRUE(PumpUntil([&] { return corvane_test::ReadWholeFile(record) == "http://Example.COM/Case/Path\n"; }));
  Click(page_->SiteCell((first + 2) % 12));
  EXPECT_TRUE(PumpUntil([&] {
    return corvane_test::ReadWholeFile(record) == "http://Example.COM/Case/Path\nhttps://Example.com/A\n";
  })) << corvane_test::ReadWholeFile(record);
  Click(page_->SiteCell((first + 1) % 12));
  EXPECT_EQ("只能打开 http 或 https 网址", PopupText());
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ("http://Example.COM/Case/Path\nhttps://Example.com/A\n", corvane_test::ReadWholeFile(record));
}

}  // namespace
