// The main window offscreen, driven with real input: page switching, the tray menu with and
// without a login, closing without a tray host, a quick launch question, and exit stopping the
// downloads.
#include "app/shell/corvane_dlg.h"

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include <functional>
#include <map>

#include <gtest/gtest.h>

#include "app/assoc/associate_file_dlg.h"
#include "app/catalogue/software_mgr.h"
#include "app/downloads/download_mgr_wnd.h"
#include "app/downloads/download_queue.h"
#include "app/downloads/split_dlg.h"
#include "app/home/dialog_home_page.h"
#include "app/home/dlg_sys_msg.h"
#include "app/shell/control_ids.h"
#include "app/shell/startup_files.h"
#include "core/platform/program_paths.h"
#include "app/shell/update_check.h"
#include "core/crypto/update_signature.h"
#include "core/log/logger.h"
#include "tests/app/catalogue_fixture.h"
#include "tests/common/http_server.h"
#include "tests/app/corvane_fixture.h"
#include "tests/app/window_fixture.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"

namespace {

using namespace shell_ids;

class MainWindowTest : public corvane_test::CatalogueFixture {
 protected:
  static void SetUpTestSuite() {
    corvane_test::EnsureApplication("main_window_test");
  }

  void SetUp() override {
    CatalogueFixture::SetUp();
    setenv("CORVANE_UPDATE_URL", "http://127.0.0.1:9/update/packet", 1);  // never leaves this machine
    // The skin and catalogue come from the build's pack.
    corvane_test::LoadDistPack();
    config_ = std::make_unique<CMgrConfig>();
    config_->SetDownloadDir(dir_.File("downloads").c_str());
    SetMgrConfig(config_.get());
    window_ = std::make_unique<CCorvaneDlg>();
  }

  void TearDown() override {
    window_.reset();
    SetMgrConfig(nullptr);
    config_.reset();
    VEXO_ResourceMgr::Instance()->Fini();
    CatalogueFixture::TearDown();
  }

  QWidget* Control(unsigned id) { return window_->FindWidget(id); }

  void Click(QWidget* widget) {
    ASSERT_NE(nullptr, widget);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
  }

  std::unique_ptr<CMgrConfig> config_;
  std::unique_ptr<CCorvaneDlg> window_;
};

TEST_F(MainWindowTest, PageButtonsSwitchPagesAndMarkTheCurrentOne) {
  window_->Create();
  EXPECT_EQ("Kiv软件", window_->windowTitle().toStdString());
  EXPECT_FALSE(window_->windowIcon().isNull());  // the pack's logo, also the tray's icon
  EXPECT_EQ(CCorvaneDlg::kHome, window_->CurrentPage());
  EXPECT_FALSE(window_->PageButton(CCorvaneDlg::kHome)->isEnabled());
  EXPECT_EQ(0u, window_->VersionText().find("当前版本："));

  Click(window_->PageButton(CCorvaneDlg::kAll));
  EXPECT_EQ(CCorvaneDlg::kAll, window_->CurrentPage());
  EXPECT_TRUE(window_->PageWidget(CCorvaneDlg::kAll)->isVisible());
  EXPECT_FALSE(window_->PageWidget(CCorvaneDlg::kHome)->isVisible());
  EXPECT_TRUE(window_->PageButton(CCorvaneDlg::kHome)->isEnabled());
  EXPECT_FALSE(window_->PageButton(CCorvaneDlg::kAll)->isEnabled());
  const std::string status = window_->StatusText(0);
  EXPECT_NE(std::string::npos, status.find("款常用软件"));
  EXPECT_NE("0款常用软件", status);  // the pack's catalogue is counted
  EXPECT_TRUE(Control(kSearchEdit)->isVisible());

  Click(window_->PageButton(CCorvaneDlg::kUninstall));
  EXPECT_EQ(CCorvaneDlg::kUninstall, window_->CurrentPage());
  EXPECT_FALSE(window_->PageWidget(CCorvaneDlg::kAll)->isVisible());
  Click(window_->PageButton(CCorvaneDlg::kCommon));
  EXPECT_FALSE(Control(kSearchEdit)->isVisible());
  EXPECT_EQ("欢迎使用Kiv软件管理", window_->StatusText(0));
}

// The program's start: the catalogue loads after the first frame, and until then the window
// takes no input; a hidden start loads too.
TEST_F(MainWindowTest, DeferredLoadingFollowsTheFirstPaintAndBlocksInputMeanwhile) {
  window_->SetDeferredLoading(true);
  window_->Create();
  EXPECT_FALSE(window_->IsSoftwareLoaded());
  EXPECT_EQ(nullptr, window_->Software().FindState(28));
  Click(window_->PageButton(CCorvaneDlg::kAll));
  EXPECT_EQ(CCorvaneDlg::kHome, window_->CurrentPage());
  ASSERT_TRUE(corvane_test::CorvaneCopy::WaitFor([this] {
    QApplication::processEvents();
    return window_->IsSoftwareLoaded();
  }, 10000));
  EXPECT_NE(nullptr, window_->Software().FindState(28));
  Click(window_->PageButton(CCorvaneDlg::kAll));
  EXPECT_EQ(CCorvaneDlg::kAll, window_->CurrentPage());
  EXPECT_NE("0款常用软件", window_->StatusText(0));

  window_.reset();
  window_ = std::make_unique<CCorvaneDlg>();
  window_->SetDeferredLoading(true);
  window_->SetShowAllowed(false);
  window_->Create();
  ASSERT_TRUE(corvane_test::CorvaneCopy::WaitFor([this] {
    QApplication::processEvents();
    return window_->IsSoftwareLoaded();
  }, 10000));
  EXPECT_FALSE(window_->isVisible());
}

// The download list's splitter bar: the toggle tells its page and switches its image, the
// show-all button tells the main window.
TEST_F(MainWindowTest, SplitterBarTellsItsPageAndTheMainWindow) {
  struct Page : VEXO_Dialog {
    Page() : VEXO_Dialog(nullptr, kTopLevel) { resize(640, 300); }
    ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override {
      if (message == CSplitdlg::kMsgToggled) ++toggles;
      return VEXO_Dialog::WindowProc(message, wparam, lparam);
    }
    int toggles = 0;
  } page;
  auto main = std::make_shared<ds::RecordingTarget>();
  const ds::MsgHandle main_handle = ds::RegisterMessageTarget(main);
  CSplitdlg bar(&page, page.GetHandle(), main_handle);
  page.show();
  QWidget* toggle = bar.FindWidget(CSplitdlg::kToggleId);
  const QImage shown = toggle->grab().toImage();
  Click(toggle);
  QApplication::processEvents();
  EXPECT_EQ(1, page.toggles);
  EXPECT_FALSE(bar.IsListShown());
  EXPECT_NE(shown, toggle->grab().toImage());
  EXPECT_EQ(0u, main->Count(kMsgShowAllDownloads));
  Click(bar.FindWidget(CSplitdlg::kShowAllId));
  EXPECT_EQ(1u, main->Count(kMsgShowAllDownloads));
  ds::UnregisterMessageTarget(main_handle);
}

// A home page program sent to the download list (2528) shows the list over the page area until
// the next page switch.
TEST_F(MainWindowTest, HomePageDownloadShowsTheDownloadList) {
  window_->Create();
  ASSERT_EQ(CCorvaneDlg::kHome, window_->CurrentPage());
  EXPECT_FALSE(window_->DownloadList()->isVisible());
  window_->SendMessage(CDialogHomePage::kMsgShowDownloads);
  EXPECT_TRUE(window_->DownloadList()->isVisible());
  Click(window_->PageButton(CCorvaneDlg::kUninstall));
  EXPECT_FALSE(window_->DownloadList()->isVisible());
}

TEST_F(MainWindowTest, HiddenStartStaysHiddenUntilASecondStartAsks) {
  const std::string file = MakeFile("doc.txt");
  window_->SetShowAllowed(false);
  window_->Create();
  EXPECT_FALSE(window_->isVisible());
  window_->HandleForwarded("/a \"" + file + "\"");
  window_->HandleForwarded("/a \"\"");  // a missing file is not queued
  EXPECT_FALSE(window_->isVisible());
  // The file goes straight to the open-with chooser; the manager stays hidden.
  ASSERT_NE(nullptr, window_->Chooser());
  EXPECT_TRUE(window_->Chooser()->isVisible());
  EXPECT_EQ(file, window_->Chooser()->FilePath());
  EXPECT_TRUE(window_->PendingAssociationFiles().empty());
  window_->HandleForwarded("");
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(window_->IsShowAllowed());
}

TEST_F(MainWindowTest, TrayMenuHasTheSwitchUserEntryOnlyWhileLoggedIn) {
  window_->Create();
  window_->SendMessage(kMsgTray, kTrayIconId, vexo_msg::WM_RBUTTONUP);
  ASSERT_NE(nullptr, window_->TrayMenu());
  QList<QAction*> actions = window_->TrayMenu()->actions();
  ASSERT_EQ(4, actions.size());
  EXPECT_EQ("打开", actions[0]->text().toStdString());
  EXPECT_TRUE(actions[1]->isCheckable());
  EXPECT_FALSE(actions[1]->isChecked());
  EXPECT_EQ("退出", actions[3]->text().toStdString());
  window_->TrayMenu()->hide();

  window_->SendMessage(kMsgLoggedIn);
  window_->SendMessage(kMsgTray, kTrayIconId, vexo_msg::WM_RBUTTONUP);
  actions = window_->TrayMenu()->actions();
  ASSERT_EQ(5, actions.size());
  EXPECT_EQ("切换用户", actions[3]->text().toStdString());
  window_->TrayMenu()->hide();
}

// The tray icon through a tray that has no host at first: the one-second retry adds it once a
// host is there, and a host that restarts gets it again.
TEST_F(MainWindowTest, TrayIconIsRetriedUntilAddedAndAddedAgainWhenTheHostRestarts) {
  struct Tray : ds::ITrayShell {
    int NotifyIcon(int action, const ds::TrayIcon&) override {
      if (action == ds::NIM_ADD && host) ++adds;
      return action == ds::NIM_DELETE || host ? 1 : 0;
    }
    bool host = false;
    int adds = 0;
  } tray;
  ds::SetTrayShell(&tray);
  window_->Create();
  EXPECT_FALSE(window_->IsTrayAdded());
  tray.host = true;
  const bool added = corvane_test::CorvaneCopy::WaitFor([this] {
    QApplication::processEvents();
    return window_->IsTrayAdded();
  }, 10000);
  EXPECT_TRUE(added);
  EXPECT_EQ(1, tray.adds);
  // The tray adapter's notice that a (new) host appeared.
  window_->PostMessage(vexo_msg::kMsgTrayHostBack);
  QApplication::processEvents();
  EXPECT_EQ(2, tray.adds);
  EXPECT_TRUE(window_->IsTrayAdded());
  window_.reset();
  ds::SetTrayShell(nullptr);
}

TEST_F(MainWindowTest, CloseWithoutTrayHostMinimisesAndKeepsRunning) {
  window_->Create();
  ASSERT_FALSE(window_->IsTrayAdded());  // offscreen has no tray host
  Click(Control(kClose));
  EXPECT_FALSE(window_->IsExiting());
  EXPECT_TRUE(window_->IsShowAllowed());
  EXPECT_TRUE(window_->isMinimized());
}

TEST_F(MainWindowTest, NoticeOkPostsNothingAndEnablesTheWindowAgain) {
  window_->Create();
  window_->SendMessage(kMsgSettingsSaved);
  CDlgSysMsg* box = window_->NoticeBox();
  ASSERT_TRUE(box->isVisible());
  EXPECT_EQ("成功保存修改", box->GetText());
  EXPECT_FALSE(window_->IsWindowEnabled());
  Click(box->FindWidget(CDlgSysMsg::kIdOk));
  QApplication::processEvents();
  EXPECT_FALSE(box->isVisible());
  EXPECT_TRUE(window_->IsWindowEnabled());
  EXPECT_FALSE(window_->IsExiting());  // OK did not reach the updater's handler
}

TEST_F(MainWindowTest, QuickLaunchAsksAndExitStopsTheDownload) {
  window_->Create();
  SoftwareState* program = window_->Software().FindState(28);
  ASSERT_NE(nullptr, program);
  program->url = "http://127.0.0.1:9/antivirus.exe";  // nothing listens: never leaves this machine
  window_->Software().SetStatus(program, StatusNotInstalled);

  Click(Control(kQuickAntivirus));
  CDlgSysMsg* question = window_->QuestionBox();
  ASSERT_TRUE(question->isVisible());
  EXPECT_EQ("您还未安装杀毒软件，是否立即下载", question->GetText());
  Click(question->FindWidget(CDlgSysMsg::kIdOk));
  QApplication::processEvents();
  EXPECT_EQ(StatusDownloading, program->status);
  EXPECT_EQ(1u, window_->Queue().TaskCount());

  // "退出" from the tray menu, chosen with the keyboard, ends the modal loop.
  QTimer::singleShot(0, [this] {
    window_->SendMessage(kMsgTray, kTrayIconId, vexo_msg::WM_RBUTTONUP);
    QMenu* menu = window_->TrayMenu();
    QTest::keyClick(menu, Qt::Key_Up);
    QTest::keyClick(menu, Qt::Key_Return);
  });
  window_->DoModal();
  EXPECT_TRUE(window_->IsExiting());
  EXPECT_EQ(StatusStopped, program->status);
  EXPECT_TRUE(corvane_test::CorvaneCopy::WaitFor(
      [this] {
        QApplication::processEvents();
        return window_->Queue().AllDownloadersEnded();
      },
      10000));
}

// The update check against a server on this machine: the manifest decides whether to ask, OK
// starts the updater with both versions, a data packet lands in the work path, and a system-wide
// installation never asks.
class UpdateCheckTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    // The program folder is the (writable) work path, so installation updates are offered.
    app_path_ = ds::FileSystem::Instance()->GetAppPath();
    ds::FileSystem::Instance()->Init(dir_.path().c_str());
    ds::FileSystem::Instance()->SetWorkPath(dir_.path().c_str());
    // The stand-in updater's record appears whole (renamed into place): the test reads it as soon
    // as it exists.
    corvane_test::WriteWholeFile(dir_.File("update"),
                                 "#!/bin/sh\necho \"$@\" > updater-args.tmp && mv updater-args.tmp updater-args.txt\n");
    ::chmod(dir_.File("update").c_str(), 0755);
    // Stale pieces of an earlier run would otherwise be resumed: the check deletes them before
    // it starts any download (the task would only clean up its own pair once started).
    for (const char* stale : {"update.xml.tmp", "update.xml.rd2", "soft15.pkg.tmp", "soft15.pkg.rd2"})
      MakeFile(std::string("setup/Temp/") + stale, std::string(4096, 'x'));
    window_->UpdateCheck().SetStartHook([this](const SoftwareState& record) {
      const std::string name = record.url.substr(record.url.rfind('/') + 1);
      for (const char* suffix : {".tmp", ".rd2"})
        stale_left_ += ds::PathExists(dir_.File("setup/Temp/" + name + suffix)) ? 1 : 0;
      ++starts_;
    });
    ASSERT_EQ(0, corvane_test::RunCommand("cd '" + dir_.path() + "' && mkdir pk && echo new-pack > pk/Soft15.dat && "
                                          "cd pk && zip -q ../soft15.zip Soft15.dat"));
    packet_ = corvane_test::ReadWholeFile(dir_.File("soft15.zip"));
    window_->UpdateCheck().SetPublicKey("");  // these cases are a build without an update key
  }
  void TearDown() override {
    server_.reset();
    MainWindowTest::TearDown();
    ds::FileSystem::Instance()->Init(app_path_.c_str());
  }
  // Serves the manifest naming `version` and the packet; files_ may add or drop files.
  void Serve(int version) {
    manifest_ = "<?xml version=\"1.0\"?><root><string name=\"" + std::to_string(version) + "\" /></root>";
    files_["/update/packet/update.xml"] = manifest_;
    files_["/update/packet/soft15.pkg"] = packet_;
    server_ = std::make_unique<corvane_test::HttpServer>(
        [this](const corvane_test::HttpRequest& request, corvane_test::HttpConnection& connection) {
          const auto file = files_.find(request.path);
          if (file == files_.end())
            connection.Send(corvane_test::MakeResponse(404, {}, ""));
          else
            corvane_test::ServeBytes(request, connection, file->second);
        });
    ASSERT_TRUE(server_->Start());
    setenv("CORVANE_UPDATE_URL", server_->Url("/update/packet").c_str(), 1);
  }
  // The detached signature of `bytes` by `secret_key`, as the signing tool makes it.
  std::string SignatureOf(const std::string& bytes, const std::string& secret_key) {
    corvane_test::WriteWholeFile(dir_.File("to-sign"), bytes);
    EXPECT_TRUE(ds::SignFile(secret_key, dir_.File("to-sign"), dir_.File("to-sign.sig")));
    return corvane_test::ReadWholeFile(dir_.File("to-sign.sig"));
  }
  bool Pump(const std::function<bool()>& done, int timeout_ms = 20000) {
    return corvane_test::CorvaneCopy::WaitFor([&] {
      QApplication::processEvents();
      return done();
    }, timeout_ms);
  }

  std::string app_path_;
  std::string manifest_;
  std::string packet_;
  std::map<std::string, std::string> files_;
  int stale_left_ = 0;  // stale pieces still there when a download started
  int starts_ = 0;
  std::unique_ptr<corvane_test::HttpServer> server_;
};

TEST_F(UpdateCheckTest, SameVersionAsksNothingAndThePacketArrives) {
  Serve(14);
  window_->Create();
  ASSERT_TRUE(Pump([&] { return !window_->UpdateCheck().Running() && window_->UpdateCheck().started(); }));
  EXPECT_EQ(14, window_->UpdateCheck().server_version());
  EXPECT_FALSE(window_->QuestionBox()->isVisible());
  EXPECT_EQ("new-pack\n", corvane_test::ReadWholeFile(dir_.File("Soft15.dat")));
  EXPECT_EQ(2, starts_);
  EXPECT_EQ(0, stale_left_);
  // Later ticks start nothing more.
  const int requests = server_->request_count();
  Pump([] { return false; }, 2000);  // 50 ticks
  EXPECT_EQ(requests, server_->request_count());
}

TEST_F(UpdateCheckTest, NewerVersionAsksAndOkStartsTheUpdater) {
  Serve(15);
  window_->Create();
  ASSERT_TRUE(Pump([&] { return window_->QuestionBox()->isVisible(); }));
  EXPECT_EQ("发现新版本，现在是否进行更新？", window_->QuestionBox()->GetText());
  EXPECT_FALSE(window_->IsWindowEnabled());
  Click(window_->QuestionBox()->FindWidget(CDlgSysMsg::kIdOk));
  ASSERT_TRUE(Pump([&] { return ds::PathExists(dir_.File("updater-args.txt")); }));
  EXPECT_EQ("-c14 -s15\n", corvane_test::ReadWholeFile(dir_.File("updater-args.txt")));
  EXPECT_TRUE(window_->IsExiting());
}

TEST_F(UpdateCheckTest, CancelLeavesTheWindowUsable) {
  Serve(16);
  window_->Create();
  ASSERT_TRUE(Pump([&] { return window_->QuestionBox()->isVisible(); }));
  Click(window_->QuestionBox()->FindWidget(CDlgSysMsg::kIdCancel));
  QApplication::processEvents();
  EXPECT_TRUE(window_->IsWindowEnabled());
  EXPECT_FALSE(window_->IsExiting());
}

// A system-wide installation: the program folder is not writable for this user (root writes
// anywhere, so writability is decided for the test), the work path lies elsewhere, a newer pack
// is never offered, and the data packet still lands in the work path.
TEST_F(UpdateCheckTest, SystemWideInstallNeverOffersTheUpdateButTakesThePacket) {
  const std::string program = dir_.File("program");
  ASSERT_TRUE(ds::MakeDirectories(program, 0755));
  const char* old_data_home = std::getenv("XDG_DATA_HOME");
  const std::string saved_data_home = old_data_home ? old_data_home : "";
  setenv("XDG_DATA_HOME", dir_.File("data").c_str(), 1);
  const std::string work = ds::ChooseWorkPath(program, [](const std::string&) { return false; });
  if (old_data_home) setenv("XDG_DATA_HOME", saved_data_home.c_str(), 1); else unsetenv("XDG_DATA_HOME");
  ASSERT_EQ(ds::JoinPath(dir_.File("data"), "corvane"), work);
  ds::FileSystem::Instance()->Init(program.c_str());
  ds::FileSystem::Instance()->SetWorkPath(work.c_str());

  Serve(15);
  window_->Create();
  ASSERT_TRUE(Pump([&] { return !window_->UpdateCheck().Running() && window_->UpdateCheck().started(); }));
  EXPECT_EQ(15, window_->UpdateCheck().server_version());
  QApplication::processEvents();
  EXPECT_FALSE(window_->QuestionBox()->isVisible());
  EXPECT_TRUE(window_->IsWindowEnabled());
  EXPECT_EQ("new-pack\n", corvane_test::ReadWholeFile(ds::JoinPath(work, "Soft15.dat")));
  EXPECT_FALSE(ds::PathExists(ds::JoinPath(program, "Soft15.dat")));
}

// With an update key: signed files are taken, and a manifest signed by another key or a packet
// without a signature is refused (logged, deleted, nothing installed, nothing asked).
TEST_F(UpdateCheckTest, WithAKeyOnlyTheKeysSignaturesAreTaken) {
  std::string key, secret, other_key, other_secret;
  ASSERT_TRUE(ds::MakeSigningKeyPair(&key, &secret));
  ASSERT_TRUE(ds::MakeSigningKeyPair(&other_key, &other_secret));
  struct Capture : ds::LogOutBase {
    void Print(const char* line) override { text += line; }
    bool IsInMe(const char*) override { return true; }
    std::string text;
  } log;
  ds::LoggerHolder::Instance()->AddAppender(&log);
  window_->UpdateCheck().SetPublicKey(key);
  Serve(15);
  files_["/update/packet/update.xml.sig"] = SignatureOf(manifest_, other_secret);
  window_->Create();
  ASSERT_TRUE(Pump([&] { return !window_->UpdateCheck().Running() && window_->UpdateCheck().started(); }));
  QApplication::processEvents();
  ds::LoggerHolder::Instance()->RemoveAppender(&log);
  EXPECT_FALSE(window_->QuestionBox()->isVisible());
  EXPECT_EQ(1, window_->UpdateCheck().server_version());
  EXPECT_FALSE(ds::PathExists(dir_.File("Update.xml")));
  EXPECT_FALSE(ds::PathExists(dir_.File("Soft15.dat")));
  EXPECT_FALSE(ds::PathExists(dir_.File("soft15.pkg")));
  EXPECT_NE(std::string::npos, log.text.find("update.xml is not signed by the update key; refused."));
  EXPECT_NE(std::string::npos, log.text.find("soft15.pkg has no signature; refused."));

  // The same files signed by the key: the packet goes in and the question comes.
  window_.reset();
  window_ = std::make_unique<CCorvaneDlg>();
  window_->UpdateCheck().SetPublicKey(key);
  files_["/update/packet/update.xml.sig"] = SignatureOf(manifest_, secret);
  files_["/update/packet/soft15.pkg.sig"] = SignatureOf(packet_, secret);
  window_->Create();
  ASSERT_TRUE(Pump([&] { return window_->QuestionBox()->isVisible(); }));
  ASSERT_TRUE(Pump([&] { return !window_->UpdateCheck().Running(); }));
  EXPECT_EQ("new-pack\n", corvane_test::ReadWholeFile(dir_.File("Soft15.dat")));
  // The updater checks the manifest again, so its signature comes along.
  EXPECT_EQ(ds::SignatureCheck::kValid,
            ds::UpdateVerifier(key).Check(dir_.File("Update.xml"), dir_.File("Update.xml.sig")));
}

}  // namespace
