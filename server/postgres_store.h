// The PostgreSQL back end (libpq): several servers share one database, the failed-login counters
// included, so a limit holds across all of them.
#pragma once

#include <memory>
#include <string>

#include "server/account_store.h"

namespace corvane_server {

std::unique_ptr<AccountStore> OpenPostgresStore(const std::string& url, std::string* error);

}  // namespace corvane_server
