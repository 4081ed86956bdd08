// What the server does with one request: logins against the store with the failed-login limits,
// and the two uploads. Runs on worker threads (hashing is slow on purpose); holds no state of a
// connection, so any number of servers can share one store.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/net/account_wire.h"
#include "server/account_store.h"

namespace corvane_server {

// Failed logins allowed per account and per address within `window` seconds; once reached, every
// login of that account or from that address is refused with code 16 until the window ends.
struct LoginLimits {
  int accountFailures = 5;
  int addressFailures = 50;
  std::int64_t window = 900;
};

// The answer to one request: messages to send, whether to close after sending them, and, for a
// login, the account the connection is now logged in as ("" = none).
struct Reply {
  std::string bytes;
  bool close = false;
  std::string loggedIn;
};

class AccountService {
 public:
  // `clock` gives seconds of wall-clock time (servers sharing a database compare them).
  AccountService(AccountStore& store, LoginLimits limits, std::function<std::int64_t()> clock = {});

  Reply Login(const ds::LoginRequest& request, const std::string& address);
  // The uploads; `account` is the one the connection logged in as.
  Reply StoreCommonSoft(const std::string& account, const ds::CommonSoftIds& ids);
  Reply StoreSites(const std::string& account, const std::vector<ds::Site>& sites);

  // Refusal 16 for a server that cannot take more work; the connection is closed after it.
  static Reply Busy();

 private:
  Reply Refuse(std::int32_t code);
  void CountFailure(const std::string& key);

  AccountStore& store_;
  LoginLimits limits_;
  std::function<std::int64_t()> clock_;
  std::atomic<unsigned> failures_{0};
};

}  // namespace corvane_server
