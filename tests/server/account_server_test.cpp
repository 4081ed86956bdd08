// The real corvane-server on 127.0.0.1: its commands, logins and refusals, uploads read back after a
// restart, forged uploads, hostile framing, failed-login limits and overload.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/net/account_wire.h"
#include "core/text/text_codec.h"
#include "server/account_store.h"
#include "tests/common/account_server.h"

namespace {

using corvane_test::AccountServer;
using corvane_test::RawClient;

std::string LoginMessage(const std::string& account, const std::string& password) {
  std::string message;
  EXPECT_TRUE(ds::EncodeLoginRequest({account, ds::PasswordDigest(password)}, &message));
  return message;
}

// Logs in on `client`; the refusal code, or 0 when accepted (then `accepted` holds the answer).
int Login(RawClient& client, const std::string& account, const std::string& password,
          ds::LoginAccepted* accepted = nullptr) {
  EXPECT_TRUE(client.Send(LoginMessage(account, password)));
  std::string answer = client.Receive();
  std::int32_t code = -1;
  ds::LoginAccepted ok;
  if (ds::DecodeLoginRefused(answer, &code)) return code;
  if (!ds::DecodeLoginAccepted(answer, &ok)) return -1;
  if (accepted != nullptr) *accepted = ok;
  return 0;
}

std::string SitesChunk(const std::string& account, const std::string& text) {
  std::string message;
  EXPECT_TRUE(ds::EncodeSitesChunk(account, text, &message));
  return message;
}

class AccountServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.AddUser("alice", "pass1", "小红", 2));
    ASSERT_TRUE(server_.AddUser("一二三四五六七八九十", "密码", "", 1));
    ASSERT_TRUE(server_.AddUser("bob", "pass2"));
  }
  AccountServer server_;
};

TEST_F(AccountServerTest, UserCommandsCheckTheirInputAndNeverStoreTheDigest) {
  std::string listing;
  ASSERT_EQ(server_.Command({"user", "list"}, "", &listing), 0);
  EXPECT_EQ(listing, "alice\t小红\t2\t0\tenabled\nbob\t\t1\t0\tenabled\n一二三四五六七八九十\t\t1\t0\tenabled\n");
  EXPECT_NE(server_.Command({"user", "add", "alice"}, "other\n"), 0);             // exists
  EXPECT_NE(server_.Command({"user", "add", "一二三四五六七八九十a"}, "p\n"), 0);  // 21 GBK bytes
  EXPECT_NE(server_.Command({"user", "add", "carol"}, std::string(50, 'x') + "\n"), 0);
  EXPECT_NE(server_.Command({"user", "add", "carol"}, "\n"), 0);
  EXPECT_NE(server_.Command({"user", "add", "carol", "--sex", "3"}, "p\n"), 0);
  EXPECT_EQ(server_.Command({"user", "add", "carol"}, std::string(49, 'x') + "\n"), 0);
  EXPECT_NE(server_.Command({"user", "disable", "nobody"}), 0);

  std::string error;
  auto store = corvane_server::OpenStore(server_.db(), &error);
  ASSERT_TRUE(store) << error;
  corvane_server::Account account;
  ASSERT_EQ(store->FindAccount("alice", &account), corvane_server::StoreResult::kOk);
  EXPECT_EQ(account.passwordHash.rfind("$argon2id$", 0), 0u);
  EXPECT_EQ(account.passwordHash.find(ds::PasswordDigest("pass1")), std::string::npos);
}

TEST_F(AccountServerTest, LoginAcceptsAndRefusesWithTheRightCodes) {
  ASSERT_EQ(server_.Command({"user", "disable", "bob"}), 0);
  ASSERT_TRUE(server_.Start());
  ds::LoginAccepted accepted;
  {
    RawClient client(server_.port());
    ASSERT_EQ(Login(client, "alice", "pass1", &accepted), 0);
    EXPECT_EQ(accepted.sex, 2);
    EXPECT_EQ(accepted.member, 0);
    EXPECT_EQ(accepted.nickname, "小红");
  }
  {
    RawClient client(server_.port());
    ASSERT_EQ(Login(client, "一二三四五六七八九十", "密码", &accepted), 0);
    EXPECT_EQ(accepted.sex, 1);
  }
  RawClient unknown(server_.port());
  EXPECT_EQ(Login(unknown, "nobody", "pass1"), ds::kRefuseNoAccount);
  EXPECT_TRUE(unknown.ClosedByPeer());
  RawClient wrong(server_.port());
  EXPECT_EQ(Login(wrong, "alice", "pass2"), ds::kRefuseBadPassword);
  RawClient disabled(server_.port());
  EXPECT_EQ(Login(disabled, "bob", "pass2"), ds::kRefuseDisabled);
  RawClient disabledWrong(server_.port());
  EXPECT_EQ(Login(disabledWrong, "bob", "nope"), ds::kRefuseBadPassword);
  EXPECT_EQ(server_.Stop(), 0);
}

TEST_F(AccountServerTest, UploadsAreStoredAndSentAfterTheNextLoginEvenAcrossARestart) {
  ASSERT_TRUE(server_.Start());
  ds::CommonSoftIds ids;
  ids.fill(-1);
  for (int i = 0; i < 16; ++i) ids[i] = 100 + i;
  std::vector<ds::Site> sites;
  for (int i = 0; i < 12; ++i) sites.push_back({"网站" + std::to_string(i), "https://x.org/" + std::string(180, 'a')});
  sites.push_back({" ", " "});  // a cleared slot is not kept
  std::vector<std::string> chunks;
  ASSERT_TRUE(ds::ChunkSiteText(sites, &chunks));
  ASSERT_EQ(chunks.size(), 3u);
  sites.pop_back();
  {
    RawClient client(server_.port());
    ASSERT_EQ(Login(client, "alice", "pass1"), 0);
    std::string upload;
    ASSERT_TRUE(ds::EncodeCommonSoftUpload("alice", ids, &upload));
    std::string all = upload;
    for (const std::string& chunk : chunks) all += SitesChunk("alice", chunk);
    ASSERT_TRUE(client.Send(all));
    std::int32_t result = 0;
    ASSERT_TRUE(ds::DecodeUploadResult(client.Receive(), &result));
    EXPECT_EQ(result, ds::kResultSoftStored);
    ASSERT_TRUE(ds::DecodeUploadResult(client.Receive(), &result));
    EXPECT_EQ(result, ds::kResultSitesStored);
  }
  ASSERT_EQ(server_.Stop(), 0);
  ASSERT_TRUE(server_.Start());
  RawClient client(server_.port());
  ASSERT_EQ(Login(client, "alice", "pass1"), 0);
  ds::CommonSoftIds back;
  ASSERT_TRUE(ds::DecodeCommonSoftList(client.Receive(), &back));
  EXPECT_EQ(back, ids);
  ds::SiteTextReader reader;
  for (int i = 0; i < 3; ++i) {
    std::string account, text;
    ASSERT_TRUE(ds::DecodeSitesChunk(client.Receive(), &account, &text));
    ASSERT_TRUE(reader.Feed(text));
  }
  EXPECT_TRUE(reader.finished());
  EXPECT_EQ(reader.sites(), sites);
}

TEST_F(AccountServerTest, ForgedUploadsCloseTheConnectionAndChangeNothing) {
  ASSERT_TRUE(server_.Start());
  ds::CommonSoftIds ids;
  ids.fill(7);
  std::string forBob;
  ASSERT_TRUE(ds::EncodeCommonSoftUpload("bob", ids, &forBob));
  {
    RawClient anonymous(server_.port());  // never logged in
    ASSERT_TRUE(anonymous.Send(forBob));
    EXPECT_TRUE(anonymous.ClosedByPeer());
  }
  {
    RawClient alice(server_.port());  // logged in as someone else
    ASSERT_EQ(Login(alice, "alice", "pass1"), 0);
    ASSERT_TRUE(alice.Send(forBob));
    EXPECT_TRUE(alice.ClosedByPeer());
  }
  {
    RawClient refused(server_.port());  // a refused login leaves the connection unusable
    EXPECT_EQ(Login(refused, "bob", "wrong"), ds::kRefuseBadPassword);
    refused.Send(SitesChunk("bob", "x\nhttp://evil\ne"));
    EXPECT_TRUE(refused.ClosedByPeer());
  }
  {
    RawClient tooLong(server_.port());  // a 201-byte address is refused by the server too
    ASSERT_EQ(Login(tooLong, "alice", "pass1"), 0);
    std::string message = SitesChunk("alice", "x\n" + std::string(200, 'a') + "\ne");
    message.replace(32 + 2, 200, std::string(201, 'a'));
    message[0] = static_cast<char>(message.size() & 0xFF);
    message[1] = static_cast<char>(message.size() >> 8);
    ASSERT_TRUE(tooLong.Send(message));
    EXPECT_TRUE(tooLong.ClosedByPeer());
  }
  std::string error;
  auto store = corvane_server::OpenStore(server_.db(), &error);
  ASSERT_TRUE(store) << error;
  for (const char* name : {"alice", "bob"}) {
    corvane_server::AccountLists lists;
    ASSERT_EQ(store->LoadLists(name, &lists), corvane_server::StoreResult::kOk);
    EXPECT_FALSE(lists.commonSoft || lists.sites) << name;
  }
}

TEST_F(AccountServerTest, BadFramingDropsOnlyThatConnection) {
  ASSERT_TRUE(server_.Start());
  auto header = [](std::uint32_t length, std::uint32_t id) {
    std::string out;
    EXPECT_TRUE(ds::EncodeFrame(id, "", &out));
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>(length >> (8 * i));
    return out;
  };
  std::string login = LoginMessage("alice", "pass1");
  std::vector<std::string> hostile = {header(7, 183), header(8193, 183) + std::string(100, 'x'),
                                      header(12, 999) + "abcd", header(12, 184) + "abcd",
                                      header(63, 183) + login.substr(8, 55)};
  for (const std::string& bytes : hostile) {
    RawClient client(server_.port());
    ASSERT_TRUE(client.Send(bytes));
    EXPECT_TRUE(client.ClosedByPeer());
  }
  {
    RawClient truncated(server_.port());  // half a message, then the peer goes away
    ASSERT_TRUE(truncated.Send(login.substr(0, 30)));
  }
  RawClient client(server_.port());
  ASSERT_TRUE(client.Send(login.substr(0, 30)));  // a message may arrive in pieces
  ASSERT_TRUE(client.Send(login.substr(30)));
  ds::LoginAccepted accepted;
  EXPECT_TRUE(ds::DecodeLoginAccepted(client.Receive(), &accepted));
  EXPECT_EQ(server_.Stop(), 0);
}

TEST_F(AccountServerTest, FailedLoginsAreLimitedPerAccountAndPerAddress) {
  ASSERT_TRUE(server_.Start({"--account-failures", "3", "--address-failures", "5"}));
  for (int i = 0; i < 3; ++i) {
    RawClient client(server_.port());
    EXPECT_EQ(Login(client, "alice", "guess"), ds::kRefuseBadPassword);
  }
  RawClient locked(server_.port());
  EXPECT_EQ(Login(locked, "alice", "pass1"), ds::kRefuseBusy);  // even the right password, for a while
  RawClient other(server_.port());
  EXPECT_EQ(Login(other, "bob", "pass2"), 0);  // another account from the same address still may
  for (int i = 0; i < 2; ++i) {
    RawClient client(server_.port());
    EXPECT_EQ(Login(client, "nobody" + std::to_string(i), "x"), ds::kRefuseNoAccount);
  }
  RawClient address(server_.port());  // five failures from this address
  EXPECT_EQ(Login(address, "bob", "pass2"), ds::kRefuseBusy);
}

TEST_F(AccountServerTest, AFullServerAnswers16) {
  ASSERT_TRUE(server_.Start({"--max-connections", "1"}));
  RawClient first(server_.port());
  RawClient second(server_.port());
  std::int32_t code = 0;
  ASSERT_TRUE(ds::DecodeLoginRefused(second.Receive(), &code));
  EXPECT_EQ(code, ds::kRefuseBusy);
  EXPECT_EQ(Login(first, "bob", "pass2"), 0);
}

}  // namespace
