#include "server/sqlite_store.h"

#include <sqlite3.h>

#include <mutex>

namespace corvane_server {
namespace {

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS accounts ("
    " name TEXT PRIMARY KEY, password_hash TEXT NOT NULL, sex INTEGER NOT NULL DEFAULT 1,"
    " member INTEGER NOT NULL DEFAULT 0, nickname TEXT NOT NULL DEFAULT '',"
    " disabled INTEGER NOT NULL DEFAULT 0, common_soft TEXT, sites TEXT);"
    "CREATE TABLE IF NOT EXISTS login_failures ("
    " key TEXT PRIMARY KEY, failures INTEGER NOT NULL, window_start INTEGER NOT NULL);";

// One prepared statement, finalized when it goes out of scope.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { ok_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) == SQLITE_OK; }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Text(int index, const std::string& value) {
    if (ok_) ok_ = sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()),
                                     SQLITE_TRANSIENT) == SQLITE_OK;
    return *this;
  }
  Statement& Int(int index, std::int64_t value) {
    if (ok_) ok_ = sqlite3_bind_int64(stmt_, index, value) == SQLITE_OK;
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE, or an error code.
  int Step() { return ok_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
  std::string ColumnText(int column) const {
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text),
                                                         static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
  }
  bool ColumnIsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
  std::int64_t ColumnInt(int column) const { return sqlite3_column_int64(stmt_, column); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  bool ok_ = false;
};

const char kAccountColumns[] = "SELECT name, password_hash, sex, member, nickname, disabled FROM accounts";

Account AccountFromRow(const Statement& row) {
  Account account;
  account.name = row.ColumnText(0);
  account.passwordHash = row.ColumnText(1);
  account.sex = static_cast<int>(row.ColumnInt(2));
  account.member = static_cast<int>(row.ColumnInt(3));
  account.nickname = row.ColumnText(4);
  account.disabled = row.ColumnInt(5) != 0;
  return account;
}

class SqliteStore : public AccountStore {
 public:
  explicit SqliteStore(sqlite3* db) : db_(db) {}
  ~SqliteStore() override { sqlite3_close(db_); }

  StoreResult AddAccount(const Account& account) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement insert(db_,
                     "INSERT INTO accounts(name, password_hash, sex, member, nickname, disabled) "
                     "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    int rc = insert.Text(1, account.name).Text(2, account.passwordHash).Int(3, account.sex)
                 .Int(4, account.member).Text(5, account.nickname).Int(6, account.disabled ? 1 : 0).Step();
    if (rc == SQLITE_CONSTRAINT) return StoreResult::kExists;
    return rc == SQLITE_DONE ? StoreResult::kOk : StoreResult::kError;
  }

  StoreResult FindAccount(const std::string& name, Account* out) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement query(db_, (std::string(kAccountColumns) + " WHERE name = ?1").c_str());
    int rc = query.Text(1, name).Step();
    if (rc == SQLITE_DONE) return StoreResult::kNotFound;
    if (rc != SQLITE_ROW) return StoreResult::kError;
    *out = AccountFromRow(query);
    return StoreResult::kOk;
  }

  StoreResult SetDisabled(const std::string& name, bool disabled) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement update(db_, "UPDATE accounts SET disabled = ?2 WHERE name = ?1");
    return Changed(update.Text(1, name).Int(2, disabled ? 1 : 0).Step());
  }

  StoreResult ListAccounts(std::vector<Account>* out) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement query(db_, (std::string(kAccountColumns) + " ORDER BY name").c_str());
    out->clear();
    int rc;
    while ((rc = query.Step()) == SQLITE_ROW) out->push_back(AccountFromRow(query));
    return rc == SQLITE_DONE ? StoreResult::kOk : StoreResult::kError;
  }

  StoreResult LoadLists(const std::string& name, AccountLists* out) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement query(db_, "SELECT common_soft, sites FROM accounts WHERE name = ?1");
    int rc = query.Text(1, name).Step();
    if (rc == SQLITE_DONE) return StoreResult::kNotFound;
    if (rc != SQLITE_ROW) return StoreResult::kError;
    *out = AccountLists();
    ds::CommonSoftIds ids;
    if (!query.ColumnIsNull(0) && CommonSoftFromText(query.ColumnText(0), &ids)) out->commonSoft = ids;
    if (!query.ColumnIsNull(1)) out->sites = SitesFromText(query.ColumnText(1));
    return StoreResult::kOk;
  }

  StoreResult SaveCommonSoft(const std::string& name, const ds::CommonSoftIds& ids) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement update(db_, "UPDATE accounts SET common_soft = ?2 WHERE name = ?1");
    return Changed(update.Text(1, name).Text(2, CommonSoftToText(ids)).Step());
  }

  StoreResult SaveSites(const std::string& name, const std::vector<ds::Site>& sites) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement update(db_, "UPDATE accounts SET sites = ?2 WHERE name = ?1");
    return Changed(update.Text(1, name).Text(2, SitesToText(sites)).Step());
  }

  StoreResult AddFailure(const std::string& key, std::int64_t now, std::int64_t window, int* count) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement upsert(db_,
                     "INSERT INTO login_failures(key, failures, window_start) VALUES (?1, 1, ?2) "
                     "ON CONFLICT(key) DO UPDATE SET "
                     " failures = CASE WHEN window_start <= ?3 THEN 1 ELSE failures + 1 END,"
                     " window_start = CASE WHEN window_start <= ?3 THEN ?2 ELSE window_start END "
                     "RETURNING failures");
    if (upsert.Text(1, key).Int(2, now).Int(3, now - window).Step() != SQLITE_ROW) return StoreResult::kError;
    *count = static_cast<int>(upsert.ColumnInt(0));
    return upsert.Step() == SQLITE_DONE ? StoreResult::kOk : StoreResult::kError;
  }

  StoreResult RecentFailures(const std::string& key, std::int64_t now, std::int64_t window, int* count) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement query(db_, "SELECT failures FROM login_failures WHERE key = ?1 AND window_start > ?2");
    int rc = query.Text(1, key).Int(2, now - window).Step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return StoreResult::kError;
    *count = rc == SQLITE_ROW ? static_cast<int>(query.ColumnInt(0)) : 0;
    return StoreResult::kOk;
  }

  StoreResult ClearFailures(const std::string& key) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement remove(db_, "DELETE FROM login_failures WHERE key = ?1");
    return remove.Text(1, key).Step() == SQLITE_DONE ? StoreResult::kOk : StoreResult::kError;
  }

  StoreResult PruneFailures(std::int64_t before) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement remove(db_, "DELETE FROM login_failures WHERE window_start < ?1");
    return remove.Int(1, before).Step() == SQLITE_DONE ? StoreResult::kOk : StoreResult::kError;
  }

 private:
  // The result of an UPDATE of one account: not found when no row matched.
  StoreResult Changed(int rc) {
    if (rc != SQLITE_DONE) return StoreResult::kError;
    return sqlite3_changes(db_) > 0 ? StoreResult::kOk : StoreResult::kNotFound;
  }

  std::mutex mutex_;
  sqlite3* db_;
};

}  // namespace

std::unique_ptr<AccountStore> OpenSqliteStore(const std::string& path, std::string* error) {
  sqlite3* db = nullptr;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
  if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    *error = "cannot open " + path + ": " + (db != nullptr ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    return nullptr;
  }
  // Another process (a "user add" beside a running server) may hold the write lock for a moment.
  sqlite3_busy_timeout(db, 5000);
  // WAL: readers never wait for the writer; FULL: a commit is on disk before its answer is sent.
  const char* setup = "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;";
  char* message = nullptr;
  if (sqlite3_exec(db, setup, nullptr, nullptr, &message) != SQLITE_OK ||
      sqlite3_exec(db, kSchema, nullptr, nullptr, &message) != SQLITE_OK) {
    *error = path + ": " + (message != nullptr ? message : sqlite3_errmsg(db));
    sqlite3_free(message);
    sqlite3_close(db);
    return nullptr;
  }
  return std::make_unique<SqliteStore>(db);
}

}  // namespace corvane_server
