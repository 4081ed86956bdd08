// A small HTTP/1.1 server on 127.0.0.1 for tests that need edge behaviours a real server will not
// show (dropped connections, wrong statuses, ignored ranges, stalls). Each connection gets its own
// thread; every request on it is handed to the test's handler, which writes the raw answer.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvane_test {

struct HttpRequest {
  std::string method;   // "GET", "HEAD", ...
  std::string target;   // "/file.bin?x=1" as sent
  std::string path;     // target without the query
  std::string version;  // "HTTP/1.1"
  std::map<std::string, std::string> headers;  // names lower-cased, values trimmed
  std::string body;

  std::string Header(const std::string& lower_name) const;
  // "Range: bytes=a-b" / "bytes=a-": true with begin and end (end -1 when open).
  bool Range(int64_t* begin, int64_t* end) const;
};

class HttpConnection {
 public:
  explicit HttpConnection(int fd) : fd_(fd) {}
  // Writes every byte or returns false (peer gone).
  bool Send(const std::string& bytes);
  // Shuts the connection down at once; the server stops reading it.
  void Close();
  bool closed() const { return closed_; }
  // Keep the connection open after this answer (default true; HTTP/1.1 keep-alive).
  void set_keep_alive(bool keep) { keep_alive_ = keep; }
  bool keep_alive() const { return keep_alive_; }
  int fd() const { return fd_; }

 private:
  int fd_;
  bool closed_ = false;
  bool keep_alive_ = true;
};

using HttpHandler = std::function<void(const HttpRequest&, HttpConnection&)>;

class HttpServer {
 public:
  explicit HttpServer(HttpHandler handler);
  ~HttpServer();  // stops
  // Listens on 127.0.0.1 on a free port; false when that fails.
  bool Start();
  void Stop();
  int port() const { return port_; }
  // "http://127.0.0.1:<port>" + path
  std::string Url(const std::string& path) const;
  // Requests handled so far (all connections).
  int request_count() const { return request_count_.load(); }
  // Every request seen so far, in arrival order.
  std::vector<HttpRequest> requests() const;

  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

 private:
  void AcceptLoop();
  void Serve(int fd);

  HttpHandler handler_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> request_count_{0};
  std::thread accept_thread_;
  mutable std::mutex mutex_;
  std::vector<std::thread> workers_;
  std::vector<int> open_fds_;
  std::vector<HttpRequest> requests_;
};

// Builds a complete answer: status line, the given headers in order, Content-Length (unless
// `headers` already has one, in any case), an empty line and the body.
std::string MakeResponse(int status, const std::vector<std::pair<std::string, std::string>>& headers,
                         const std::string& body);

// Serves `data` as a well-behaved server does: 200 with the whole body, 206 for a satisfiable
// range, 416 for one past the end; HEAD sends headers only. Accept-Ranges: bytes is sent.
void ServeBytes(const HttpRequest& request, HttpConnection& connection, const std::string& data);

// Deterministic test payload of `size` bytes (varies with `seed`), so corrupt blocks show.
std::string PatternBytes(size_t size, uint32_t seed = 1);

}  // namespace corvane_test
