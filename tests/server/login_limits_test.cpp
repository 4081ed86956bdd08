// The failed-login limit lasts for its window and no longer, and a good login forgives the account.
#include <gtest/gtest.h>

#include "core/net/account_wire.h"
#include "server/account_service.h"
#include "server/password_hash.h"
#include "tests/common/temp_dir.h"

namespace {

using corvane_server::AccountService;

class LoginLimitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(corvane_server::InitPasswordHashing());
    std::string error;
    store_ = corvane_server::OpenStore(dir_.File("a.db"), &error);
    ASSERT_TRUE(store_) << error;
    corvane_server::Account alice;
    alice.name = "alice";
    alice.passwordHash = corvane_server::HashPassword(ds::PasswordDigest("right"), corvane_server::HashCost::kMinimal);
    ASSERT_EQ(store_->AddAccount(alice), corvane_server::StoreResult::kOk);
  }

  std::int32_t Code(AccountService& service, const std::string& password, const std::string& address = "10.0.0.1") {
    corvane_server::Reply reply = service.Login({"alice", ds::PasswordDigest(password)}, address);
    std::int32_t code = 0;
    return ds::DecodeLoginRefused(reply.bytes, &code) ? code : 0;
  }

  corvane_test::TempDir dir_;
  std::unique_ptr<corvane_server::AccountStore> store_;
  std::int64_t now_ = 1000000;
};

TEST_F(LoginLimitsTest, LockLastsForTheWindowAndSuccessStartsAfresh) {
  AccountService service(*store_, {2, 100, 600}, [this] { return now_; });
  EXPECT_EQ(Code(service, "wrong"), ds::kRefuseBadPassword);
  EXPECT_EQ(Code(service, "right"), 0);  // one failure, then a success: the count starts again
  EXPECT_EQ(Code(service, "wrong"), ds::kRefuseBadPassword);
  now_ += 599;
  EXPECT_EQ(Code(service, "wrong"), ds::kRefuseBadPassword);
  EXPECT_EQ(Code(service, "right"), ds::kRefuseBusy);
  EXPECT_EQ(Code(service, "right", "10.0.0.2"), ds::kRefuseBusy);  // the account is locked, wherever from
  now_ += 1;                                                       // the window of the first failure ends
  EXPECT_EQ(Code(service, "right"), 0);
}

TEST_F(LoginLimitsTest, ServersSharingAStoreShareTheCount) {
  AccountService one(*store_, {3, 100, 600}, [this] { return now_; });
  AccountService two(*store_, {3, 100, 600}, [this] { return now_; });
  EXPECT_EQ(Code(one, "a"), ds::kRefuseBadPassword);
  EXPECT_EQ(Code(two, "b"), ds::kRefuseBadPassword);
  EXPECT_EQ(Code(one, "c"), ds::kRefuseBadPassword);
  EXPECT_EQ(Code(two, "right"), ds::kRefuseBusy);
}

}  // namespace
