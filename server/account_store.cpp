#include "server/account_store.h"

#include <cstdlib>

#include "server/postgres_store.h"
#include "server/sqlite_store.h"

namespace corvane_server {

std::unique_ptr<AccountStore> OpenStore(const std::string& db, std::string* error) {
  if (db.rfind("postgresql://", 0) == 0 || db.rfind("postgres://", 0) == 0) return OpenPostgresStore(db, error);
  return OpenSqliteStore(db, error);
}

std::string CommonSoftToText(const ds::CommonSoftIds& ids) {
  std::string text;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (i > 0) text += ',';
    text += std::to_string(ids[i]);
  }
  return text;
}

bool CommonSoftFromText(const std::string& text, ds::CommonSoftIds* ids) {
  const char* p = text.c_str();
  for (std::size_t i = 0; i < ids->size(); ++i) {
    char* end = nullptr;
    long value = std::strtol(p, &end, 10);
    if (end == p || (*end != ',' && *end != '\0') || (*end == '\0') != (i + 1 == ids->size())) return false;
    (*ids)[i] = static_cast<std::int32_t>(value);
    p = end + (*end == ',' ? 1 : 0);
  }
  return true;
}

std::string SitesToText(const std::vector<ds::Site>& sites) {
  std::string text;
  for (const ds::Site& site : sites) text += site.name + "\n" + site.address + "\n";
  return text;
}

std::vector<ds::Site> SitesFromText(const std::string& text) {
  std::vector<ds::Site> sites;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t nameEnd = text.find('\n', pos);
    if (nameEnd == std::string::npos) break;
    std::size_t addressEnd = text.find('\n', nameEnd + 1);
    if (addressEnd == std::string::npos) break;
    sites.push_back({text.substr(pos, nameEnd - pos), text.substr(nameEnd + 1, addressEnd - nameEnd - 1)});
    pos = addressEnd + 1;
  }
  return sites;
}

}  // namespace corvane_server
