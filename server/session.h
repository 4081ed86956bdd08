// The protocol state of one connection, without sockets: received bytes go in, whole requests come
// out. Bad framing, malformed messages, unknown identifiers and uploads that do not name the
// account this connection logged in as all end in kClose.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/net/account_wire.h"

namespace corvane_server {

class Session {
 public:
  // More sites than this in one upload closes the connection.
  static constexpr std::size_t kMaxSites = 300;

  enum class Kind { kNeedMore, kClose, kLogin, kCommonSoft, kSites };
  struct Request {
    Kind kind = Kind::kNeedMore;
    ds::LoginRequest login;
    std::string account;  // uploads: the logged-in account they are for
    ds::CommonSoftIds ids{};
    std::vector<ds::Site> sites;
  };

  void Receive(std::string_view bytes) { buffer_.append(bytes.data(), bytes.size()); }
  // The next whole request; kNeedMore until one is there. After kClose the session is finished.
  Request Next();
  // The outcome of a login this session asked for ("" = refused).
  void SetLoggedIn(const std::string& account) { loggedIn_ = account; }
  const std::string& loggedIn() const { return loggedIn_; }
  std::size_t buffered() const { return buffer_.size() - consumed_; }

 private:
  Request Close();

  std::string buffer_;
  std::size_t consumed_ = 0;
  std::string loggedIn_;
  ds::SiteTextReader sites_;
  bool closed_ = false;
};

}  // namespace corvane_server
