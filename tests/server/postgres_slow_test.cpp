// The PostgreSQL back end against a throwaway cluster on 127.0.0.1: two servers on one database
// see the same accounts and lists, and a failed-login limit is reached across both. initdb and
// pg_ctl refuse to run as root, so as root the cluster runs as "nobody" (setpriv).
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/net/account_wire.h"
#include "tests/common/account_server.h"
#include "tests/common/temp_dir.h"

namespace {

using corvane_test::AccountServer;
using corvane_test::RawClient;

// The folder of initdb and pg_ctl of the installed PostgreSQL, "" when there is none.
std::string PostgresBin() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
    if (std::filesystem::exists(entry.path() / "bin/initdb")) return (entry.path() / "bin").string();
  }
  return "";
}

int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

class PostgresCluster {
 public:
  bool Start(std::string* error) {
    std::string bin = PostgresBin();
    if (bin.empty()) {
      *error = "PostgreSQL is not installed (Debian package postgresql)";
      return false;
    }
    // As root, everything runs as nobody, who owns the cluster's folder.
    if (geteuid() == 0) {
      as_ = "setpriv --reuid=nobody --regid=nogroup --clear-groups -- ";
      if (std::system(("chown nobody:nogroup " + dir_.path()).c_str()) != 0) {
        *error = "cannot hand the cluster folder to nobody";
        return false;
      }
    }
    port_ = FreePort();
    data_ = dir_.File("data");
    std::string initdb = as_ + bin + "/initdb -D " + data_ + " -U postgres --auth=trust -E UTF8 --locale=C" +
                         " --no-sync >" + dir_.File("initdb.log") + " 2>&1";
    if (std::system(initdb.c_str()) != 0) {
      *error = "initdb failed (" + dir_.File("initdb.log") + ")";
      return false;
    }
    pgCtl_ = as_ + bin + "/pg_ctl -D " + data_;
    std::string start = pgCtl_ + " -w -t 60 -l " + dir_.File("server.log") + " -o \"-k " + dir_.path() + " -p " +
                        std::to_string(port_) + " -c listen_addresses=127.0.0.1 -c fsync=off\" start >/dev/null";
    if (std::system(start.c_str()) != 0) {
      *error = "pg_ctl start failed";
      return false;
    }
    started_ = true;
    return true;
  }
  ~PostgresCluster() {
    if (started_) {
      int stopped = std::system((pgCtl_ + " -m fast -w stop >/dev/null").c_str());
      (void)stopped;
    }
  }
  std::string Url() const { return "postgresql://postgres@127.0.0.1:" + std::to_string(port_) + "/postgres"; }

 private:
  corvane_test::TempDir dir_;
  std::string as_;
  std::string data_;
  std::string pgCtl_;
  int port_ = 0;
  bool started_ = false;
};

int Login(int port, const std::string& account, const std::string& password, std::string* rest = nullptr) {
  RawClient client(port);
  std::string message;
  EXPECT_TRUE(ds::EncodeLoginRequest({account, ds::PasswordDigest(password)}, &message));
  EXPECT_TRUE(client.Send(message));
  std::string answer = client.Receive();
  std::int32_t code = -1;
  ds::LoginAccepted accepted;
  if (ds::DecodeLoginRefused(answer, &code)) return code;
  if (rest != nullptr) *rest = client.Receive();
  return ds::DecodeLoginAccepted(answer, &accepted) ? 0 : -1;
}

TEST(PostgresStoreTest, TwoServersShareAccountsListsAndTheLoginLimit) {
  PostgresCluster cluster;
  std::string error;
  ASSERT_TRUE(cluster.Start(&error)) << error;
  AccountServer one(cluster.Url());
  AccountServer two(cluster.Url());
  ASSERT_TRUE(one.AddUser("alice", "pass1", "小红", 2));
  ASSERT_TRUE(two.AddUser("bob", "pass2"));
  EXPECT_NE(two.Command({"user", "add", "alice"}, "x\n"), 0);  // one namespace of accounts
  std::vector<std::string> limits{"--account-failures", "3", "--address-failures", "100"};
  ASSERT_TRUE(one.Start(limits));
  ASSERT_TRUE(two.Start(limits));

  {  // an upload through one server is what the other sends after its login
    RawClient client(one.port());
    std::string login, upload;
    ASSERT_TRUE(ds::EncodeLoginRequest({"bob", ds::PasswordDigest("pass2")}, &login));
    ds::CommonSoftIds ids;
    ids.fill(-1);
    ids[0] = 42;
    ASSERT_TRUE(ds::EncodeCommonSoftUpload("bob", ids, &upload));
    ASSERT_TRUE(client.Send(login));
    ASSERT_FALSE(client.Receive().empty());
    ASSERT_TRUE(client.Send(upload));
    std::int32_t result = 0;
    ASSERT_TRUE(ds::DecodeUploadResult(client.Receive(), &result));
    EXPECT_EQ(result, ds::kResultSoftStored);
    std::string list;
    ASSERT_EQ(Login(two.port(), "bob", "pass2", &list), 0);
    ds::CommonSoftIds back;
    ASSERT_TRUE(ds::DecodeCommonSoftList(list, &back));
    EXPECT_EQ(back, ids);
  }

  EXPECT_EQ(Login(one.port(), "alice", "guess1"), ds::kRefuseBadPassword);
  EXPECT_EQ(Login(two.port(), "alice", "guess2"), ds::kRefuseBadPassword);
  EXPECT_EQ(Login(one.port(), "alice", "guess3"), ds::kRefuseBadPassword);
  EXPECT_EQ(Login(two.port(), "alice", "pass1"), ds::kRefuseBusy);
  EXPECT_EQ(Login(one.port(), "alice", "pass1"), ds::kRefuseBusy);
  EXPECT_EQ(two.Command({"user", "disable", "bob"}), 0);
  EXPECT_EQ(Login(one.port(), "bob", "pass2"), ds::kRefuseDisabled);
  EXPECT_EQ(one.Stop(), 0);
  EXPECT_EQ(two.Stop(), 0);
}

}  // namespace
