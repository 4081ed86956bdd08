#include "server/account_service.h"

#include <ctime>

#include "core/log/logger.h"
#include "server/password_hash.h"

namespace corvane_server {
namespace {

std::string AccountKey(const std::string& account) { return "account:" + account; }
std::string AddressKey(const std::string& address) { return "address:" + address; }

// A cleared slot of the client's list travels as a blank name and address; it is not a site.
bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t\r") == std::string::npos; }

}  // namespace

AccountService::AccountService(AccountStore& store, LoginLimits limits, std::function<std::int64_t()> clock)
    : store_(store), limits_(limits), clock_(std::move(clock)) {
  if (!clock_) clock_ = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
}

Reply AccountService::Busy() { return Reply{ds::EncodeLoginRefused(ds::kRefuseBusy), true, ""}; }

Reply AccountService::Refuse(std::int32_t code) { return Reply{ds::EncodeLoginRefused(code), true, ""}; }

void AccountService::CountFailure(const std::string& key) {
  std::int64_t now = clock_();
  int count = 0;
  if (store_.AddFailure(key, now, limits_.window, &count) != StoreResult::kOk) {
    ds::LogWarn("corvane_server::AccountService::Login")("cannot count a failed login");
  }
  // Expired counters are dropped now and then, so the table stays as small as the attackers.
  if (++failures_ % 256 == 0) store_.PruneFailures(now - limits_.window);
}

Reply AccountService::Login(const ds::LoginRequest& request, const std::string& address) {
  std::int64_t now = clock_();
  int accountCount = 0;
  int addressCount = 0;
  if (store_.RecentFailures(AccountKey(request.account), now, limits_.window, &accountCount) != StoreResult::kOk ||
      store_.RecentFailures(AddressKey(address), now, limits_.window, &addressCount) != StoreResult::kOk) {
    return Busy();
  }
  if (accountCount >= limits_.accountFailures || addressCount >= limits_.addressFailures) return Busy();

  Account account;
  StoreResult found = store_.FindAccount(request.account, &account);
  if (found == StoreResult::kError) return Busy();
  if (found == StoreResult::kNotFound) {
    CountFailure(AddressKey(address));
    return Refuse(ds::kRefuseNoAccount);
  }
  if (!VerifyPassword(account.passwordHash, request.passwordMd5)) {
    CountFailure(AccountKey(request.account));
    CountFailure(AddressKey(address));
    return Refuse(ds::kRefuseBadPassword);
  }
  // Only the password's owner learns that the account is disabled.
  if (account.disabled) return Refuse(ds::kRefuseDisabled);
  if (accountCount > 0) store_.ClearFailures(AccountKey(request.account));

  Reply reply;
  if (!ds::EncodeLoginAccepted({account.sex, static_cast<std::uint8_t>(account.member), account.nickname},
                               &reply.bytes)) {
    return Busy();
  }
  reply.loggedIn = account.name;
  // The stored lists follow the acceptance at once, in the same write.
  AccountLists lists;
  if (store_.LoadLists(account.name, &lists) == StoreResult::kOk) {
    if (lists.commonSoft) reply.bytes += ds::EncodeCommonSoftList(*lists.commonSoft);
    std::vector<std::string> chunks;
    if (lists.sites && ds::ChunkSiteText(*lists.sites, &chunks)) {
      for (const std::string& chunk : chunks) {
        std::string message;
        if (ds::EncodeSitesChunk("", chunk, &message)) reply.bytes += message;
      }
    }
  }
  return reply;
}

Reply AccountService::StoreCommonSoft(const std::string& account, const ds::CommonSoftIds& ids) {
  Reply reply;
  reply.loggedIn = account;
  if (store_.SaveCommonSoft(account, ids) != StoreResult::kOk) {
    // Nothing was stored: no answer, and the client sees the connection close.
    ds::LogWarn("corvane_server::AccountService::StoreCommonSoft")("cannot store the list of %s", account.c_str());
    reply.close = true;
    return reply;
  }
  reply.bytes = ds::EncodeUploadResult(ds::kResultSoftStored);
  return reply;
}

Reply AccountService::StoreSites(const std::string& account, const std::vector<ds::Site>& sites) {
  std::vector<ds::Site> kept;
  for (const ds::Site& site : sites) {
    if (!(IsBlank(site.name) && IsBlank(site.address))) kept.push_back(site);
  }
  Reply reply;
  reply.loggedIn = account;
  if (store_.SaveSites(account, kept) != StoreResult::kOk) {
    ds::LogWarn("corvane_server::AccountService::StoreSites")("cannot store the sites of %s", account.c_str());
    reply.close = true;
    return reply;
  }
  reply.bytes = ds::EncodeUploadResult(ds::kResultSitesStored);
  return reply;
}

}  // namespace corvane_server
