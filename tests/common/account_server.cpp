#include "tests/common/account_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "core/net/account_wire.h"

namespace corvane_test {
namespace {

// Starts the server program with `args`; its standard input and output are pipes handed back.
pid_t Spawn(const std::vector<std::string>& args, int* in, int* out) {
  int toChild[2], fromChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0) return -1;
  if (pipe2(fromChild, O_CLOEXEC) != 0) {
    close(toChild[0]);
    close(toChild[1]);
    return -1;
  }
  pid_t pid = fork();
  if (pid == 0) {
    dup2(toChild[0], 0);
    dup2(fromChild[1], 1);
    std::vector<char*> argv;
    std::string binary = AccountServer::Binary();
    argv.push_back(binary.data());
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(binary.c_str(), argv.data());
    _exit(127);
  }
  close(toChild[0]);
  close(fromChild[1]);
  *in = toChild[1];
  *out = fromChild[0];
  return pid;
}

int WaitStatus(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

AccountServer::AccountServer(std::string db) : db_(db.empty() ? dir_.File("accounts.db") : std::move(db)) {}

AccountServer::~AccountServer() { Stop(); }

std::string AccountServer::Binary() {
  if (const char* bin = std::getenv("CORVANE_TEST_BIN")) return std::string(bin) + "/../dist/corvane-server";
  return "../dist/corvane-server";
}

int AccountServer::Command(std::vector<std::string> args, const std::string& input, std::string* output) {
  args.push_back("--db");
  args.push_back(db_);
  int in = -1, out = -1;
  pid_t pid = Spawn(args, &in, &out);
  if (pid < 0) return -1;
  if (!input.empty()) {
    ssize_t written = write(in, input.data(), input.size());
    (void)written;
  }
  close(in);
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(out, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
  close(out);
  if (output != nullptr) *output = text;
  return WaitStatus(pid);
}

bool AccountServer::AddUser(const std::string& name, const std::string& password, const std::string& nickname,
                            int sex) {
  std::vector<std::string> args{"user", "add", name, "--sex", std::to_string(sex)};
  if (!nickname.empty()) {
    args.push_back("--nickname");
    args.push_back(nickname);
  }
  return Command(args, password + "\n") == 0;
}

bool AccountServer::Start(const std::vector<std::string>& options) {
  std::vector<std::string> args{"serve", "--db", db_, "--listen", "127.0.0.1:0"};
  args.insert(args.end(), options.begin(), options.end());
  int in = -1, out = -1;
  pid_ = Spawn(args, &in, &out);
  if (pid_ < 0) return false;
  close(in);
  // "corvane-server: listening on 127.0.0.1:PORT"
  std::string line;
  char c;
  pollfd wait{out, POLLIN, 0};
  while (line.find('\n') == std::string::npos && poll(&wait, 1, 30000) == 1 && read(out, &c, 1) == 1) line += c;
  close(out);
  std::size_t colon = line.rfind(':');
  port_ = line.find("listening on 127.0.0.1:") != std::string::npos ? std::atoi(line.c_str() + colon + 1) : 0;
  if (port_ <= 0) Stop();
  return port_ > 0;
}

int AccountServer::Stop() {
  if (pid_ < 0) return -1;
  kill(pid_, SIGTERM);
  int status = -1;
  for (int i = 0; i < 300; ++i) {
    int raw = 0;
    if (waitpid(pid_, &raw, WNOHANG) == pid_) {
      status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
      pid_ = -1;
      return status;
    }
    usleep(100 * 1000);
  }
  kill(pid_, SIGKILL);
  WaitStatus(pid_);
  pid_ = -1;
  return -1;
}

RawClient::RawClient(int port) {
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd_ >= 0 && connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd_);
    fd_ = -1;
  }
}

RawClient::~RawClient() {
  if (fd_ >= 0) close(fd_);
}

bool RawClient::Send(const std::string& bytes) {
  return fd_ >= 0 && send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

std::string RawClient::Receive() {
  while (fd_ >= 0) {
    ds::FrameHeader header;
    ds::FrameStatus status = ds::PeekFrame(buffer_, &header);
    if (status == ds::FrameStatus::kBad) return "";
    if (status == ds::FrameStatus::kComplete) {
      std::string message = buffer_.substr(0, header.length);
      buffer_.erase(0, header.length);
      return message;
    }
    pollfd wait{fd_, POLLIN, 0};
    char chunk[16384];
    ssize_t n = poll(&wait, 1, 30000) == 1 ? recv(fd_, chunk, sizeof chunk, 0) : -1;
    if (n <= 0) return "";
    buffer_.append(chunk, static_cast<std::size_t>(n));
  }
  return "";
}

bool RawClient::ClosedByPeer() {
  if (fd_ < 0 || !buffer_.empty()) return false;
  pollfd wait{fd_, POLLIN, 0};
  char c;
  return poll(&wait, 1, 30000) == 1 && recv(fd_, &c, 1, 0) <= 0;
}

}  // namespace corvane_test
