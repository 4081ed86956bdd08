// The account server's request side on arbitrary bytes from a client: the session's framing and
// message checks, and the service acting on whatever gets through, over a real SQLite store.
// The first input byte says how the stream is cut into reads. Checked for any input: nothing is
// accepted after the session closes, uploads name only the account the session logged in as,
// every site that gets through can travel, and every answer is well framed.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "core/net/account_wire.h"
#include "server/account_service.h"
#include "server/password_hash.h"
#include "server/session.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

corvane_server::AccountService& Service() {
  static std::unique_ptr<corvane_server::AccountStore> store;
  static std::unique_ptr<corvane_server::AccountService> service;
  if (!service) {
    FUZZ_CHECK(corvane_server::InitPasswordHashing(), "libsodium");
    std::string error;
    store = corvane_server::OpenStore(":memory:", &error);
    FUZZ_CHECK(store != nullptr, error.c_str());
    for (const char* name : {"alice", "bob"}) {
      corvane_server::Account account;
      account.name = name;
      account.nickname = "昵称";
      account.passwordHash =
          corvane_server::HashPassword(ds::PasswordDigest("right"), corvane_server::HashCost::kMinimal);
      FUZZ_CHECK(store->AddAccount(account) == corvane_server::StoreResult::kOk, name);
    }
    // Limits out of reach, so failed logins do not lock the fuzzer out of the upload paths.
    service = std::make_unique<corvane_server::AccountService>(*store, corvane_server::LoginLimits{1 << 30, 1 << 30, 60});
  }
  return *service;
}

void CheckFramed(const std::string& bytes) {
  std::string_view rest(bytes);
  while (!rest.empty()) {
    ds::FrameHeader header;
    FUZZ_CHECK(ds::PeekFrame(rest, &header) == ds::FrameStatus::kComplete, "answer framing");
    rest.remove_prefix(header.length);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  corvane_server::AccountService& service = Service();
  corvane_fuzz::InputReader input(data, size);
  std::size_t piece = 1 + input.Byte() % 97;
  std::string stream(input.Rest());
  corvane_server::Session session;
  bool closed = false;
  for (std::size_t at = 0; at < stream.size() || at == 0; at += piece) {
    session.Receive(std::string_view(stream).substr(std::min(at, stream.size()), piece));
    while (true) {
      corvane_server::Session::Request request = session.Next();
      using Kind = corvane_server::Session::Kind;
      if (request.kind == Kind::kNeedMore) {
        FUZZ_CHECK(!closed, "request after close");
        break;
      }
      if (request.kind == Kind::kClose) {
        closed = true;
        break;
      }
      FUZZ_CHECK(!closed, "request after close");
      corvane_server::Reply reply;
      if (request.kind == Kind::kLogin) {
        FUZZ_CHECK(ds::IsValidAccount(request.login.account), "account");
        reply = service.Login(request.login, "127.0.0.1");
        session.SetLoggedIn(reply.loggedIn);
      } else {
        FUZZ_CHECK(!session.loggedIn().empty() && request.account == session.loggedIn(), "upload for another");
        if (request.kind == Kind::kCommonSoft) {
          reply = service.StoreCommonSoft(request.account, request.ids);
        } else {
          FUZZ_CHECK(request.sites.size() <= corvane_server::Session::kMaxSites, "site count");
          for (const ds::Site& site : request.sites) FUZZ_CHECK(ds::IsValidSite(site), "site");
          reply = service.StoreSites(request.account, request.sites);
        }
      }
      CheckFramed(reply.bytes);
      if (reply.close) return 0;  // the server drops the connection here
    }
    if (closed) break;
  }
  return 0;
}
