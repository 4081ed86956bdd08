// corvane-server: the account server the Corvane client logs in to.
//
//   corvane-server serve --db FILE --listen 127.0.0.1:PORT [--workers N] [--max-pending N]
//                  [--max-connections N] [--idle-seconds N] [--account-failures N]
//                  [--address-failures N] [--failure-window SECONDS]
//   corvane-server user add NAME --db FILE [--nickname TEXT] [--sex 1|2]   (password: one line on stdin)
//   corvane-server user disable NAME --db FILE
//   corvane-server user list --db FILE
//
// FILE is an SQLite file, or a postgresql:// address for servers sharing one database.
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "core/log/logger.h"
#include "core/net/account_wire.h"
#include "core/text/text_codec.h"
#include "server/account_service.h"
#include "server/account_store.h"
#include "server/password_hash.h"
#include "server/server.h"

namespace {

using corvane_server::StoreResult;

corvane_server::Server* g_server = nullptr;

void OnStopSignal(int) {
  if (g_server != nullptr) g_server->RequestStop();
}

int Usage() {
  std::fprintf(stderr,
               "usage: corvane-server serve --db FILE --listen HOST:PORT [--workers N] [--max-pending N]\n"
               "                            [--max-connections N] [--idle-seconds N] [--account-failures N]\n"
               "                            [--address-failures N] [--failure-window SECONDS]\n"
               "       corvane-server user add NAME --db FILE [--nickname TEXT] [--sex 1|2]  (password on stdin)\n"
               "       corvane-server user disable NAME --db FILE\n"
               "       corvane-server user list --db FILE\n"
               "FILE: an SQLite file, or postgresql://... for several servers on one database.\n");
  return 2;
}

// "--name value" pairs after the positional words; false on an unknown or incomplete option.
bool ParseOptions(const std::vector<std::string>& args, std::size_t from, const std::vector<std::string>& known,
                  std::map<std::string, std::string>* out) {
  for (std::size_t i = from; i < args.size(); i += 2) {
    bool isKnown = false;
    for (const std::string& name : known) isKnown = isKnown || args[i] == name;
    if (!isKnown || i + 1 >= args.size()) {
      std::fprintf(stderr, "corvane-server: unknown or incomplete option %s\n", args[i].c_str());
      return false;
    }
    (*out)[args[i]] = args[i + 1];
  }
  return true;
}

bool ParseNumber(const std::map<std::string, std::string>& options, const std::string& name, long long minimum,
                 long long* value) {
  auto found = options.find(name);
  if (found == options.end()) return true;
  char* end = nullptr;
  long long parsed = std::strtoll(found->second.c_str(), &end, 10);
  if (found->second.empty() || *end != '\0' || parsed < minimum) {
    std::fprintf(stderr, "corvane-server: %s needs a number of at least %lld\n", name.c_str(), minimum);
    return false;
  }
  *value = parsed;
  return true;
}

std::unique_ptr<corvane_server::AccountStore> Open(const std::map<std::string, std::string>& options) {
  auto db = options.find("--db");
  if (db == options.end()) {
    std::fprintf(stderr, "corvane-server: --db is required\n");
    return nullptr;
  }
  std::string error;
  auto store = corvane_server::OpenStore(db->second, &error);
  if (!store) std::fprintf(stderr, "corvane-server: %s\n", error.c_str());
  return store;
}

int Serve(const std::map<std::string, std::string>& options) {
  corvane_server::ServerOptions serverOptions;
  corvane_server::LoginLimits limits;
  auto listen = options.find("--listen");
  if (listen == options.end()) {
    std::fprintf(stderr, "corvane-server: --listen is required\n");
    return 2;
  }
  serverOptions.listen = listen->second;
  long long workers = 0, pending = static_cast<long long>(serverOptions.maxPending),
            connections = static_cast<long long>(serverOptions.maxConnections), idle = serverOptions.idleSeconds,
            accountFailures = limits.accountFailures, addressFailures = limits.addressFailures,
            window = limits.window;
  if (!ParseNumber(options, "--workers", 0, &workers) || !ParseNumber(options, "--max-pending", 1, &pending) ||
      !ParseNumber(options, "--max-connections", 1, &connections) ||
      !ParseNumber(options, "--idle-seconds", 1, &idle) ||
      !ParseNumber(options, "--account-failures", 1, &accountFailures) ||
      !ParseNumber(options, "--address-failures", 1, &addressFailures) ||
      !ParseNumber(options, "--failure-window", 1, &window)) {
    return 2;
  }
  serverOptions.workers = static_cast<std::size_t>(workers);
  serverOptions.maxPending = static_cast<std::size_t>(pending);
  serverOptions.maxConnections = static_cast<std::size_t>(connections);
  serverOptions.idleSeconds = static_cast<int>(idle);
  limits.accountFailures = static_cast<int>(accountFailures);
  limits.addressFailures = static_cast<int>(addressFailures);
  limits.window = window;

  // Thousands of connections need as many descriptors as the system allows this process.
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }
  auto store = Open(options);
  if (!store) return 1;
  corvane_server::AccountService service(*store, limits);
  corvane_server::Server server(service, serverOptions);
  std::string error;
  if (!server.Listen(&error)) {
    std::fprintf(stderr, "corvane-server: %s\n", error.c_str());
    return 1;
  }
  g_server = &server;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  // Scripts and tests read the bound address (port 0 picks a free one) from this line.
  std::printf("corvane-server: listening on %s\n", server.address().c_str());
  std::fflush(stdout);
  server.Run();
  g_server = nullptr;
  ds::LogInfo("corvane-server")("stopped");
  return 0;
}

int UserAdd(const std::string& name, const std::map<std::string, std::string>& options) {
  corvane_server::Account account;
  account.name = name;
  if (!ds::IsValidAccount(name)) {
    std::fprintf(stderr, "corvane-server: an account name is 1 to %zu bytes (GBK) without control characters\n",
                 ds::kAccountMaxBytes);
    return 2;
  }
  auto nickname = options.find("--nickname");
  if (nickname != options.end()) account.nickname = nickname->second;
  if (!ds::IsValidUtf8(account.nickname) || ds::GbkByteLength(account.nickname) > ds::kNicknameMaxBytes) {
    std::fprintf(stderr, "corvane-server: a nickname is at most %zu bytes (GBK)\n", ds::kNicknameMaxBytes);
    return 2;
  }
  auto sex = options.find("--sex");
  if (sex != options.end()) {
    if (sex->second != "1" && sex->second != "2") {
      std::fprintf(stderr, "corvane-server: --sex is 1 (male) or 2 (female)\n");
      return 2;
    }
    account.sex = sex->second == "2" ? 2 : 1;
  }
  std::string password;
  if (!std::getline(std::cin, password)) password.clear();
  if (!password.empty() && password.back() == '\r') password.pop_back();
  // The client refuses longer passwords before connecting; such an account could never log in.
  if (password.empty() || ds::GbkByteLength(password) > ds::kPasswordMaxBytes || !ds::IsValidUtf8(password)) {
    std::fprintf(stderr, "corvane-server: the password (one line on standard input) is 1 to %zu bytes (GBK)\n",
                 ds::kPasswordMaxBytes);
    return 2;
  }
  auto store = Open(options);
  if (!store) return 1;
  if (!corvane_server::InitPasswordHashing()) return 1;
  account.passwordHash = corvane_server::HashPassword(ds::PasswordDigest(password));
  if (account.passwordHash.empty()) {
    std::fprintf(stderr, "corvane-server: hashing the password failed\n");
    return 1;
  }
  StoreResult result = store->AddAccount(account);
  if (result == StoreResult::kExists) {
    std::fprintf(stderr, "corvane-server: account %s exists already\n", name.c_str());
    return 1;
  }
  return result == StoreResult::kOk ? 0 : (std::fprintf(stderr, "corvane-server: cannot store the account\n"), 1);
}

int UserDisable(const std::string& name, const std::map<std::string, std::string>& options) {
  auto store = Open(options);
  if (!store) return 1;
  StoreResult result = store->SetDisabled(name, true);
  if (result == StoreResult::kNotFound) std::fprintf(stderr, "corvane-server: no account %s\n", name.c_str());
  if (result == StoreResult::kError) std::fprintf(stderr, "corvane-server: cannot change the account\n");
  return result == StoreResult::kOk ? 0 : 1;
}

int UserList(const std::map<std::string, std::string>& options) {
  auto store = Open(options);
  if (!store) return 1;
  std::vector<corvane_server::Account> accounts;
  if (store->ListAccounts(&accounts) != StoreResult::kOk) {
    std::fprintf(stderr, "corvane-server: cannot read the accounts\n");
    return 1;
  }
  // One account a line: name, nickname, sex code, member flag, state; tab-separated.
  for (const auto& a : accounts) {
    std::printf("%s\t%s\t%d\t%d\t%s\n", a.name.c_str(), a.nickname.c_str(), a.sex, a.member,
                a.disabled ? "disabled" : "enabled");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  ds::LogOut2Debug log;  // standard error
  ds::LoggerHolder::Instance()->AddAppender(&log);
  std::vector<std::string> args(argv + 1, argv + argc);
  std::map<std::string, std::string> options;
  int status = -1;
  if (args.size() >= 1 && args[0] == "serve") {
    if (!ParseOptions(args, 1,
                      {"--db", "--listen", "--workers", "--max-pending", "--max-connections", "--idle-seconds",
                       "--account-failures", "--address-failures", "--failure-window"},
                      &options)) {
      status = Usage();
    } else {
      status = Serve(options);
    }
  } else if (args.size() >= 3 && args[0] == "user" && args[1] == "add") {
    status = ParseOptions(args, 3, {"--db", "--nickname", "--sex"}, &options) ? UserAdd(args[2], options) : Usage();
  } else if (args.size() >= 3 && args[0] == "user" && args[1] == "disable") {
    status = ParseOptions(args, 3, {"--db"}, &options) ? UserDisable(args[2], options) : Usage();
  } else if (args.size() >= 2 && args[0] == "user" && args[1] == "list") {
    status = ParseOptions(args, 2, {"--db"}, &options) ? UserList(options) : Usage();
  } else {
    status = Usage();
  }
  ds::LoggerHolder::Instance()->RemoveAppender(&log);
  return status;
}
