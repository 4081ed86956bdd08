#include "server/postgres_store.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace corvane_server {
namespace {

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS accounts ("
    " name TEXT PRIMARY KEY, password_hash TEXT NOT NULL, sex INTEGER NOT NULL DEFAULT 1,"
    " member INTEGER NOT NULL DEFAULT 0, nickname TEXT NOT NULL DEFAULT '',"
    " disabled BOOLEAN NOT NULL DEFAULT FALSE, common_soft TEXT, sites TEXT);"
    "CREATE TABLE IF NOT EXISTS login_failures ("
    " key TEXT PRIMARY KEY, failures INTEGER NOT NULL, window_start BIGINT NOT NULL);";

// One query result, cleared when it goes out of scope.
class Result {
 public:
  explicit Result(PGresult* result) : result_(result) {}
  ~Result() { PQclear(result_); }
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;

  bool Ok() const {
    ExecStatusType status = PQresultStatus(result_);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
  }
  bool UniqueViolation() const {
    const char* state = PQresultErrorField(result_, PG_DIAG_SQLSTATE);
    return state != nullptr && std::strcmp(state, "23505") == 0;
  }
  int Rows() const { return PQntuples(result_); }
  int Changed() const { return std::atoi(PQcmdTuples(result_)); }
  bool IsNull(int row, int column) const { return PQgetisnull(result_, row, column) != 0; }
  std::string Text(int row, int column) const {
    return std::string(PQgetvalue(result_, row, column), static_cast<std::size_t>(PQgetlength(result_, row, column)));
  }
  long long Int(int row, int column) const { return std::atoll(PQgetvalue(result_, row, column)); }

 private:
  PGresult* result_;
};

const char kAccountColumns[] = "SELECT name, password_hash, sex, member, nickname, disabled FROM accounts";

Account AccountFromRow(const Result& result, int row) {
  Account account;
  account.name = result.Text(row, 0);
  account.passwordHash = result.Text(row, 1);
  account.sex = static_cast<int>(result.Int(row, 2));
  account.member = static_cast<int>(result.Int(row, 3));
  account.nickname = result.Text(row, 4);
  account.disabled = result.Text(row, 5) == "t";
  return account;
}

class PostgresStore : public AccountStore {
 public:
  explicit PostgresStore(PGconn* connection) : connection_(connection) {}
  ~PostgresStore() override { PQfinish(connection_); }

  StoreResult AddAccount(const Account& account) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Result r(Exec("INSERT INTO accounts(name, password_hash, sex, member, nickname, disabled) "
                  "VALUES ($1, $2, $3, $4, $5, $6)",
                  {account.name, account.passwordHash, std::to_string(account.sex), std::to_string(account.member),
                   account.nickname, account.disabled ? "true" : "false"}));
    if (r.UniqueViolation()) return StoreResult::kExists;
    return r.Ok() ? StoreResult::kOk : StoreResult::kError;
  }

  StoreResult FindAccount(const std::string& name, Account* out) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Result r(Exec(std::string(kAccountColumns) + " WHERE name = $1", {name}));
    if (!r.Ok()) return StoreResult::kError;
    if (r.Rows() == 0) return StoreResult::kNotFound;
    *out = AccountFromRow(r, 0);
    return StoreResult::kOk;
  }

  StoreResult SetDisabled(const std::string& name, bool disabled) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return Changed(Exec("UPDATE accounts SET disabled = $2 WHERE name = $1", {name, disabled ? "true" : "false"}));
  }

  StoreResult ListAccounts(std::vector<Account>* out) override {
    std::lock_guard<std::mutex> lock(mutex_);
    // Byte order of the names, as SQLite sorts them.
    Result r(Exec(std::string(kAccountColumns) + " ORDER BY name COLLATE \"C\"", {}));
    if (!r.Ok()) return StoreResult::kError;
    out->clear();
    for (int row = 0; row < r.Rows(); ++row) out->push_back(AccountFromRow(r, row));
    return StoreResult::kOk;
  }

  StoreResult LoadLists(const std::string& name, AccountLists* out) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Result r(Exec("SELECT common_soft, sites FROM accounts WHERE name = $1", {name}));
    if (!r.Ok()) return StoreResult::kError;
    if (r.Rows() == 0) return StoreResult::kNotFound;
    *out = AccountLists();
    ds::CommonSoftIds ids;
    if (!r.IsNull(0, 0) && CommonSoftFromText(r.Text(0, 0), &ids)) out->commonSoft = ids;
    if (!r.IsNull(0, 1)) out->sites = SitesFromText(r.Text(0, 1));
    return StoreResult::kOk;
  }

  StoreResult SaveCommonSoft(const std::string& name, const ds::CommonSoftIds& ids) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return Changed(Exec("UPDATE accounts SET common_soft = $2 WHERE name = $1", {name, CommonSoftToText(ids)}));
  }

  StoreResult SaveSites(const std::string& name, const std::vector<ds::Site>& sites) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return Changed(Exec("UPDATE accounts SET sites = $2 WHERE name = $1", {name, SitesToText(sites)}));
  }

  StoreResult AddFailure(const std::string& key, std::int64_t now, std::int64_t window, int* count) override {
    std::lock_guard<std::mutex> lock(mutex_);
    // One statement, so servers sharing the database count every failure exactly once.
    Result r(Exec("INSERT INTO login_failures AS f(key, failures, window_start) VALUES ($1, 1, $2) "
                  "ON CONFLICT(key) DO UPDATE SET "
                  " failures = CASE WHEN f.window_start <= $3 THEN 1 ELSE f.failures + 1 END,"
                  " window_start = CASE WHEN f.window_start <= $3 THEN $2 ELSE f.window_start END "
                  "RETURNING failures",
                  {key, std::to_string(now), std::to_string(now - window)}));
    if (!r.Ok() || r.Rows() != 1) return StoreResult::kError;
    *count = static_cast<int>(r.Int(0, 0));
    return StoreResult::kOk;
  }

  StoreResult RecentFailures(const std::string& key, std::int64_t now, std::int64_t window, int* count) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Result r(Exec("SELECT failures FROM login_failures WHERE key = $1 AND window_start > $2",
                  {key, std::to_string(now - window)}));
    if (!r.Ok()) return StoreResult::kError;
    *count = r.Rows() > 0 ? static_cast<int>(r.Int(0, 0)) : 0;
    return StoreResult::kOk;
  }

  StoreResult ClearFailures(const std::string& key) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return Result(Exec("DELETE FROM login_failures WHERE key = $1", {key})).Ok() ? StoreResult::kOk
                                                                                   : StoreResult::kError;
  }

  StoreResult PruneFailures(std::int64_t before) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return Result(Exec("DELETE FROM login_failures WHERE window_start < $1", {std::to_string(before)})).Ok()
               ? StoreResult::kOk
               : StoreResult::kError;
  }

 private:
  // Runs one statement with text parameters; a connection that was lost is re-opened once.
  PGresult* Exec(const std::string& sql, const std::vector<std::string>& params) {
    if (PQstatus(connection_) != CONNECTION_OK) PQreset(connection_);
    std::vector<const char*> values;
    for (const std::string& p : params) values.push_back(p.c_str());
    return PQexecParams(connection_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                        nullptr, 0);
  }

  static StoreResult Changed(PGresult* raw) {
    Result r(raw);
    if (!r.Ok()) return StoreResult::kError;
    return r.Changed() > 0 ? StoreResult::kOk : StoreResult::kNotFound;
  }

  std::mutex mutex_;
  PGconn* connection_;
};

}  // namespace

std::unique_ptr<AccountStore> OpenPostgresStore(const std::string& url, std::string* error) {
  PGconn* connection = PQconnectdb(url.c_str());
  if (PQstatus(connection) != CONNECTION_OK) {
    *error = std::string("cannot connect to the database: ") + PQerrorMessage(connection);
    PQfinish(connection);
    return nullptr;
  }
  PQsetClientEncoding(connection, "UTF8");
  // Several servers may start at once on a new database: creating the tables is serialised.
  Result schema(PQexec(connection,
                       ("BEGIN; SELECT pg_advisory_xact_lock(7025183); SET LOCAL client_min_messages = warning; " +
                        std::string(kSchema) + " COMMIT;").c_str()));
  if (!schema.Ok()) {
    *error = std::string("cannot create the tables: ") + PQerrorMessage(connection);
    PQfinish(connection);
    return nullptr;
  }
  return std::make_unique<PostgresStore>(connection);
}

}  // namespace corvane_server
