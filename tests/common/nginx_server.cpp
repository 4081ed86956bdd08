#include "tests/common/nginx_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace corvane_test {
namespace {

const char kNginx[] = "/usr/sbin/nginx";

int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
    port = ntohs(addr.sin_port);
  close(fd);
  return port;
}

bool Answers(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

}  // namespace

NginxServer::NginxServer(std::string root, std::string extra_location_lines)
    : root_(std::move(root)), extra_(std::move(extra_location_lines)) {}

NginxServer::~NginxServer() { Stop(); }

bool NginxServer::Available() { return access(kNginx, X_OK) == 0; }

std::string NginxServer::Url(const std::string& path) const {
  return (certificate_.empty() ? "http://127.0.0.1:" : "https://127.0.0.1:") + std::to_string(port_) + path;
}

bool NginxServer::Start() {
  if (!Available()) {
    error_ = std::string(kNginx) + " is not installed";
    return false;
  }
  const std::string prefix = prefix_.path();
  mkdir((prefix + "/tmp").c_str(), 0700);
  for (int attempt = 0; attempt < 5; ++attempt) {
    port_ = FreePort();
    std::string conf;
    // Running as root, workers would switch to "nobody" and fail to read the test's private folders.
    if (geteuid() == 0) conf += "user root root;\n";
    conf += "daemon off;\nworker_processes 2;\npid " + prefix + "/nginx.pid;\nerror_log " + prefix +
            "/error.log warn;\nevents { worker_connections 512; }\nhttp {\n  access_log off;\n"
            "  default_type application/octet-stream;\n  sendfile on;\n  keepalive_requests 100000;\n"
            "  client_body_temp_path " + prefix + "/tmp/body;\n  proxy_temp_path " + prefix +
            "/tmp/proxy;\n  fastcgi_temp_path " + prefix + "/tmp/fastcgi;\n  uwsgi_temp_path " + prefix +
            "/tmp/uwsgi;\n  scgi_temp_path " + prefix + "/tmp/scgi;\n  server {\n    listen 127.0.0.1:" +
            std::to_string(port_) + (certificate_.empty() ? std::string() : " ssl") + ";\n" +
            (certificate_.empty() ? std::string()
                                  : "    ssl_certificate " + certificate_ + ";\n    ssl_certificate_key " + key_ + ";\n") +
            "    root " + root_ + ";\n    location / {\n      " + extra_ +
            "\n    }\n  }\n}\n";
    WriteWholeFile(prefix + "/nginx.conf", conf);
    pid_t pid = fork();
    if (pid < 0) {
      error_ = "fork failed";
      return false;
    }
    if (pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      int out = open((prefix + "/stderr.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
      if (out >= 0) {
        dup2(out, 1);
        dup2(out, 2);
      }
      execl(kNginx, kNginx, "-p", prefix.c_str(), "-e", (prefix + "/error.log").c_str(), "-c",
            (prefix + "/nginx.conf").c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    pid_ = pid;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      if (Answers(port_)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Stop();
  }
  error_ = "nginx did not start: " + ReadWholeFile(prefix + "/stderr.log") + ReadWholeFile(prefix + "/error.log");
  return false;
}

void NginxServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  for (int i = 0; i < 500; ++i) {
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

}  // namespace corvane_test
