// The server's storage: accounts, their two common lists and the failed-login counters, behind one
// small interface with two back ends (SQLite in one file, PostgreSQL through libpq). Every call is
// safe from any thread; texts are UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/net/account_wire.h"

namespace corvane_server {

struct Account {
  std::string name;
  std::string passwordHash;  // Argon2id string of the MD5 text the client sends
  int sex = 1;
  int member = 0;
  std::string nickname;
  bool disabled = false;
};

// The lists stored for one account; empty optionals when the account never uploaded one.
struct AccountLists {
  std::optional<ds::CommonSoftIds> commonSoft;
  std::optional<std::vector<ds::Site>> sites;
};

enum class StoreResult { kOk, kNotFound, kExists, kError };

class AccountStore {
 public:
  virtual ~AccountStore() = default;

  virtual StoreResult AddAccount(const Account& account) = 0;
  virtual StoreResult FindAccount(const std::string& name, Account* out) = 0;
  virtual StoreResult SetDisabled(const std::string& name, bool disabled) = 0;
  virtual StoreResult ListAccounts(std::vector<Account>* out) = 0;

  virtual StoreResult LoadLists(const std::string& name, AccountLists* out) = 0;
  virtual StoreResult SaveCommonSoft(const std::string& name, const ds::CommonSoftIds& ids) = 0;
  virtual StoreResult SaveSites(const std::string& name, const std::vector<ds::Site>& sites) = 0;

  // Failed logins under `key` (an account or an address) within a window that starts at the first
  // failure and lasts `window` seconds; an expired window starts over. AddFailure counts one more
  // and returns the count; RecentFailures only reads it (0 for an expired window).
  virtual StoreResult AddFailure(const std::string& key, std::int64_t now, std::int64_t window, int* count) = 0;
  virtual StoreResult RecentFailures(const std::string& key, std::int64_t now, std::int64_t window,
                                     int* count) = 0;
  virtual StoreResult ClearFailures(const std::string& key) = 0;
  // Drops counters whose window ended before `before`.
  virtual StoreResult PruneFailures(std::int64_t before) = 0;
};

// "postgresql://..." or "postgres://..." opens the PostgreSQL back end, anything else is the path of
// an SQLite file (created when missing). Null with `error` set on failure.
std::unique_ptr<AccountStore> OpenStore(const std::string& db, std::string* error);

// The stored forms of the lists, shared by both back ends: ids as "1,2,-1,...", sites as
// "name\naddress\n" pairs (neither text can hold "\n").
std::string CommonSoftToText(const ds::CommonSoftIds& ids);
bool CommonSoftFromText(const std::string& text, ds::CommonSoftIds* ids);
std::string SitesToText(const std::vector<ds::Site>& sites);
std::vector<ds::Site> SitesFromText(const std::string& text);

}  // namespace corvane_server
