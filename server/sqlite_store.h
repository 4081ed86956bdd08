// The SQLite back end: one file in WAL mode, one connection shared under a lock.
#pragma once

#include <memory>
#include <string>

#include "server/account_store.h"

namespace corvane_server {

// ":memory:" gives a store that lives as long as the object (the fuzz target uses it).
std::unique_ptr<AccountStore> OpenSqliteStore(const std::string& path, std::string* error);

}  // namespace corvane_server
