// Account server benchmark: CLIENTS concurrent clients each log in and upload a site list, against
// corvane-server (SQLite store, Argon2id at libsodium's interactive cost) and against the floor,
// account_floor_server, which answers without storage or hashing. Then IDLE idle connections are
// held open against each, with one login through them. Everything on 127.0.0.1; runs are bounded
// by a deadline.
//
//   server_bench [CLIENTS [IDLE]]      (default 1000 and 10000)
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/net/account_wire.h"
#include "server/account_store.h"
#include "server/password_hash.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

std::string SelfDir() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

// VmRSS and VmHWM of a process in MiB.
void Memory(pid_t pid, double* rss, double* peak) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) *rss = std::atof(line.c_str() + 6) / 1024.0;
    if (line.rfind("VmHWM:", 0) == 0) *peak = std::atof(line.c_str() + 6) / 1024.0;
  }
}

std::size_t OpenDescriptors(pid_t pid) {
  std::error_code ec;
  std::size_t count = 0;
  for (auto it = std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    ++count;
  }
  return count;
}

struct Process {
  pid_t pid = -1;
  int port = 0;
};

// Starts `argv`; the port comes from its first output line (corvane-server) or from `portFile`.
Process Start(std::vector<std::string> argv, const std::string& portFile) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return {};
  Process p;
  p.pid = fork();
  if (p.pid == 0) {
    dup2(pipeFds[1], 1);
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(pipeFds[1]);
  if (portFile.empty()) {
    std::string line;
    char c;
    while (line.find('\n') == std::string::npos && read(pipeFds[0], &c, 1) == 1) line += c;
    std::size_t colon = line.rfind(':');
    if (colon != std::string::npos) p.port = std::atoi(line.c_str() + colon + 1);
  } else {
    for (int i = 0; i < 100 && p.port == 0; ++i) {
      std::ifstream in(portFile);
      if (!(in >> p.port)) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  close(pipeFds[0]);
  return p;
}

int Stop(Process& p) {
  kill(p.pid, SIGTERM);
  int status = 0;
  waitpid(p.pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int Connect(int port, bool blocking) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (blocking ? 0 : SOCK_NONBLOCK), 0);
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && errno != EINPROGRESS) {
    close(fd);
    return -1;
  }
  return fd;
}

// Closes with a reset, so thousands of benchmark connections leave no TIME_WAIT behind.
void CloseHard(int fd) {
  linger off{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off);
  close(fd);
}

std::string UserName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "user%05d", i);
  return name;
}

struct LoadResult {
  double wall = 0;
  int ok = 0;
  int refused = 0;
  int failed = 0;
  std::vector<double> login;  // connect to 184, seconds
  std::vector<double> total;  // connect to 189
};

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  std::size_t index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[index];
}

// `clients` clients at once, each: connect, 183, wait for 184, send the site chunks, wait for 189.
LoadResult RunLoad(int port, int clients, double deadlineSeconds) {
  struct Client {
    int fd = -1;
    int index = 0;
    int state = 0;  // 0 connecting, 1 waiting for 184, 2 waiting for 189, 3 done
    std::string in;
    Clock::time_point start, loggedIn;
  };
  std::vector<ds::Site> sites;
  for (int i = 0; i < 12; ++i) sites.push_back({"站点" + std::to_string(i), "https://www.example.com/page/" + std::to_string(i)});
  std::vector<std::string> chunks;
  ds::ChunkSiteText(sites, &chunks);

  LoadResult result;
  int ep = epoll_create1(EPOLL_CLOEXEC);
  std::vector<Client> all(static_cast<std::size_t>(clients));
  Clock::time_point begin = Clock::now();
  int open = 0;
  for (int i = 0; i < clients; ++i) {
    Client& c = all[static_cast<std::size_t>(i)];
    c.index = i;
    c.start = Clock::now();
    c.fd = Connect(port, false);
    if (c.fd < 0) {
      ++result.failed;
      continue;
    }
    epoll_event event{EPOLLOUT | EPOLLIN, {}};
    event.data.u32 = static_cast<std::uint32_t>(i);
    epoll_ctl(ep, EPOLL_CTL_ADD, c.fd, &event);
    ++open;
  }
  auto finish = [&](Client& c, bool ok, bool refused) {
    if (ok) ++result.ok; else if (refused) ++result.refused; else ++result.failed;
    c.state = 3;
    CloseHard(c.fd);
    --open;
  };
  std::vector<epoll_event> events(1024);
  while (open > 0 && Seconds(begin, Clock::now()) < deadlineSeconds) {
    int count = epoll_wait(ep, events.data(), static_cast<int>(events.size()), 1000);
    for (int e = 0; e < count; ++e) {
      Client& c = all[events[e].data.u32];
      if (c.state == 3) continue;
      if (c.state == 0 && (events[e].events & EPOLLOUT)) {
        int error = 0;
        socklen_t length = sizeof error;
        getsockopt(c.fd, SOL_SOCKET, SO_ERROR, &error, &length);
        std::string login;
        ds::EncodeLoginRequest({UserName(c.index), ds::PasswordDigest("bench-password")}, &login);
        if (error != 0 || send(c.fd, login.data(), login.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(login.size())) {
          finish(c, false, false);
          continue;
        }
        epoll_event event{EPOLLIN, {}};
        event.data.u32 = static_cast<std::uint32_t>(c.index);
        epoll_ctl(ep, EPOLL_CTL_MOD, c.fd, &event);
        c.state = 1;
        continue;
      }
      char chunk[16384];
      ssize_t n = recv(c.fd, chunk, sizeof chunk, 0);
      if (n <= 0) {
        if (n < 0 && errno == EAGAIN) continue;
        finish(c, false, false);
        continue;
      }
      c.in.append(chunk, static_cast<std::size_t>(n));
      ds::FrameHeader header;
      while (c.state != 3 && ds::PeekFrame(c.in, &header) == ds::FrameStatus::kComplete) {
        std::string message = c.in.substr(0, header.length);
        c.in.erase(0, header.length);
        if (header.id == ds::kMsgLoginRefused) {
          finish(c, false, true);
        } else if (header.id == ds::kMsgLoginAccepted && c.state == 1) {
          c.loggedIn = Clock::now();
          result.login.push_back(Seconds(c.start, c.loggedIn));
          std::string upload;
          for (const std::string& text : chunks) {
            std::string one;
            ds::EncodeSitesChunk(UserName(c.index), text, &one);
            upload += one;
          }
          send(c.fd, upload.data(), upload.size(), MSG_NOSIGNAL);
          c.state = 2;
        } else if (header.id == ds::kMsgUploadResult && c.state == 2) {
          result.total.push_back(Seconds(c.start, Clock::now()));
          finish(c, true, false);
        }
      }
    }
  }
  for (Client& c : all) {
    if (c.state != 3 && c.fd >= 0) finish(c, false, false);
  }
  result.wall = Seconds(begin, Clock::now());
  close(ep);
  return result;
}

struct IdleResult {
  std::size_t held = 0;
  double rss = 0;
  double loginSeconds = -1;
};

// `count` connections that never send anything, then one login through the crowd.
IdleResult HoldIdle(const Process& server, int count) {
  IdleResult result;
  std::size_t baseline = OpenDescriptors(server.pid);
  std::vector<int> fds;
  for (int i = 0; i < count; ++i) {
    int fd = Connect(server.port, true);
    if (fd < 0) break;
    fds.push_back(fd);
  }
  // Wait (bounded) until the server has accepted them all.
  for (int i = 0; i < 300 && OpenDescriptors(server.pid) < baseline + fds.size(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  result.held = fds.size();
  double peak = 0;
  Memory(server.pid, &result.rss, &peak);
  Clock::time_point start = Clock::now();
  LoadResult one = RunLoad(server.port, 1, 60);
  if (one.ok == 1) result.loginSeconds = Seconds(start, Clock::now());
  // Still open after the login: the server kept every idle connection.
  std::size_t alive = 0;
  for (int fd : fds) {
    char c;
    ssize_t n = recv(fd, &c, 1, MSG_DONTWAIT);
    if (n < 0 && errno == EAGAIN) ++alive;
    CloseHard(fd);
  }
  result.held = std::min(result.held, alive);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  int clients = argc > 1 ? std::atoi(argv[1]) : 1000;
  int idle = argc > 2 ? std::atoi(argv[2]) : 10000;
  rlimit files{};
  getrlimit(RLIMIT_NOFILE, &files);
  files.rlim_cur = files.rlim_max;
  setrlimit(RLIMIT_NOFILE, &files);

  std::string bin = SelfDir();
  std::string serverBinary = bin + "/../dist/corvane-server";
  std::string floorBinary = bin + "/account_floor_server";
  char pattern[] = "/tmp/corvane-server-bench.XXXXXX";
  std::string dir = mkdtemp(pattern);
  std::string db = dir + "/accounts.db";

  // The accounts: one Argon2id hash at the interactive cost, shared by all (salt included).
  corvane_server::InitPasswordHashing();
  {
    std::string error;
    auto store = corvane_server::OpenStore(db, &error);
    if (!store) {
      std::fprintf(stderr, "server_bench: %s\n", error.c_str());
      return 1;
    }
    std::string hash = corvane_server::HashPassword(ds::PasswordDigest("bench-password"));
    for (int i = 0; i < clients; ++i) {
      corvane_server::Account account;
      account.name = UserName(i);
      account.passwordHash = hash;
      store->AddAccount(account);
    }
  }

  struct Row {
    const char* name;
    LoadResult load;
    double rss = 0, peak = 0;
    IdleResult idle;
    int exit = 0;
  };
  std::vector<Row> rows;
  for (int which = 0; which < 2; ++which) {
    Process p = which == 0
                    ? Start({serverBinary, "serve", "--db", db, "--listen", "127.0.0.1:0", "--max-pending",
                             std::to_string(clients + 1), "--account-failures", "1000000", "--address-failures",
                             "1000000"},
                            "")
                    : Start({floorBinary, dir + "/floor.port"}, dir + "/floor.port");
    if (p.port <= 0) {
      std::fprintf(stderr, "server_bench: %s did not start\n", which == 0 ? "corvane-server" : "the floor");
      return 1;
    }
    Row row{which == 0 ? "corvane-server" : "floor", {}, 0, 0, {}, 0};
    row.load = RunLoad(p.port, clients, 600);
    Memory(p.pid, &row.rss, &row.peak);
    row.idle = HoldIdle(p, idle);
    row.exit = Stop(p);
    rows.push_back(row);
  }
  std::filesystem::remove_all(dir);

  std::printf("%d clients, each logging in and uploading 12 sites; then %d idle connections\n\n", clients, idle);
  std::printf("| server         | ok   | refused | failed | logins/s | p50 login (ms) | p99 login (ms) | p99 login+upload (ms) | peak RSS (MiB) | idle held | RSS idle (MiB) | login among idle (ms) | exit |\n");
  std::printf("|----------------|-----:|--------:|-------:|---------:|---------------:|---------------:|----------------------:|---------------:|----------:|---------------:|----------------------:|-----:|\n");
  for (const Row& r : rows) {
    std::printf("| %-14s | %4d | %7d | %6d | %8.1f | %14.1f | %14.1f | %21.1f | %14.1f | %9zu | %14.1f | %21.1f | %4d |\n", r.name,
                r.load.ok, r.load.refused, r.load.failed, r.load.ok / r.load.wall, 1000 * Percentile(r.load.login, 0.5),
                1000 * Percentile(r.load.login, 0.99), 1000 * Percentile(r.load.total, 0.99), r.peak, r.idle.held,
                r.idle.rss, 1000 * r.idle.loginSeconds, r.exit);
  }
  const Row& ours = rows[0];
  const Row& floor = rows[1];
  std::printf("\nratio to the floor: logins/s %.4f, p99 login %.1f\n",
              (ours.load.ok / ours.load.wall) / (floor.load.ok / floor.load.wall),
              Percentile(ours.load.login, 0.99) / std::max(1e-9, Percentile(floor.load.login, 0.99)));
  bool ok = ours.load.ok == clients && floor.load.ok == clients && ours.idle.held >= static_cast<std::size_t>(idle) &&
            ours.exit == 0;
  return ok ? 0 : 1;
}
