#include "server/server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "core/log/logger.h"
#include "server/worker_pool.h"

namespace corvane_server {
namespace {

constexpr std::uint64_t kListenId = 0;
constexpr std::uint64_t kWakeId = 1;

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// "host:port" or "[host]:port" split in two; false when malformed.
bool SplitListen(const std::string& listen, std::string* host, std::string* port) {
  std::size_t colon = listen.rfind(':');
  if (colon == std::string::npos || colon + 1 == listen.size()) return false;
  *host = listen.substr(0, colon);
  *port = listen.substr(colon + 1);
  if (host->size() >= 2 && host->front() == '[' && host->back() == ']') *host = host->substr(1, host->size() - 2);
  return !host->empty() && port->find_first_not_of("0123456789") == std::string::npos;
}

std::string AddressText(const sockaddr_storage& address, bool withPort) {
  char text[INET6_ADDRSTRLEN] = "?";
  int port = 0;
  if (address.ss_family == AF_INET) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(&address);
    inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    port = ntohs(in->sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&address);
    inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
    port = ntohs(in6->sin6_port);
    if (withPort) return "[" + std::string(text) + "]:" + std::to_string(port);
  }
  return withPort ? std::string(text) + ":" + std::to_string(port) : std::string(text);
}

}  // namespace

struct Server::Connection {
  int fd = -1;
  std::uint64_t id = 0;
  std::string address;
  Session session;
  std::string out;
  std::size_t outSent = 0;
  bool busy = false;             // a request of it is with a worker
  bool readClosed = false;       // the peer sent its last byte
  bool dead = false;             // the socket failed while busy: close when the worker is done
  bool closeAfterFlush = false;  // close once `out` is sent
  std::uint32_t interest = 0;
  std::int64_t lastActive = 0;
  std::list<std::uint64_t>::iterator idlePosition;
};

Server::Server(AccountService& service, ServerOptions options) : service_(service), options_(std::move(options)) {
  if (options_.workers == 0) options_.workers = std::max(1u, std::thread::hardware_concurrency());
}

Server::~Server() {
  workers_.reset();
  for (auto& entry : connections_) close(entry.second->fd);
  for (int fd : {listenFd_, epollFd_, wakeFd_, reserveFd_}) {
    if (fd >= 0) close(fd);
  }
}

bool Server::Listen(std::string* error) {
  std::string host, port;
  if (!SplitListen(options_.listen, &host, &port)) {
    *error = "bad listen address " + options_.listen + " (HOST:PORT)";
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0 || found == nullptr) {
    *error = "bad listen address " + options_.listen + " (a numeric address is needed)";
    return false;
  }
  listenFd_ = socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  int one = 1;
  if (listenFd_ >= 0) setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  bool bound = listenFd_ >= 0 && bind(listenFd_, found->ai_addr, found->ai_addrlen) == 0 &&
               listen(listenFd_, SOMAXCONN) == 0;
  freeaddrinfo(found);
  if (!bound) {
    *error = "cannot listen on " + options_.listen + ": " + std::strerror(errno);
    return false;
  }
  sockaddr_storage local{};
  socklen_t length = sizeof local;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&local), &length);
  address_ = AddressText(local, true);

  epollFd_ = epoll_create1(EPOLL_CLOEXEC);
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  // Kept for the moment the process runs out of descriptors: closing it lets one more connection
  // be accepted and closed, instead of the listening socket waking the loop for ever.
  reserveFd_ = open("/dev/null", O_RDONLY | O_CLOEXEC);
  epoll_event listenEvent{EPOLLIN, {}};
  listenEvent.data.u64 = kListenId;
  epoll_event wakeEvent{EPOLLIN, {}};
  wakeEvent.data.u64 = kWakeId;
  if (epollFd_ < 0 || wakeFd_ < 0 || epoll_ctl(epollFd_, EPOLL_CTL_ADD, listenFd_, &listenEvent) != 0 ||
      epoll_ctl(epollFd_, EPOLL_CTL_ADD, wakeFd_, &wakeEvent) != 0) {
    *error = std::string("cannot set up the event loop: ") + std::strerror(errno);
    return false;
  }
  workers_ = std::make_unique<WorkerPool>(options_.workers);
  return true;
}

void Server::RequestStop() {
  stopRequested_.store(true);
  std::uint64_t one = 1;
  ssize_t written = write(wakeFd_, &one, sizeof one);
  (void)written;
}

void Server::Run() {
  std::vector<epoll_event> events(512);
  std::int64_t lastSweep = NowMs();
  while (true) {
    if (stopRequested_.load() && !stopping_) BeginStop();
    if (stopping_ && (connections_.empty() || NowMs() >= stopDeadline_)) break;
    int count = epoll_wait(epollFd_, events.data(), static_cast<int>(events.size()), 1000);
    if (count < 0 && errno != EINTR) {
      ds::LogWarn("corvane_server::Server::Run")("epoll_wait: %s", std::strerror(errno));
      break;
    }
    for (int i = 0; i < count; ++i) {
      std::uint64_t id = events[i].data.u64;
      if (id == kListenId) {
        Accept();
      } else if (id == kWakeId) {
        std::uint64_t value;
        while (read(wakeFd_, &value, sizeof value) > 0) {
        }
        HandleCompletions();
      } else {
        auto found = connections_.find(id);
        if (found != connections_.end()) OnEvent(*found->second, events[i].events);
      }
    }
    if (NowMs() - lastSweep >= 1000) {
      SweepIdle();
      lastSweep = NowMs();
    }
  }
  if (!connections_.empty()) {
    ds::LogWarn("corvane_server::Server::Run")("%zu connections still busy at the end of shutdown",
                                                connections_.size());
  }
  // Joining the workers lets every request already handed to them finish (and store its change).
  workers_.reset();
  while (!connections_.empty()) CloseConnection(*connections_.begin()->second);
}

void Server::BeginStop() {
  stopping_ = true;
  stopDeadline_ = NowMs() + static_cast<std::int64_t>(options_.shutdownSeconds) * 1000;
  if (listenFd_ >= 0) {
    close(listenFd_);
    listenFd_ = -1;
  }
  std::vector<Connection*> all;
  for (auto& entry : connections_) all.push_back(entry.second.get());
  for (Connection* c : all) {
    if (c->busy) {
      c->closeAfterFlush = true;
      UpdateInterest(*c);
    } else {
      CloseConnection(*c);
    }
  }
  ds::LogInfo("corvane_server::Server::Run")("stopping: finishing %zu requests in progress", pending_);
}

void Server::Accept() {
  while (!stopping_) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    int fd = accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if ((errno == EMFILE || errno == ENFILE) && reserveFd_ >= 0) {
        close(reserveFd_);
        int spare = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (spare >= 0) close(spare);
        reserveFd_ = open("/dev/null", O_RDONLY | O_CLOEXEC);
        ds::LogWarn("corvane_server::Server::Accept")("out of descriptors: a connection was refused");
        continue;
      }
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // EAGAIN: all taken
    }
    if (connections_.size() >= options_.maxConnections) {
      std::string busy = AccountService::Busy().bytes;
      ssize_t sent = send(fd, busy.data(), busy.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      (void)sent;
      close(fd);
      continue;
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    auto c = std::make_unique<Connection>();
    c->fd = fd;
    c->id = nextId_++;
    c->address = AddressText(peer, false);
    c->interest = EPOLLIN;
    epoll_event event{EPOLLIN, {}};
    event.data.u64 = c->id;
    if (epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &event) != 0) {
      close(fd);
      continue;
    }
    c->lastActive = NowMs();
    c->idlePosition = idleOrder_.insert(idleOrder_.end(), c->id);
    connections_.emplace(c->id, std::move(c));
  }
}

void Server::OnEvent(Connection& c, std::uint32_t events) {
  if (events & (EPOLLERR | EPOLLHUP)) {
    if (!c.busy) {
      CloseConnection(c);
      return;
    }
    // The worker's answer has nowhere to go; wait for it before letting the id go.
    c.dead = true;
    epoll_ctl(epollFd_, EPOLL_CTL_DEL, c.fd, nullptr);
    c.interest = 0;
    return;
  }
  if (events & EPOLLIN) {
    char buffer[16384];
    while (true) {
      ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
      if (n > 0) {
        c.session.Receive(std::string_view(buffer, static_cast<std::size_t>(n)));
        if (c.session.buffered() > 2 * ds::kMaxMessageSize) break;  // handle these before reading on
        continue;
      }
      if (n == 0) {
        c.readClosed = true;
      } else if (errno == EINTR) {
        continue;
      } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
        CloseConnection(c);
        return;
      }
      break;
    }
    Touch(c);
    ProcessRequests(c);
    return;
  }
  if (events & EPOLLOUT) Flush(c);
}

void Server::ProcessRequests(Connection& c) {
  while (!c.busy && !c.closeAfterFlush) {
    Session::Request request = c.session.Next();
    if (request.kind == Session::Kind::kNeedMore) {
      // The peer finished sending and no whole request is left: nothing more will come.
      if (c.readClosed) c.closeAfterFlush = true;
      break;
    }
    if (request.kind == Session::Kind::kClose) {
      c.closeAfterFlush = true;
      break;
    }
    if (request.kind == Session::Kind::kLogin && pending_ >= options_.maxPending) {
      c.out += AccountService::Busy().bytes;
      c.closeAfterFlush = true;
      break;
    }
    Dispatch(c, std::move(request));
  }
  Flush(c);
}

void Server::Dispatch(Connection& c, Session::Request request) {
  c.busy = true;
  ++pending_;
  std::uint64_t id = c.id;
  std::string address = c.address;
  workers_->Post([this, id, address, request = std::move(request)]() {
    Reply reply;
    switch (request.kind) {
      case Session::Kind::kLogin:
        reply = service_.Login(request.login, address);
        break;
      case Session::Kind::kCommonSoft:
        reply = service_.StoreCommonSoft(request.account, request.ids);
        break;
      default:
        reply = service_.StoreSites(request.account, request.sites);
        break;
    }
    {
      std::lock_guard<std::mutex> lock(completionsMutex_);
      completions_.push_back({id, request.kind, std::move(reply)});
    }
    std::uint64_t one = 1;
    ssize_t written = write(wakeFd_, &one, sizeof one);
    (void)written;
  });
}

void Server::HandleCompletions() {
  std::vector<Completion> done;
  {
    std::lock_guard<std::mutex> lock(completionsMutex_);
    done.swap(completions_);
  }
  for (Completion& completion : done) {
    --pending_;
    auto found = connections_.find(completion.id);
    if (found == connections_.end()) continue;
    Connection& c = *found->second;
    c.busy = false;
    if (c.dead) {
      CloseConnection(c);
      continue;
    }
    c.out += completion.reply.bytes;
    if (completion.kind == Session::Kind::kLogin) c.session.SetLoggedIn(completion.reply.loggedIn);
    if (completion.reply.close || stopping_) c.closeAfterFlush = true;
    Touch(c);
    ProcessRequests(c);
  }
}

void Server::Flush(Connection& c) {
  while (c.outSent < c.out.size()) {
    ssize_t n = send(c.fd, c.out.data() + c.outSent, c.out.size() - c.outSent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      c.outSent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (c.busy) {
      c.dead = true;
      epoll_ctl(epollFd_, EPOLL_CTL_DEL, c.fd, nullptr);
      c.interest = 0;
    } else {
      CloseConnection(c);
    }
    return;
  }
  if (c.outSent == c.out.size()) {
    c.out.clear();
    c.outSent = 0;
    if (c.closeAfterFlush && !c.busy) {
      CloseConnection(c);
      return;
    }
  }
  UpdateInterest(c);
}

void Server::UpdateInterest(Connection& c) {
  if (c.dead) return;
  std::uint32_t wanted = 0;
  if (!c.busy && !c.readClosed && !c.closeAfterFlush && !stopping_) wanted |= EPOLLIN;
  if (c.outSent < c.out.size()) wanted |= EPOLLOUT;
  if (wanted == c.interest) return;
  epoll_event event{wanted, {}};
  event.data.u64 = c.id;
  epoll_ctl(epollFd_, EPOLL_CTL_MOD, c.fd, &event);
  c.interest = wanted;
}

void Server::CloseConnection(Connection& c) {
  close(c.fd);
  idleOrder_.erase(c.idlePosition);
  connections_.erase(c.id);  // destroys c
}

void Server::Touch(Connection& c) {
  c.lastActive = NowMs();
  idleOrder_.splice(idleOrder_.end(), idleOrder_, c.idlePosition);
}

void Server::SweepIdle() {
  std::int64_t limit = NowMs() - static_cast<std::int64_t>(options_.idleSeconds) * 1000;
  while (!idleOrder_.empty()) {
    Connection& c = *connections_.at(idleOrder_.front());
    if (c.lastActive > limit) break;
    if (c.busy) {
      Touch(c);  // a slow request is not idleness
      continue;
    }
    CloseConnection(c);
  }
}

}  // namespace corvane_server
