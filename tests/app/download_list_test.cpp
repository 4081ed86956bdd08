// The download list offscreen with real clicks: rows bound in queue order with empty rows
// below, progress kept while the length is unknown, the row buttons through a download against
// a local server (pause, resume, cancel), the all-rows buttons of the bar, and the texts a row
// and the top line show.
#include "app/downloads/download_mgr_wnd.h"

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <cctype>

#include <gtest/gtest.h>

#include "app/downloads/split_dlg.h"
#include "core/crypto/sha256.h"
#include "tests/app/corvane_fixture.h"
#include "tests/app/download_queue_fixture.h"
#include "tests/app/window_fixture.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"

namespace {

using corvane_test::DownloadQueueFixture;
using corvane_test::SlowInstallerServer;

// A list that also records the messages it handles.
class RecordingList : public CDownloadMgrWnd {
 public:
  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override {
    if (message >= 2500 && message < 2600) handled.push_back(message);
    return CDownloadMgrWnd::WindowProc(message, wparam, lparam);
  }
  std::vector<unsigned> handled;
};

class DownloadListTest : public DownloadQueueFixture {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "download_list_test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
  }

  void SetUp() override {
    DownloadQueueFixture::SetUp();
    corvane_test::LoadDistPack();
  }

  void TearDown() override {
    list_.reset();
    SetDownloadQueue(nullptr);
    SetSoftwareMgr(nullptr);
    VEXO_ResourceMgr::Instance()->Fini();
    DownloadQueueFixture::TearDown();
  }

  // A run of `rows` and a list `rowsTall` rows high.
  void Open(const std::string& rows, int rowsTall) {
    StartRun(rows);
    SetDownloadQueue(queue_.get());
    SetSoftwareMgr(manager_.get());
    list_ = std::make_unique<RecordingList>();
    list_->Create(QRect(0, 0, 700, CDownloadMgrWnd::kTopLineHeight + 4 + 30 * rowsTall), nullptr, 0);
    list_->show();
  }

  void Click(SoftwareDownloadWnd* row, unsigned id) {
    ASSERT_NE(nullptr, row);
    VEXO_Button* button = row->Button(id);
    ASSERT_TRUE(button->isVisible() && button->isEnabled()) << id;
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
  }

  // The main window's turn: the tasks' messages to the queue, the list's own posts, its tick.
  bool Until(const std::function<bool()>& done) {
    return RunUntil([&] {
      QApplication::processEvents();
      list_->OnTick();
      return done();
    });
  }

  static bool Shows(VEXO_Button* button) { return button->isVisible() && button->isEnabled(); }

  std::unique_ptr<RecordingList> list_;
};

TEST_F(DownloadListTest, FiveRowsTallWithTwoQueuedAndAWaitingPause) {
  config_->SetDownloadCount(1);
  SlowInstallerServer server(std::string(400000, 'a'), 4096, 20);
  ASSERT_TRUE(server.Start());
  Open(Row(1, "甲", server.Url("/a.exe")) + Row(2, "乙", server.Url("/b.exe")), 5);
  Download(1);
  Download(2);
  list_->AddRow();
  ASSERT_EQ(5, list_->RowCount());
  EXPECT_EQ(&State(1), list_->Row(0)->program());
  EXPECT_EQ(&State(2), list_->Row(1)->program());
  for (int i = 2; i < 5; ++i) {
    EXPECT_EQ(nullptr, list_->Row(i)->program());
    EXPECT_FALSE(list_->Row(i)->Button(SoftwareDownloadWnd::kPauseId)->isVisible());
  }
  EXPECT_EQ(0, list_->Row(0)->position());
  EXPECT_EQ(1, list_->Row(2)->position());
  EXPECT_EQ(2, list_->Row(4)->position());
  EXPECT_EQ(StatusWaiting, Status(2));
  EXPECT_FALSE(list_->Row(1)->Button(SoftwareDownloadWnd::kStartId)->isEnabled());

  // Pausing the waiting one frees no slot and tells no one.
  Click(list_->Row(1), SoftwareDownloadWnd::kPauseId);
  QApplication::processEvents();
  EXPECT_EQ(1, queue_->RunningCount());
  EXPECT_TRUE(list_->handled.empty());
  EXPECT_TRUE(Shows(list_->Row(1)->Button(SoftwareDownloadWnd::kStartId)));
  EXPECT_FALSE(list_->Row(1)->Button(SoftwareDownloadWnd::kPauseId)->isEnabled());

  // Pausing the running one does, and the paused one stays paused.
  Click(list_->Row(0), SoftwareDownloadWnd::kPauseId);
  QApplication::processEvents();
  EXPECT_EQ(std::vector<unsigned>{kMsgDownloadPaused}, list_->handled);
  EXPECT_EQ(0, queue_->RunningCount());
  ASSERT_TRUE(Until([&] { return Status(1) == StatusPaused && Status(2) == StatusPaused; }));
}

TEST_F(DownloadListTest, UnknownLengthKeepsTheLastFraction) {
  Open(Row(1, "甲", "http://127.0.0.1:9/a.exe"), 2);
  State(1).status = StatusPaused;
  State(1).downloadedBytes = 0;
  State(1).totalBytes = 0;
  queue_->AddDownload(&State(1));
  list_->AddRow();
  SoftwareDownloadWnd* row = list_->Row(0);
  row->grab();
  EXPECT_EQ("0.00%", row->ProgressText());
  State(1).downloadedBytes = 250;
  State(1).totalBytes = 1000;
  row->grab();
  EXPECT_EQ("25.00%", row->ProgressText());
  State(1).downloadedBytes = 600;
  State(1).totalBytes = 0;
  row->grab();
  EXPECT_EQ("25.00%", row->ProgressText());
  // A length that shrinks below what arrived never shows more than 100 %.
  State(1).totalBytes = 500;
  row->grab();
  EXPECT_EQ("100.00%", row->ProgressText());
}

TEST_F(DownloadListTest, RowAndBarButtonsThroughADownload) {
  // About 200 KB/s over ten connections: the speed is sampled every three seconds.
  SlowInstallerServer server(std::string(2000000, 'b'), 2048, 100);
  ASSERT_TRUE(server.Start());
  Open(Row(1, "甲", server.Url("/a.exe")) + Row(2, "乙", server.Url("/b.exe")), 3);
  Download(1);
  list_->AddRow();
  SoftwareDownloadWnd* row = list_->Row(0);
  ASSERT_TRUE(Until([&] { return State(1).downloadedBytes > 20000 && State(1).speed > 0; }));
  row->grab();
  EXPECT_NE("0.00%", row->ProgressText());
  EXPECT_NE(std::string::npos, row->SpeedText().find("KB/s"));
  EXPECT_NE(std::string::npos, row->StateText().find("剩余"));
  EXPECT_NE(std::string::npos, list_->TopLine().find("总速度"));
  EXPECT_FALSE(row->Button(SoftwareDownloadWnd::kStartId)->isEnabled());

  Click(row, SoftwareDownloadWnd::kPauseId);
  ASSERT_TRUE(Until([&] { return Status(1) == StatusPaused; }));
  Click(row, SoftwareDownloadWnd::kStartId);
  EXPECT_EQ(StatusDownloading, Status(1));
  ASSERT_TRUE(Until([&] { return State(1).downloadedBytes > 400000; }));

  // The bar's buttons reach the list through the main window's commands.
  auto main = std::make_shared<ds::RecordingTarget>();
  const ds::MsgHandle mainHandle = ds::RegisterMessageTarget(main);
  CSplitdlg bar(nullptr, mainHandle, mainHandle);
  bar.resize(700, CSplitdlg::kHeight);
  bar.show();
  auto press = [&](unsigned id) {
    QTest::mouseClick(bar.Button(id), Qt::LeftButton, Qt::NoModifier, bar.Button(id)->rect().center());
    for (const ds::RecordingTarget::Message& m : main->Take()) {
      ASSERT_EQ(vexo_msg::WM_COMMAND, m.message);
      const unsigned command = vexo_msg::LowWord(m.wparam);
      if (command == CSplitdlg::kPauseAllId) list_->PauseAll();
      if (command == CSplitdlg::kContinueAllId) list_->StartAll();
      if (command == CSplitdlg::kCancelAllId) list_->CancelAll();
    }
  };
  Download(2);
  list_->AddRow();
  press(CSplitdlg::kPauseAllId);
  ASSERT_TRUE(Until([&] { return Status(1) == StatusPaused && Status(2) == StatusPaused; }));
  press(CSplitdlg::kContinueAllId);
  EXPECT_EQ(StatusDownloading, Status(1));
  EXPECT_EQ(StatusDownloading, Status(2));
  press(CSplitdlg::kCancelAllId);
  ASSERT_TRUE(Until([&] { return queue_->DownloadList().empty(); }));
  EXPECT_EQ(nullptr, list_->Row(0)->program());
  EXPECT_FALSE(list_->Row(0)->Button(SoftwareDownloadWnd::kCancelId)->isVisible());
  ASSERT_TRUE(Until([&] { return queue_->AllDownloadersEnded(); }));
  ds::UnregisterMessageTarget(mainHandle);
}

TEST_F(DownloadListTest, InstallerIntegrityIsCheckedBeforeItCounts) {
  config_->SetAutoInstall(1);
  const std::string good(300000, 'g');
  SlowInstallerServer server(good, 65536, 1);
  ASSERT_TRUE(server.Start());
  const std::string hash = ds::Sha256Hex(good.data(), good.size());
  std::string upper = hash;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  Open(Row(1, "甲", server.Url("/good.exe")).insert(3, "sha256=\"" + upper + "\" ") +
           Row(2, "乙", server.Url("/bad.exe")).insert(3, "sha256=\"" + std::string(64, '0') + "\" ") +
           Row(3, "丙", server.Url("/plain.exe")),
       3);
  Download(1);
  Download(2);
  Download(3);
  list_->AddRow();
  // The install request follows the status change by one turn of the main window's timer.
  ASSERT_TRUE(Until([&] {
    return Status(1) == StatusDownloaded && Status(3) == StatusDownloaded && Status(2) == StatusPaused &&
           installs_.size() >= 2;
  }));
  EXPECT_TRUE(ds::IsRegularFile(setup() + "/good.exe"));
  EXPECT_TRUE(ds::IsRegularFile(setup() + "/plain.exe"));  // no hash given: as before
  EXPECT_FALSE(ds::PathExists(setup() + "/bad.exe"));
  EXPECT_FALSE(ds::PathExists(setup() + "/Temp/bad.exe"));
  std::vector<int> installed = installs_;
  std::sort(installed.begin(), installed.end());
  EXPECT_EQ(std::vector<int>({1, 3}), installed);  // the mismatch is never run
  SoftwareDownloadWnd* row = list_->RowOf(2);
  ASSERT_NE(nullptr, row);
  EXPECT_EQ("安装包校验失败，已删除，请重新下载", row->StateText());
  EXPECT_TRUE(Shows(row->Button(SoftwareDownloadWnd::kStartId)));
}

TEST(DownloadRowView, ReasonsTimeLeftAndTotals) {
  using namespace download_view;
  EXPECT_EQ("磁盘空间不足", ReasonText("disk full: No space left on device"));
  EXPECT_EQ("服务器证书不可信", ReasonText("certificate not trusted: SSL peer certificate"));
  EXPECT_EQ("服务器拒绝下载 (HTTP 403)", ReasonText("HTTP 403"));
  EXPECT_EQ("服务器上的文件已更新，已从头开始下载", ReasonText("服务器上的文件已更新，已从头开始下载"));
  EXPECT_EQ("", ReasonText(""));
  EXPECT_EQ("剩余 1秒", TimeLeftText(1, 1.0));  // rounded up, never "0秒" before the end
  EXPECT_EQ("剩余 1小时00分", TimeLeftText(3600LL * 1024, 1.0));
  EXPECT_EQ("", TimeLeftText(100, 0));
  SoftwareState a, b, c;
  a.status = b.status = StatusDownloading;
  a.speed = 100;
  b.speed = 300;
  a.totalBytes = b.totalBytes = 400 * 1024 + 1;
  a.downloadedBytes = b.downloadedBytes = 1;
  c.status = StatusPaused;
  EXPECT_EQ("共3个下载任务，2个正在下载，总速度 400.0KB/s，剩余 2秒", TotalLine({&a, &b, &c}));
  b.totalUnknown = 1;  // one length unknown: no total time is claimed
  EXPECT_EQ("共3个下载任务，2个正在下载，总速度 400.0KB/s", TotalLine({&a, &b, &c}));
}

}  // namespace
