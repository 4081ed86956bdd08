#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QCloseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/crypto/update_signature.h"
#include "core/thread/message_target.h"
#include "tests/common/temp_dir.h"
#include "update/packet_downloader.h"
#include "update/update_dialog.h"
#include "update/update_messages.h"
#include "update/update_settings.h"

namespace {

using corvane_test::TempDir;
using update::CUpdateDlg;

// Answers the questions from a script and records what the window asked for.
class FakeActions : public update::UpdateDialogActions {
 public:
  std::deque<bool> answers;
  std::vector<std::string> questions;
  std::vector<std::string> opened;
  std::vector<std::string> restarts;

  bool Ask(QWidget*, const QString& text) override {
    questions.push_back(text.toStdString());
    const bool answer = !answers.empty() && answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }
  void OpenUrl(const std::string& url) override { opened.push_back(url); }
  void RestartUpdater(const std::string& directory, int current, int target) override {
    restarts.push_back(directory + " " + std::to_string(current) + " " + std::to_string(target));
  }
};

class UpdateDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int argc = 1;
    static char* argv[] = {const_cast<char*>("update_dialog_test"), nullptr};
    static QApplication* app = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    (void)app;
  }

  // A window over a folder without a manifest: no worker runs, the test plays the worker.
  std::unique_ptr<CUpdateDlg> MakeDialog() {
    auto dialog = std::make_unique<CUpdateDlg>(dir_.path(), update::UpdateVersions{12, 14},
                                               "http://127.0.0.1:9/update/packet", &actions_, &downloader_);
    dialog->Initialise();
    return dialog;
  }

  // Runs the window with `script` queued to run inside its loop; returns the end result.
  int RunWith(CUpdateDlg& dialog, std::function<void()> script) {
    QTimer::singleShot(0, &dialog, std::move(script));
    QTimer::singleShot(20000, &dialog, [&dialog] { dialog.done(-1); });  // a hung test fails
    return dialog.RunModal();
  }

  TempDir dir_;
  FakeActions actions_;
  update::CurlPacketDownloader downloader_;
};

QProgressBar* Bar(CUpdateDlg& dialog, int id) {
  return dialog.findChild<QProgressBar*>(QStringLiteral("control%1").arg(id));
}
QPushButton* Button(CUpdateDlg& dialog, int id) {
  return dialog.findChild<QPushButton*>(QStringLiteral("control%1").arg(id));
}

TEST_F(UpdateDialogTest, ControlsTextsAndProgressMessages) {
  auto dialog = MakeDialog();
  EXPECT_FALSE(dialog->worker_started());  // no manifest: nothing to do
  EXPECT_EQ("正在更新程序，请稍候...", dialog->windowTitle().toStdString());
  for (auto [id, text] : {std::pair{update::kIdHide, "隐藏"}, {update::kIdClose, "关闭"}, {update::kIdManual, "手动下载"}}) {
    ASSERT_NE(nullptr, Button(*dialog, id));
    EXPECT_EQ(text, Button(*dialog, id)->text().toStdString());
  }
  // The offscreen platform has no notification area: hiding would lose the window.
  EXPECT_FALSE(Button(*dialog, update::kIdHide)->isEnabled());

  QProgressBar* current = Bar(*dialog, update::kIdCurrentBar);
  QProgressBar* overall = Bar(*dialog, update::kIdOverallBar);
  ASSERT_TRUE(current && overall);
  EXPECT_EQ(100, overall->maximum());
  EXPECT_EQ(100, current->maximum());

  const ds::MsgHandle h = dialog->handle();
  struct Case {
    unsigned message;
    long long w, l;
    QProgressBar* bar;
    int expected;
  } cases[] = {
      {update::kMsgOverallProgress, 1, 3, overall, 33},
      {update::kMsgOverallProgress, 2, 0, overall, 0},
      {update::kMsgOverallProgress, 3, 3, overall, 100},
      {update::kMsgDownloadProgress, 50, 200, current, 25},
      {update::kMsgDownloadProgress, 5, 0, current, 0},
      {update::kMsgDownloadProgress, 3000000000LL, 4000000000LL, current, 75},  // past 32 bits
  };
  for (const Case& c : cases) {
    EXPECT_EQ(1, ds::PostMessageTo(h, c.message, static_cast<ds::WParam>(c.w), static_cast<ds::LParam>(c.l)));
    QApplication::processEvents();
    EXPECT_EQ(c.expected, c.bar->value()) << c.message << " " << c.w << "/" << c.l;
  }

  // Manual download opens the vendor's site.
  QTest::mouseClick(Button(*dialog, update::kIdManual), Qt::LeftButton);
  ASSERT_EQ(1u, actions_.opened.size());
  EXPECT_EQ(update::kVendorSiteUrl, actions_.opened[0]);
}

TEST_F(UpdateDialogTest, EndsWithOkOnlyWhenTheWorkerIsDone) {
  auto dialog = MakeDialog();
  const ds::MsgHandle h = dialog->handle();
  int result = RunWith(*dialog, [&] {
    dialog->hide();  // hiding never ends the window
    QTest::keyClick(dialog.get(), Qt::Key_Return);  // nor does Enter
    QTimer::singleShot(30, [h] { ds::PostMessageTo(h, update::kMsgUpdateDone, 0, 0); });
  });
  EXPECT_EQ(QDialog::Accepted, result);

  for (auto how : {0, 1, 2}) {
    auto other = MakeDialog();
    CUpdateDlg* d = other.get();
    result = RunWith(*d, [d, how] {
      if (how == 0) QTest::mouseClick(Button(*d, update::kIdClose), Qt::LeftButton);
      if (how == 1) QTest::keyClick(d, Qt::Key_Escape);
      if (how == 2) d->close();
    });
    EXPECT_EQ(QDialog::Rejected, result) << how;
    // A late "done" from the worker does not turn a cancel into success.
    ds::PostMessageTo(d->handle(), update::kMsgUpdateDone, 0, 0);
    QApplication::processEvents();
    EXPECT_EQ(QDialog::Rejected, d->result());
  }
  EXPECT_TRUE(actions_.restarts.empty());
}

TEST_F(UpdateDialogTest, DownloadErrorOffersRestartThenManualDownload) {
  struct Flow {
    std::deque<bool> answers;
    std::size_t questions;
    std::vector<std::string> restarts;
    std::vector<std::string> opened;
  } flows[] = {
      {{true}, 1, {dir_.path() + " 12 14"}, {}},
      {{false, true}, 2, {}, {update::kVendorDownloadUrl}},
      {{false, false}, 2, {}, {}},
  };
  for (const Flow& flow : flows) {
    actions_ = FakeActions();
    actions_.answers = flow.answers;
    auto dialog = MakeDialog();
    const ds::MsgHandle h = dialog->handle();
    const int result = RunWith(*dialog, [h] {
      ds::PostMessageTo(h, update::kMsgDownloadError, 0, 0);
      ds::PostMessageTo(h, update::kMsgDownloadError, 0, 0);  // a repeat is not asked twice
    });
    EXPECT_EQ(QDialog::Rejected, result);
    QApplication::processEvents();
    ASSERT_EQ(flow.questions, actions_.questions.size());
    EXPECT_EQ("更新错误，是否重新更新？", actions_.questions[0]);
    if (flow.questions > 1) {
      EXPECT_EQ("是否手动下载更新？", actions_.questions[1]);
    }
    EXPECT_EQ(flow.restarts, actions_.restarts);
    EXPECT_EQ(flow.opened, actions_.opened);
  }
}

// A manifest that is there but cannot be read brings up the error dialog (real message boxes,
// answered with mouse clicks) instead of leaving an idle window.
TEST_F(UpdateDialogTest, DamagedManifestShowsTheErrorDialog) {
  struct OutsideOnly : update::UpdateDialogActions {
    std::vector<std::string> opened, restarts;
    void OpenUrl(const std::string& url) override { opened.push_back(url); }
    void RestartUpdater(const std::string&, int, int) override { restarts.push_back("restart"); }
  };
  // With an update key, a well-formed manifest signed by another key is as bad.
  std::string key, secret, other_key, other_secret;
  ASSERT_TRUE(ds::MakeSigningKeyPair(&key, &secret));
  ASSERT_TRUE(ds::MakeSigningKeyPair(&other_key, &other_secret));
  const std::string good = "<update><string name=\"14\" value=\"ab\"/></update>";
  const std::string manifests[] = {"", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe", 18),
                                   "<update><string name=\"13\" value=\"ab", good};
  for (const std::string& manifest : manifests) {
    TempDir dir;
    corvane_test::WriteWholeFile(dir.File("Update.xml"), manifest);
    OutsideOnly actions;
    CUpdateDlg dialog(dir.path(), update::UpdateVersions{12, 14}, "http://127.0.0.1:9/update/packet", &actions,
                      &downloader_);
    dialog.SetPublicKey("");
    if (manifest == good) {
      ASSERT_TRUE(ds::SignFile(other_secret, dir.File("Update.xml"), dir.File("Update.xml.sig")));
      dialog.SetPublicKey(key);
    }
    // "Retry?" is cancelled, "download by hand?" accepted.
    std::vector<std::string> asked;
    std::function<void()> answer = [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box != nullptr) {
        asked.push_back(box->text().toStdString());
        const QString wanted = asked.size() == 1 ? QStringLiteral("取消") : QStringLiteral("确定");
        for (QAbstractButton* button : box->buttons()) {
          if (button->text() == wanted) QTest::mouseClick(button, Qt::LeftButton);
        }
      }
      if (asked.size() < 2) QTimer::singleShot(10, answer);
    };
    QTimer::singleShot(10, answer);
    QTimer::singleShot(20000, &dialog, [&dialog] {  // a hung test fails
      if (QWidget* box = QApplication::activeModalWidget()) box->close();
      dialog.done(-1);
    });
    EXPECT_EQ(QDialog::Rejected, dialog.RunModal());
    EXPECT_FALSE(dialog.worker_started());
    EXPECT_EQ((std::vector<std::string>{"更新错误，是否重新更新？", "是否手动下载更新？"}), asked);
    EXPECT_EQ((std::vector<std::string>{update::kVendorDownloadUrl}), actions.opened);
    EXPECT_TRUE(actions.restarts.empty());
  }
  // Signed by the key, the same manifest sets the worker going.
  TempDir dir;
  corvane_test::WriteWholeFile(dir.File("Update.xml"), good);
  ASSERT_TRUE(ds::SignFile(secret, dir.File("Update.xml"), dir.File("Update.xml.sig")));
  CUpdateDlg dialog(dir.path(), update::UpdateVersions{13, 14}, "http://127.0.0.1:9/update/packet", &actions_,
                    &downloader_);
  dialog.SetPublicKey(key);
  dialog.Initialise();
  EXPECT_TRUE(dialog.worker_started());
  EXPECT_TRUE(dialog.StopWorker(20000));
}

// The notice an installation this user cannot write to gets: the package manager's sentence,
// closed with its 确定 button.
TEST_F(UpdateDialogTest, PackageManagerNoticeClosesWithItsButton) {
  std::string shown;
  int clicks = 0;
  std::function<void()> answer = [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text().toStdString();
      for (QAbstractButton* button : box->buttons()) {
        if (button->text() == QStringLiteral("确定")) {
          ++clicks;
          QTest::mouseClick(button, Qt::LeftButton);
        }
      }
      return;
    }
    QTimer::singleShot(10, answer);
  };
  QTimer::singleShot(10, answer);
  update::UpdateDialogActions().Tell(nullptr, QString::fromUtf8(update::kPackageManagerNotice));
  EXPECT_EQ("请使用系统的软件包管理器更新", shown);
  EXPECT_EQ(1, clicks);
}

}  // namespace
