// The home page against the real corvane-server on 127.0.0.1, typed into and clicked: logins
// accepted and refused with each code's text, the account limits checked before connecting, the
// lists uploaded (logged in) and read back at the next login, a site list of three chunks, and
// logout restoring the defaults.
#include <gtest/gtest.h>

#include "app/home/dlg_user_info.h"
#include "core/net/account_wire.h"
#include "tests/app/home_page_fixture.h"
#include "tests/common/account_server.h"

namespace {

using corvane_test::AccountServer;

class HomeServerTest : public corvane_test::HomePageFixture {
 protected:
  void SetUp() override {
    HomePageFixture::SetUp();
    ASSERT_TRUE(server_.AddUser("alice", "pass1", "小红", 2));
    ASSERT_TRUE(server_.AddUser("一二三四五六七八九十", "密码", "", 1));
    ASSERT_TRUE(server_.AddUser("carol", "pass3"));
    ASSERT_TRUE(server_.AddUser("dave", "pass4"));
    ASSERT_EQ(0, server_.Command({"user", "disable", "carol"}));
    ASSERT_TRUE(server_.Start({"--account-failures", "3", "--address-failures", "100"}));
    OpenPage(static_cast<unsigned>(server_.port()));
  }

  // Logs in and waits for the answer: "" when accepted, else the popup's text.
  std::string LogInAndWait(const QString& account, const QString& password) {
    LogIn(account, password);
    EXPECT_TRUE(PumpUntil([&] { return page_->IsLoggedIn() || page_->Popup()->isVisible(); }));
    // The account's lists follow the acceptance on the same connection.
    EXPECT_TRUE(PumpUntil([&] { return page_->Session().CurrentMode() == HomeSession::Mode::kIdle; }));
    return page_->IsLoggedIn() ? std::string() : PopupText();
  }

  void LogOut() {
    page_->Logout();
    page_->Popup()->hide();
  }

  AccountServer server_;
};

TEST_F(HomeServerTest, LoginIsAcceptedOrRefusedWithTheServersCode) {
  EXPECT_EQ("找不到此帐号", LogInAndWait("nobody", "x"));
  EXPECT_TRUE(Control(CDialogHomePage::kIdLogin)->isEnabled());
  EXPECT_EQ("", static_cast<VEXO_EditPass*>(Control(CDialogHomePage::kIdPassword))->GetRealText());
  EXPECT_EQ("此帐号已被禁止登录！", LogInAndWait("carol", "pass3"));
  EXPECT_EQ("密码错误，请查证后再次登录 ", LogInAndWait("dave", "wrong"));
  EXPECT_EQ("密码错误，请查证后再次登录 ", LogInAndWait("dave", "wrong"));
  EXPECT_EQ("密码错误，请查证后再次登录 ", LogInAndWait("dave", "wrong"));
  EXPECT_EQ("系统繁忙，请稍后再试！", LogInAndWait("dave", "pass4"));  // the failure limit
  page_->Popup()->hide();

  EXPECT_EQ("", LogInAndWait("一二三四五六七八九十", "密码"));  // 20 GBK bytes
  EXPECT_EQ(1, page_->Session().State().sex);
  LogOut();

  // alice is a woman and an ordinary member.
  Click(Control(CDialogHomePage::kIdRemember));
  EXPECT_EQ("", LogInAndWait("alice", "pass1"));
  const login::LoginState& state = page_->Session().State();
  EXPECT_EQ(2, state.sex);
  EXPECT_EQ(0, state.member);
  EXPECT_EQ("小红", state.nickname);
  EXPECT_STREQ("img/face/00.gif", login::FaceImage(state.sex));
  EXPECT_FALSE(Control(CDialogHomePage::kIdLogin)->isVisible());
  ASSERT_EQ("alice", page_->History().Entries().at(0).account);
  EXPECT_EQ("pass1", page_->History().Entries()[0].password);

  CDlgUserInfo panel;
  panel.SetUserInfo(state.account, state.nickname, state.sex, 0, state.member);
  EXPECT_EQ("女", panel.Text(2));
  EXPECT_EQ("普通会员", panel.Text(4));
  EXPECT_EQ("img/face/00.gif", panel.FaceName());
}

TEST_F(HomeServerTest, AccountsOverTwentyBytesAreRefusedBeforeConnecting) {
  for (const QString& account : {QString(21, 'a'), QString::fromUtf8("一二三四五六七八九十一")}) {
    LogIn(account, "x");
    EXPECT_EQ("  帐号不能超过20个字符(10个汉字)！", PopupText());
    EXPECT_EQ(nullptr, net_->Current());
    EXPECT_FALSE(page_->IsConnectBusy());
    page_->Popup()->hide();
  }
  LogIn("alice", QString(50, 'p'));
  EXPECT_EQ("  密码不能超过49个字符！", PopupText());
  EXPECT_FALSE(page_->IsConnectBusy());
}

TEST_F(HomeServerTest, ListsAreUploadedLoggedInAndReadBackAtTheNextLogin) {
  const std::size_t default_programs = page_->Session().Programs().Items().size();
  const int default_sites = page_->Session().Sites().ValidCount();
  ASSERT_EQ("", LogInAndWait("alice", "pass1"));

  std::vector<SoftwareState*> programs;
  for (auto& entry : software_->States())
    if (programs.size() < 16) programs.push_back(&entry.second);
  page_->SetCommonPrograms(programs);
  ASSERT_TRUE(PumpUntil([&] { return PopupText() == "常用软件更新成功!"; }));
  page_->Popup()->hide();

  // Sites long enough that the list needs three chunks of at most 992 bytes.
  std::vector<ds::Site> sites;
  for (int i = 0; i < 14; ++i)
    sites.push_back({"网站" + std::to_string(i), "https://Example.org/" + std::string(170, 'p') + std::to_string(i)});
  std::vector<std::string> chunks;
  ASSERT_TRUE(ds::ChunkSiteText(sites, &chunks));
  ASSERT_EQ(3u, chunks.size());
  ASSERT_TRUE(page_->SetCommonSites(sites));
  ASSERT_TRUE(PumpUntil([&] { return PopupText() == "常用网站更新成功!"; }));

  LogOut();
  EXPECT_EQ(default_programs, page_->Session().Programs().Items().size());
  EXPECT_EQ(default_sites, page_->Session().Sites().ValidCount());
  EXPECT_TRUE(Control(CDialogHomePage::kIdLogin)->isVisible());

  ASSERT_EQ("", LogInAndWait("alice", "pass1"));
  ASSERT_EQ(16u, page_->Session().Programs().Items().size());
  EXPECT_EQ(programs[15], page_->Session().Programs().Items()[15]);
  EXPECT_EQ(2, page_->Session().Programs().Pages().page_count());
  EXPECT_EQ(sites, page_->Session().Sites().UserSites());
}

TEST_F(HomeServerTest, AnUnreachableServerReportsTheConnectFailure) {
  server_.Stop();
  EXPECT_EQ("连接登陆服务器失败", LogInAndWait("alice", "pass1"));
  EXPECT_TRUE(Control(CDialogHomePage::kIdLogin)->isEnabled());
}

}  // namespace
