// The home page offscreen with the real skin and catalogue of the build's pack, its own work
// folder and settings, and the messaging link pumped as the main window's timer would.
#pragma once

#include <QApplication>
#include <QTest>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "app/catalogue/software_mgr.h"
#include "app/home/dialog_home_page.h"
#include "app/home/dlg_sys_msg.h"
#include "app/home/kiv_net_msg.h"
#include "tests/app/catalogue_fixture.h"
#include "tests/app/corvane_fixture.h"
#include "tests/app/window_fixture.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/edit_pass.h"

namespace corvane_test {

class HomePageFixture : public CatalogueFixture {
 protected:
  static void SetUpTestSuite() {
    corvane_test::EnsureApplication("home_page_test");
  }

  void SetUp() override {
    CatalogueFixture::SetUp();
    corvane_test::LoadDistPack();
    config_ = std::make_unique<CMgrConfig>();
    config_->SetDownloadDir(dir_.File("downloads").c_str());
    SetMgrConfig(config_.get());
    software_ = std::make_unique<SoftwareMgr>();
    SetSoftwareMgr(software_.get());
    software_->LoadCategories();
    software_->LoadCommonCategories();
    software_->BuildStates();
  }

  // Builds the page (after a test has arranged the states and files it needs).
  void OpenPage(unsigned port = 9) {
    config_->SetString("server", "127.0.0.1");
    config_->SetInteger("port", static_cast<int>(port));
    config_->WriteSettingsFile();
    config_->LoadSettings();
    config_->SetDownloadDir(dir_.File("downloads").c_str());
    net_ = std::make_shared<CKivNetMsg>();
    page_ = std::make_unique<CDialogHomePage>(nullptr, *software_);
    page_->Attach(net_, 0, dir_.path());
    page_->show();
  }

  void TearDown() override {
    page_.reset();
    net_.reset();
    SetSoftwareMgr(nullptr);
    software_.reset();
    SetMgrConfig(nullptr);
    config_.reset();
    VEXO_ResourceMgr::Instance()->Fini();
    CatalogueFixture::TearDown();
  }

  // Runs the window's events and the 40 ms pump until `done` holds (false after 30 s).
  bool PumpUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      QApplication::processEvents();
      if (!net_->Pump()) {
        page_->OnIdleTick();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    }
    return true;
  }

  QWidget* Control(unsigned id) { return page_->FindWidget(id); }
  void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center()); }
  void Type(unsigned id, const QString& text) {
    QWidget* edit = Control(id);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    // Characters beyond ASCII arrive as key events that carry only their text, as from an input
    // method.
    for (const QChar ch : text) {
      if (ch.unicode() < 0x80)
        QTest::keyClick(edit, ch.toLatin1());
      else
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
  }
  // Types the account and password and presses the login button.
  void LogIn(const QString& account, const QString& password) {
    Type(CDialogHomePage::kIdAccount, account);
    Type(CDialogHomePage::kIdPassword, password);
    Click(Control(CDialogHomePage::kIdLogin));
  }
  std::string PopupText() { return page_->Popup()->isVisible() ? page_->Popup()->GetText() : std::string(); }

  std::unique_ptr<CMgrConfig> config_;
  std::unique_ptr<SoftwareMgr> software_;
  std::shared_ptr<CKivNetMsg> net_;
  std::unique_ptr<CDialogHomePage> page_;
};

}  // namespace corvane_test
