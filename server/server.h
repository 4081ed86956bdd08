// The network side of corvane-server: one epoll loop holds every connection (thousands of idle
// ones cost a descriptor and a few hundred bytes each, no thread), parses requests with Session,
// hands them to worker threads running AccountService, and writes the answers back.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "server/account_service.h"
#include "server/session.h"

namespace corvane_server {

struct ServerOptions {
  std::string listen = "127.0.0.1:0";  // HOST:PORT, [V6HOST]:PORT; port 0 picks a free one
  std::size_t workers = 0;             // 0: one per processor
  std::size_t maxPending = 1024;       // logins waiting for a worker; more are refused with 16
  std::size_t maxConnections = 100000; // beyond it a new connection gets 16 and is closed
  int idleSeconds = 120;               // a connection without traffic for this long is closed
  int shutdownSeconds = 10;            // at shutdown, how long requests in progress may take
};

class WorkerPool;

class Server {
 public:
  Server(AccountService& service, ServerOptions options);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  bool Listen(std::string* error);
  // The address actually bound ("127.0.0.1:40123"), valid after Listen.
  const std::string& address() const { return address_; }
  // Serves until RequestStop: then stops accepting and reading, finishes the requests in progress
  // (their answers are sent, their changes stored), closes every connection and returns.
  void Run();
  // Safe from a signal handler and from any thread.
  void RequestStop();

 private:
  struct Connection;
  struct Completion {
    std::uint64_t id;
    Session::Kind kind;
    Reply reply;
  };

  void Accept();
  void OnEvent(Connection& c, std::uint32_t events);
  void ProcessRequests(Connection& c);
  void Dispatch(Connection& c, Session::Request request);
  void HandleCompletions();
  void Flush(Connection& c);
  void UpdateInterest(Connection& c);
  void CloseConnection(Connection& c);
  void Touch(Connection& c);
  void SweepIdle();
  void BeginStop();

  AccountService& service_;
  ServerOptions options_;
  std::string address_;
  int listenFd_ = -1;
  int epollFd_ = -1;
  int wakeFd_ = -1;
  int reserveFd_ = -1;
  std::atomic<bool> stopRequested_{false};
  bool stopping_ = false;
  std::int64_t stopDeadline_ = 0;
  std::uint64_t nextId_ = 2;
  std::size_t pending_ = 0;
  std::unordered_map<std::uint64_t, std::unique_ptr<Connection>> connections_;
  std::list<std::uint64_t> idleOrder_;  // least recently active first
  std::mutex completionsMutex_;
  std::vector<Completion> completions_;
  std::unique_ptr<WorkerPool> workers_;
};

}  // namespace corvane_server
