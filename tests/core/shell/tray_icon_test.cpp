#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/thread/message_target.h"
#include "core/shell/tray_icon.h"

namespace {

// Records every action with a copy of the record as the shell saw it.
class FakeShell : public ds::ITrayShell {
 public:
  struct Call {
    int action;
    ds::TrayIconRecord record;
  };
  int NotifyIcon(int action, const ds::TrayIcon& record) override {
    calls.push_back(Call{action, record});
    return result;
  }
  std::vector<Call> calls;
  int result = 1;
};

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ds::SetTrayShell(&shell_);
    window_ = ds::RegisterMessageTarget(std::make_shared<ds::RecordingTarget>());
  }
  void TearDown() override {
    ds::UnregisterMessageTarget(window_);
    ds::SetTrayShell(nullptr);
  }
  const FakeShell::Call& Last() { return shell_.calls.back(); }

  FakeShell shell_;
  ds::MsgHandle window_ = 0;
  int icon_a_ = 0, icon_b_ = 0;  // addresses serve as opaque icons
};

TEST_F(TrayIconTest, AddModifyDeleteAndDestruction) {
  {
    ds::TrayIcon tray;
    EXPECT_EQ(tray.size, 488u);
    EXPECT_EQ(tray.Init(7, nullptr, "tip", window_, 0x40D), 1);  // nothing shown: nothing to do
    EXPECT_TRUE(shell_.calls.empty());

    ASSERT_EQ(tray.Init(0x401, &icon_a_, "Kiv软件管理", window_, 0x40D), 1);
    EXPECT_EQ(Last().action, ds::NIM_ADD);
    EXPECT_EQ(Last().record.id, 0x401u);
    EXPECT_EQ(Last().record.icon, &icon_a_);
    EXPECT_EQ(Last().record.flags, ds::NIF_ICON | ds::NIF_TIP | ds::NIF_MESSAGE);
    EXPECT_STREQ(Last().record.tip, "Kiv软件管理");
    EXPECT_EQ(Last().record.window, window_);
    EXPECT_EQ(Last().record.callback_message, 0x40Du);

    ASSERT_EQ(tray.Init(0x401, &icon_b_, nullptr, 0, 0), 1);
    EXPECT_EQ(Last().action, ds::NIM_MODIFY);
    EXPECT_EQ(Last().record.icon, &icon_b_);
    EXPECT_EQ(Last().record.flags, ds::NIF_ICON);

    ASSERT_EQ(tray.Init(0x401, nullptr, nullptr, 0, 0), 1);
    EXPECT_EQ(Last().action, ds::NIM_DELETE);
    EXPECT_EQ(tray.icon, nullptr);

    tray.Init(0x401, &icon_a_, nullptr, 0, 0);
    EXPECT_EQ(Last().action, ds::NIM_ADD);  // shown again after removal
    shell_.calls.clear();
  }
  ASSERT_EQ(shell_.calls.size(), 1u);  // the destructor removes the shown icon
  EXPECT_EQ(shell_.calls[0].action, ds::NIM_DELETE);

  shell_.calls.clear();
  {
    ds::TrayIcon tray;
    EXPECT_EQ(tray.Delete(), 1);  // never added: nothing to remove
    EXPECT_TRUE(shell_.calls.empty());
    tray.Init(4, &icon_a_, nullptr, 0, 0);
    EXPECT_EQ(tray.Delete(), 1);
  }
  EXPECT_EQ(shell_.calls.size(), 2u);  // add and one delete, not a second one on destruction
}

TEST_F(TrayIconTest, CallbackNeedsAMessageAndALiveWindow) {
  ds::TrayIcon tray;
  tray.Init(1, &icon_a_, nullptr, window_, 0);
  EXPECT_EQ(Last().record.flags, ds::NIF_ICON);

  ds::MsgHandle gone = ds::RegisterMessageTarget(std::make_shared<ds::RecordingTarget>());
  ds::UnregisterMessageTarget(gone);
  tray.Init(1, &icon_a_, nullptr, gone, 0x40D);
  EXPECT_EQ(Last().record.flags, ds::NIF_ICON);
  EXPECT_EQ(Last().record.window, gone);

  tray.Init(1, &icon_a_, nullptr, window_, 0x40D);
  EXPECT_EQ(Last().record.flags, ds::NIF_ICON | ds::NIF_MESSAGE);
}

TEST_F(TrayIconTest, ShowTipFlagsAndByteLimits) {
  ds::TrayIcon tray;
  tray.Init(1, &icon_a_, "tip", window_, 0x40D);
  EXPECT_EQ(tray.ShowTip(nullptr, nullptr, 10000, ds::NIIF_INFO), 1);
  EXPECT_EQ(Last().action, ds::NIM_MODIFY);
  EXPECT_EQ(Last().record.flags, ds::NIF_INFO);
  EXPECT_STREQ(Last().record.info, "");
  EXPECT_STREQ(Last().record.info_title, "");
  EXPECT_EQ(Last().record.timeout, 10000u);
  EXPECT_EQ(Last().record.info_flags, ds::NIIF_INFO);

  tray.ShowTip(std::string(300, 'x').c_str(), std::string(100, 'y').c_str(), 5000, ds::NIIF_WARNING);
  EXPECT_EQ(std::string(Last().record.info), std::string(255, 'x'));
  EXPECT_EQ(std::string(Last().record.info_title), std::string(63, 'y'));

  // Three-byte characters: 127 bytes hold 42 whole ones, 255 hold 85, 63 after "a" hold 20.
  std::string han;
  for (int i = 0; i < 100; ++i) han += "中";
  tray.Init(1, &icon_a_, han.c_str(), 0, 0);
  EXPECT_EQ(std::string(Last().record.tip), han.substr(0, 126));
  tray.ShowTip(han.c_str(), ("a" + han).c_str(), 1, 0);
  EXPECT_EQ(std::string(Last().record.info), han.substr(0, 255));
  EXPECT_EQ(std::string(Last().record.info_title), ("a" + han).substr(0, 61));

  char small[6];
  ds::CopyUtf8Truncated(small, sizeof(small), "ab\xF0\x9F\x98\x80");  // 4-byte character cut
  EXPECT_STREQ(small, "ab");
  ds::CopyUtf8Truncated(small, sizeof(small), "ab\xE4\xB8\xAD");  // fits exactly
  EXPECT_STREQ(small, "ab\xE4\xB8\xAD");
}

// No tray (or a shell not ready yet) fails the add; the retry is an add again, not a modify.
TEST_F(TrayIconTest, FailedAddIsRetriedAsAnAdd) {
  ds::SetTrayShell(nullptr);
  ds::TrayIcon tray;
  EXPECT_EQ(tray.Init(1, &icon_a_, "tip", window_, 0x40D), 0);
  EXPECT_EQ(tray.ShowTip("text", "title", 1000, ds::NIIF_INFO), 0);

  ds::SetTrayShell(&shell_);
  shell_.result = 0;
  EXPECT_EQ(tray.Init(1, &icon_a_, "tip", window_, 0x40D), 0);
  EXPECT_EQ(Last().action, ds::NIM_ADD);
  shell_.result = 1;
  EXPECT_EQ(tray.Init(1, &icon_a_, "tip", window_, 0x40D), 1);
  EXPECT_EQ(Last().action, ds::NIM_ADD);
  EXPECT_TRUE(tray.IsAdded());

  // After a shell restart the record is cleared and the icon added afresh.
  tray.ShowTip("text", "title", 1000, ds::NIIF_INFO);
  tray.ClearInfo();
  EXPECT_EQ(tray.size, 488u);
  EXPECT_EQ(tray.icon, nullptr);
  EXPECT_EQ(tray.window, 0);
  EXPECT_STREQ(tray.tip, "");
  EXPECT_STREQ(tray.info, "");
  tray.Init(1, &icon_a_, "tip", window_, 0x40D);
  EXPECT_EQ(Last().action, ds::NIM_ADD);
}

TEST_F(TrayIconTest, IconStillShownAfterARefusedRemovalGoesWithTheObject) {
  {
    ds::TrayIcon tray;
    ASSERT_EQ(tray.Init(1, &icon_a_, "tip", window_, 0x40D), 1);
    shell_.result = 0;
    EXPECT_EQ(tray.Init(1, nullptr, nullptr, 0, 0), 0);  // the shell refused the removal
    shell_.result = 1;
    shell_.calls.clear();
  }
  ASSERT_EQ(shell_.calls.size(), 1u);
  EXPECT_EQ(shell_.calls[0].action, ds::NIM_DELETE);
}

}  // namespace
