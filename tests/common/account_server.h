// The real corvane-server (build/dist) for tests: a store of its own in a temporary folder (or a
// given database), accounts added with its own "user add", served on 127.0.0.1 at a free port,
// stopped with SIGTERM by Stop() or the destructor. Also a tiny blocking client for raw messages.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/common/temp_dir.h"

namespace corvane_test {

class AccountServer {
 public:
  // `db`: an SQLite file or postgresql:// address; empty = a new file in a temporary folder.
  explicit AccountServer(std::string db = "");
  ~AccountServer();
  AccountServer(const AccountServer&) = delete;
  AccountServer& operator=(const AccountServer&) = delete;

  static std::string Binary();

  // Runs `corvane-server ARGS --db DB` with `input` on standard input; returns its exit status
  // and leaves its standard output in `output`.
  int Command(std::vector<std::string> args, const std::string& input = "", std::string* output = nullptr);
  bool AddUser(const std::string& name, const std::string& password, const std::string& nickname = "",
               int sex = 1);

  // Starts serving with extra `serve` options; false when it did not report its address.
  bool Start(const std::vector<std::string>& options = {});
  // SIGTERM, then the exit status (-1 when it did not exit by itself within 30 s and was killed).
  int Stop();
  int port() const { return port_; }
  const std::string& db() const { return db_; }
  pid_t pid() const { return pid_; }

 private:
  TempDir dir_;
  std::string db_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// One blocking TCP connection to 127.0.0.1:port.
class RawClient {
 public:
  explicit RawClient(int port);
  ~RawClient();
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool connected() const { return fd_ >= 0; }
  bool Send(const std::string& bytes);
  // The next whole message; "" when the connection closed (or nothing came within 30 s).
  std::string Receive();
  // True when the server closed the connection (reads end) without sending anything more.
  bool ClosedByPeer();

 private:
  int fd_ = -1;
  std::string buffer_;
};

}  // namespace corvane_test
