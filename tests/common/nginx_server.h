// nginx from Debian serving a folder on 127.0.0.1, with its own configuration, logs and temporary
// files in a private folder; started by the test and stopped by the destructor.
#pragma once

#include <string>
#include <sys/types.h>

#include "tests/common/temp_dir.h"

namespace corvane_test {

class NginxServer {
 public:
  // `root`: the folder served at "/". `extra_location_lines`: directives added inside the
  // location block (for example "limit_rate 4m;").
  explicit NginxServer(std::string root, std::string extra_location_lines = "");
  ~NginxServer();
  // Serves HTTPS with this certificate and key (PEM files) instead of HTTP; call before Start.
  void UseTls(std::string certificate, std::string key) {
    certificate_ = std::move(certificate);
    key_ = std::move(key);
  }
  // Starts nginx and waits until it answers; false (with the reason in error()) otherwise,
  // for example when nginx is not installed.
  bool Start();
  void Stop();
  int port() const { return port_; }
  std::string Url(const std::string& path) const;
  const std::string& error() const { return error_; }

  static bool Available();

  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

 private:
  std::string root_;
  std::string extra_;
  std::string certificate_;
  std::string key_;
  TempDir prefix_;
  int port_ = 0;
  pid_t pid_ = -1;
  std::string error_;
};

}  // namespace corvane_test
