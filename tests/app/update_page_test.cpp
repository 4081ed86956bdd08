// The upgrade page offscreen, over a generated catalogue of installed programs whose versions
// live in the registry: who is listed in which mode, version texts with full-width separators,
// ignoring a row, a paused plain download shown as a paused upgrade, the update button
// downloading from a local server into the embedded list, upgrading ticked rows within
// "DownloadCount", and the main window's buttons and count label.
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "app/downloads/download_mgr_wnd.h"
#include "app/pages/dlg_update_software.h"
#include "app/shell/corvane_dlg.h"
#include "tests/app/corvane_fixture.h"
#include "tests/app/download_queue_fixture.h"
#include "tests/app/window_fixture.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/checkbox.h"
#include "vexo/ui/widgets/label.h"

namespace {

using corvane_test::HttpServer;

// Hosts a page and keeps the messages it posts to its parent.
class Host : public VEXO_Dialog {
 public:
  Host() { resize(801, 590); }
  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override {
    received.push_back(message);
    return VEXO_Dialog::WindowProc(message, wparam, lparam);
  }
  std::vector<unsigned> received;
};

class UpdatePageTest : public corvane_test::DownloadQueueFixture {
 protected:
  static void SetUpTestSuite() {
    corvane_test::EnsureApplication("update_page_test");
  }

  void SetUp() override {
    DownloadQueueFixture::SetUp();
    corvane_test::LoadDistPack();
  }

  void TearDown() override {
    page_.reset();
    host_.reset();
    SetDownloadQueue(nullptr);
    SetSoftwareMgr(nullptr);
    VEXO_ResourceMgr::Instance()->Fini();
    DownloadQueueFixture::TearDown();
  }

  // An installed program: its executable exists, its installed version is a registry value.
  std::string Installed(int id, const std::string& name, const std::string& installed, const std::string& newest,
                        const std::string& url = "http://127.0.0.1:9/setup.exe") {
    const std::string exe = MakeFile("programs/" + std::to_string(id) + ".exe");
    const std::string key = "SOFTWARE\\Generated\\P" + std::to_string(id);
    PutRegistry(HKEY_LOCAL_MACHINE, key, "Version", installed);
    return "<s id=\"" + std::to_string(id) + "\" name=\"" + name + "\" url=\"" + url + "\" verinfo=\"" + newest +
           "\" size=\"2.5\" type=\"1\" RegRootIndex=\"4\" regapp=\"" + exe + "\" regappver=\"" + key +
           "\" regnamever=\"Version\"/>";
  }

  // The catalogue built and detected; Show() then opens the page.
  void Prepare(const std::string& rows) {
    StartRun(rows);
    manager_->DetectAll();
    SetSoftwareMgr(manager_.get());
    SetDownloadQueue(queue_.get());
  }
  void Show() {
    host_ = std::make_unique<Host>();
    page_ = std::make_unique<CdlgUpdateSoftware>(host_.get(), *manager_, *queue_);
    host_->show();
    page_->ShowPage();
  }
  void Open(const std::string& rows) {
    Prepare(rows);
    Show();
  }

  std::vector<int> ListedIds() const {
    std::vector<int> ids;
    for (const SoftwareState* state : page_->List().Listed()) ids.push_back(state->id);
    return ids;
  }

  static void Click(QWidget* widget) {
    ASSERT_NE(nullptr, widget);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
    QApplication::processEvents();
  }

  std::unique_ptr<Host> host_;
  std::unique_ptr<CdlgUpdateSoftware> page_;
};

TEST_F(UpdatePageTest, ModesVersionsIgnoringAndAPausedDownload) {
  config_->SetSoftAttention(2, 0);
  Prepare(Installed(1, "Alpha", "1，2。3", "1.2.4") + Installed(2, "Beta", "3.0", "3.1") +
          Installed(3, "Same", "1，2。3", "1.2.3") + Installed(4, "Paused", "0.9", "1.0"));
  State(3).upgradeable = true;  // an older judgement: equal versions clear it
  State(4).status = StatusPaused;  // a paused plain download of an upgradeable program
  Show();

  EXPECT_EQ((std::vector<int>{1, 4}), ListedIds()) << "mode 0: no key or key 1; not the ignored one";
  EXPECT_FALSE(State(3).upgradeable);
  EXPECT_EQ("1.2.3", State(1).installedVersion) << "full-width separators read as dots";
  ASSERT_NE(nullptr, page_->RowOf(1));
  EXPECT_EQ("已安装版本:1.2.3", page_->RowOf(1)->InstalledText());
  EXPECT_EQ("最新版本:1.2.4", page_->RowOf(1)->NewestText());
  EXPECT_EQ("2.5 MB", page_->RowOf(1)->SizeText());
  EXPECT_EQ(1, State(4).usesUpdateStatus);
  EXPECT_EQ(StatusPaused, State(4).updateStatus);
  EXPECT_EQ(StatusInstalled, State(4).status);
  EXPECT_FALSE(page_->RowOf(4)->ActionButton()->isEnabled()) << "a paused upgrade";

  const std::size_t before = host_->received.size();
  page_->ShowAllUpdates();
  QApplication::processEvents();
  EXPECT_EQ((std::vector<int>{1, 2, 4}), ListedIds()) << "mode 1 lists the ignored one too";
  EXPECT_NE(host_->received.end(), std::find(host_->received.begin() + before, host_->received.end(), 2540u));
  EXPECT_STREQ("/img/btAttention.png", page_->RowOf(2)->AttentionImage());

  // Ignoring Alpha in mode 1: its row goes, and a refresh does not bring it back.
  Click(page_->RowOf(1)->AttentionButton());
  EXPECT_EQ((std::vector<int>{2, 4}), ListedIds());
  int value = -1;
  EXPECT_EQ(1, config_->GetInteger("Soft1", value));
  EXPECT_EQ(0, value);
  page_->RefreshUpdates();
  EXPECT_EQ((std::vector<int>{2, 4}), ListedIds());
  page_->ShowAttendedUpdates();
  EXPECT_EQ((std::vector<int>{4}), ListedIds());
  EXPECT_GE(static_cast<int>(page_->Rows().size()) * 43, page_->height() - 24 - 90) << "empty rows fill the page";
}

TEST_F(UpdatePageTest, UpdateButtonDownloadsIntoTheEmbeddedList) {
  const std::string payload = corvane_test::PatternBytes(300000);
  HttpServer server([&](const corvane_test::HttpRequest& request, corvane_test::HttpConnection& connection) {
    corvane_test::ServeBytes(request, connection, payload);
  });
  ASSERT_TRUE(server.Start());
  Open(Installed(1, "Alpha", "1.0", "2.0", server.Url("/alpha-setup.exe")));
  EXPECT_FALSE(page_->IsDownloadListShown()) << "nothing queued at the first show";
  ASSERT_NE(nullptr, page_->RowOf(1));
  EXPECT_STREQ("/img/BtUpdate.png", page_->RowOf(1)->ActionImage());

  Click(page_->RowOf(1)->ActionButton());
  EXPECT_EQ(1, State(1).usesUpdateStatus);
  EXPECT_TRUE(page_->IsDownloadListShown());
  ASSERT_NE(nullptr, page_->DownloadList()->RowOf(1)) << "the embedded list shows the upgrade";
  EXPECT_FALSE(page_->RowOf(1)->ActionButton()->isEnabled());
  ASSERT_TRUE(RunUntil([&] { return State(1).updateStatus == StatusDownloaded; })) << State(1).updateStatus;
  EXPECT_EQ(payload, corvane_test::ReadWholeFile(setup() + "/alpha-setup.exe"));
  EXPECT_EQ(StatusInstalled, State(1).status) << "the program stays installed while its upgrade downloads";
  page_->RefreshRows();  // the main window's timer: rows follow their records
  EXPECT_STREQ("/img/BtInstall.png", page_->RowOf(1)->ActionImage());
  EXPECT_TRUE(page_->RowOf(1)->ActionButton()->isEnabled());
}

TEST_F(UpdatePageTest, UpdateCheckedStartsTheTickedRowsWithinTheDownloadCount) {
  config_->SetDownloadCount(1);
  Open(Installed(1, "Alpha", "1.0", "2.0", "http://127.0.0.1:9/a.exe") +
       Installed(2, "Beta", "1.0", "2.0", "http://127.0.0.1:9/b.exe") +
       Installed(3, "Gamma", "1.0", "2.0", "http://127.0.0.1:9/c.exe"));
  Click(page_->RowOf(2)->CheckBox());
  EXPECT_EQ(0, State(2).checked);

  page_->UpdateChecked();
  QApplication::processEvents();
  EXPECT_EQ(2u, queue_->DownloadList().size());
  EXPECT_EQ(1, State(1).usesUpdateStatus);
  EXPECT_EQ(1, State(3).usesUpdateStatus);
  EXPECT_EQ(StatusDownloading, State(1).updateStatus);
  EXPECT_EQ(StatusWaiting, State(3).updateStatus) << "one slot: the second waits";
  EXPECT_EQ(0, State(2).usesUpdateStatus);
  EXPECT_EQ(StatusNotInstalled, State(2).updateStatus);
}

// Through the main window: the upgrade page button, its count label, "show all" and the select-all
// box; a screenshot of the page is kept in build/.
TEST_F(UpdatePageTest, MainWindowButtonsAndCountLabel) {
  config_->SetSoftAttention(2, 0);
  WriteCatalogue("software/software.xml", Installed(1, "飞云音乐", "1，2", "1.3") + Installed(2, "青松看图", "3.0", "3.1") +
                                               Installed(3, "白鹭词典", "5.0", "5.0"));
  CCorvaneDlg window;
  window.Create();
  Click(window.FindWidget(1005));
  CdlgUpdateSoftware* page = window.UpgradePage();
  ASSERT_TRUE(page->isVisible());
  EXPECT_EQ("发现有1款可用软件有升级更新！", window.StatusText(1));
  Click(window.FindWidget(1030));
  EXPECT_EQ(2, page->ListedCountNow());
  EXPECT_EQ("发现有2款可用软件有升级更新！", window.StatusText(1));
  window.grab().save(QString::fromStdString(corvane_test::DistDirectory() + "/../upgrade_page.png"));

  Click(window.FindWidget(1052));  // select-all box: off
  for (const SoftwareState* state : page->List().Listed()) EXPECT_EQ(0, state->checked);
  EXPECT_EQ(0, page->RowOf(1)->CheckBox()->GetCheck());
  Click(window.FindWidget(1035));  // nothing ticked: nothing ignored
  EXPECT_EQ(2, page->ListedCountNow());
}

}  // namespace
