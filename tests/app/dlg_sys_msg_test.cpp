// The message box with real clicks: its two modes, what OK, Cancel and the close button post,
// a box without an owner, and dragging only by its top band.
#include "app/home/dlg_sys_msg.h"

#include <QApplication>
#include <QTest>

#include <memory>

#include <gtest/gtest.h>

#include "core/thread/message_target.h"
#include "tests/app/corvane_fixture.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "core/files/file_system.h"

namespace {

class DlgSysMsgTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "dlg_sys_msg_test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
    ds::FileSystem::Instance()->SetWorkPath(corvane_test::DistDirectory().c_str());
    VEXO_ResourceMgr::Instance()->Init("soft.dat", "kfqe~rmt@zp!4821~vcn");
  }
  static void TearDownTestSuite() { VEXO_ResourceMgr::Instance()->Fini(); }

  void SetUp() override {
    target_ = std::make_shared<ds::RecordingTarget>();
    owner_ = ds::RegisterMessageTarget(target_);
  }
  void TearDown() override { ds::UnregisterMessageTarget(owner_); }

  void Click(unsigned id) {
    QWidget* button = box_.FindWidget(id);
    ASSERT_NE(nullptr, button);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
  }

  std::shared_ptr<ds::RecordingTarget> target_;
  ds::MsgHandle owner_ = 0;
  CDlgSysMsg box_;
};

TEST_F(DlgSysMsgTest, ModesPlaceTheButtonsAndAnswersArePosted) {
  box_.ShowMessage(owner_, 0, "notice");
  QWidget* ok = box_.FindWidget(CDlgSysMsg::kIdOk);
  QWidget* cancel = box_.FindWidget(CDlgSysMsg::kIdCancel);
  EXPECT_FALSE(cancel->isVisible());
  EXPECT_EQ(box_.width() / 2, ok->geometry().center().x() + 1);

  box_.ShowMessage(owner_, 1, "question");
  EXPECT_TRUE(cancel->isVisible());
  EXPECT_EQ(box_.width() / 2 - 9, ok->geometry().right() + 1);
  EXPECT_EQ(box_.width() / 2 + 9, cancel->geometry().left());
  box_.SetOkMessage(0x41B, 28, 0);
  Click(CDlgSysMsg::kIdOk);
  EXPECT_FALSE(box_.isVisible());

  box_.ShowMessage(owner_, 1, "question");
  Click(CDlgSysMsg::kIdCancel);
  box_.ShowMessage(owner_, 0, "notice");
  Click(CDlgSysMsg::kIdClose);
  QApplication::processEvents();
  const auto messages = target_->Take();
  ASSERT_EQ(3u, messages.size());
  EXPECT_EQ(0x41Bu, messages[0].message);
  EXPECT_EQ(28u, messages[0].wparam);
  EXPECT_EQ(CDlgSysMsg::kDefaultCancel, messages[1].message);
  EXPECT_EQ(CDlgSysMsg::kDefaultCancel, messages[2].message);

  // Without an owner nothing is posted anywhere; an OK id of 0 posts nothing either.
  box_.ShowMessage(0, 1, "orphan");
  Click(CDlgSysMsg::kIdOk);
  box_.ShowMessage(owner_, 0, "notice");
  box_.SetOkMessage(0);
  Click(CDlgSysMsg::kIdOk);
  QApplication::processEvents();
  EXPECT_TRUE(target_->Take().empty());
}

TEST_F(DlgSysMsgTest, DragsOnlyByTheTopBand) {
  box_.ShowMessage(owner_, 0, "drag me");
  const QPoint start = box_.pos();
  auto drag = [this](int y) {
    QTest::mousePress(&box_, Qt::LeftButton, Qt::NoModifier, QPoint(60, y));
    QTest::mouseMove(&box_, QPoint(120, y + 40));
    QTest::mouseRelease(&box_, Qt::LeftButton, Qt::NoModifier, QPoint(120, y + 40));
  };
  drag(60);
  EXPECT_EQ(start, box_.pos());
  drag(10);
  EXPECT_NE(start, box_.pos());
}

}  // namespace
