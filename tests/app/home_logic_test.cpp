// The home page's rules apart from its window: the account history file (private, no unremembered
// password, the old file migrated), the login input limits, which site addresses open and how,
// and the lists' pages, server ids and site chunks.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "app/catalogue/software_mgr.h"
#include "app/home/account_history.h"
#include "app/home/common_lists.h"
#include "app/home/login_rules.h"
#include "app/home/site_address.h"
#include "core/text/path.h"
#include "core/text/text_codec.h"
#include "tests/common/temp_dir.h"

namespace {

using corvane_test::TempDir;

unsigned ModeOf(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

std::string Entry(std::uint8_t remember, const std::string& account, const std::string& password, bool two_flags) {
  std::string bytes(1, static_cast<char>(remember));
  if (two_flags) bytes.push_back(7);
  std::string field = ds::Utf8ToGbk(account);
  field.resize(50, '\0');
  bytes += field;
  field = password;
  field.resize(50, '\0');
  return bytes + field;
}

TEST(AccountHistoryTest, FileIsPrivateAndKeepsOnlyRememberedPasswords) {
  TempDir dir;
  AccountHistory history(dir.path());
  // An existing file readable by everyone is tightened by the next save.
  corvane_test::WriteWholeFile(dir.File("cacheU.dat"), std::string("0\0\0\0\0\0\0\0", 8));
  ::chmod(dir.File("cacheU.dat").c_str(), 0644);
  history.Remember("alice", "secret", false);
  history.Remember("小明", "pw", true);
  history.Remember("alice", "secret2", true);  // moves to the front
  ASSERT_TRUE(history.Save());
  EXPECT_EQ(0600u, ModeOf(dir.File("cacheU.dat")));

  const std::string bytes = corvane_test::ReadWholeFile(dir.File("cacheU.dat"));
  ASSERT_EQ(8u + 2 * 102, bytes.size());
  EXPECT_EQ(std::string("0\0\0\0\2\0\0\0", 8), bytes.substr(0, 8));
  AccountHistory again(dir.path());
  again.Load();
  ASSERT_EQ(2u, again.Entries().size());
  EXPECT_EQ("alice", again.Entries()[0].account);
  EXPECT_EQ("secret2", again.Entries()[0].password);
  EXPECT_EQ("小明", again.Entries()[1].account);

  history.Remember("alice", "secret3", false);
  ASSERT_TRUE(history.Save());
  again.Load();
  EXPECT_EQ("", again.Entries()[0].password);  // unticked: the field is written empty
  EXPECT_EQ(std::string::npos, corvane_test::ReadWholeFile(dir.File("cacheU.dat")).find("secret"));
}

TEST(AccountHistoryTest, OldFileOfOneFlagByteIsMigratedAndShortFilesLoadNothing) {
  TempDir dir;
  std::string old("\3\0\0\0", 4);
  old += Entry(1, "a1", "p1", false) + Entry(0, "二号", "p2", false) + Entry(1, "a3", "p3", false);
  ASSERT_EQ(4u + 3 * 101, old.size());
  corvane_test::WriteWholeFile(dir.File("cache.dat"), old);
  AccountHistory history(dir.path());
  history.Load();
  ASSERT_EQ(3u, history.Entries().size());
  EXPECT_EQ("二号", history.Entries()[1].account);
  EXPECT_EQ(0, history.Entries()[1].rememberPassword);
  EXPECT_EQ(1, history.Entries()[2].keepFlag);  // the one byte serves as both flags
  EXPECT_FALSE(ds::PathExists(dir.File("cache.dat")));
  EXPECT_EQ(8u + 3 * 102, corvane_test::ReadWholeFile(dir.File("cacheU.dat")).size());
  EXPECT_EQ(0600u, ModeOf(dir.File("cacheU.dat")));

  // A new file that claims more entries than it holds leaves the history empty and the old file
  // unread.
  corvane_test::WriteWholeFile(dir.File("cacheU.dat"), std::string("0\0\0\0\2\0\0\0", 8) + Entry(1, "x", "y", true));
  corvane_test::WriteWholeFile(dir.File("cache.dat"), old);
  history.Load();
  EXPECT_TRUE(history.Entries().empty());
  EXPECT_TRUE(ds::PathExists(dir.File("cache.dat")));
}

TEST(LoginRulesTest, LimitsAreCheckedInGbkBytesBeforeConnecting) {
  using login::InputVerdict;
  EXPECT_EQ(InputVerdict::kEmpty, login::CheckInput("", "x"));
  EXPECT_EQ(InputVerdict::kEmpty, login::CheckInput("a", ""));
  EXPECT_EQ(InputVerdict::kOk, login::CheckInput(std::string(20, 'a'), "x"));
  EXPECT_EQ(InputVerdict::kAccountTooLong, login::CheckInput(std::string(21, 'a'), "x"));
  EXPECT_EQ(InputVerdict::kOk, login::CheckInput("一二三四五六七八九十", "x"));
  EXPECT_EQ(InputVerdict::kAccountTooLong, login::CheckInput("一二三四五六七八九十一", "x"));
  EXPECT_EQ(InputVerdict::kOk, login::CheckInput("a", std::string(49, 'p')));
  EXPECT_EQ(InputVerdict::kPasswordTooLong, login::CheckInput("a", std::string(50, 'p')));
  EXPECT_STREQ("  帐号不能超过20个字符(10个汉字)！", login::InputText(InputVerdict::kAccountTooLong));
  EXPECT_STREQ("系统登录错误", login::RefusalText(9));
}

TEST(SiteAddressTest, OnlyHttpAndHttpsOpenWithTheirPathsKept) {
  EXPECT_EQ("http://www.Example.com/A", PrepareSiteAddress("www.Example.com/A").url);
  EXPECT_EQ("https://Example.com/CaseSensitive", PrepareSiteAddress("HTTPS://Example.com/CaseSensitive").url);
  for (const char* refused : {"file:///etc/passwd", "FTP://host/x", "javascript://x", "http://a\nb"})
    EXPECT_FALSE(PrepareSiteAddress(refused).ok) << refused;
  EXPECT_TRUE(PrepareSiteAddress("http://" + std::string(193, 'a')).ok);
  EXPECT_FALSE(PrepareSiteAddress("http://" + std::string(194, 'a')).ok);  // over 200 bytes
}

TEST(CommonListsTest, PagesServerIdsAndSiteChunks) {
  SoftwareMgr software;
  std::vector<SoftwareState*> programs;
  for (int id = 1; id <= 16; ++id) {
    software.States()[id].id = id;
    programs.push_back(&software.States()[id]);
  }
  CommonPrograms list;
  list.SetList({});
  EXPECT_EQ(1, list.Pages().page_count());
  list.SetList(programs);
  EXPECT_EQ(2, list.Pages().page_count());
  list.Pages().Next();
  list.Pages().Next();
  ASSERT_EQ(1u, list.PageItems().size());
  EXPECT_EQ(16, list.PageItems()[0]->id);

  ds::CommonSoftIds ids;
  ids.fill(-1);
  EXPECT_FALSE(list.ApplyServerIds(ids, software));  // "no list": untouched
  EXPECT_EQ(16u, list.Items().size());
  ids[0] = 5;
  ids[1] = 999;  // unknown to the catalogue: skipped
  ids[2] = 7;
  ASSERT_TRUE(list.ApplyServerIds(ids, software));
  ASSERT_EQ(2u, list.Items().size());
  EXPECT_EQ(7, list.Items()[1]->id);
  EXPECT_EQ(7, list.Ids()[1]);
  EXPECT_EQ(-1, list.Ids()[2]);

  CommonSites sites;
  sites.ResetDefaults({{"默认", "http://default/"}});
  sites.BeginServerList();
  ASSERT_TRUE(sites.FeedServerChunk("one\nhttp://one/\nskip\nNull\ne"));
  EXPECT_EQ(2, sites.ValidCount());
  EXPECT_FALSE(sites.SetUserSites({{"long", "http://" + std::string(200, 'x')}}));
  std::vector<ds::Site> many;
  for (int i = 0; i < 12; ++i) many.push_back({"站点" + std::to_string(i), "http://s" + std::string(150, 'a') + std::to_string(i) + "/"});
  ASSERT_TRUE(sites.SetUserSites(many));
  EXPECT_EQ(2, sites.Pages().page_count());  // 13 sites, 12 to a page
  std::vector<std::string> chunks;
  ASSERT_TRUE(sites.UploadChunks(&chunks));
  ASSERT_EQ(3u, chunks.size());
  CommonSites back;
  back.ResetDefaults({});
  back.BeginServerList();
  for (const std::string& chunk : chunks) {
    EXPECT_LE(ds::GbkByteLength(chunk), 992u);
    ASSERT_TRUE(back.FeedServerChunk(chunk));
  }
  EXPECT_EQ(many, back.Items());
}

}  // namespace
