#include "tests/common/http_server.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/text/ascii.h"

namespace corvane_test {
namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

const char* ReasonOf(int status) {
  switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 304: return "Not Modified";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 416: return "Range Not Satisfiable";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

// Reads one request (head and a Content-Length body) from `fd`, keeping extra bytes in `buffer`.
bool ReadRequest(int fd, std::string& buffer, HttpRequest& request, const std::atomic<bool>& stopping) {
  size_t head_end;
  while ((head_end = buffer.find("\r\n\r\n")) == std::string::npos) {
    if (stopping.load()) return false;
    pollfd p{fd, POLLIN, 0};
    int r = poll(&p, 1, 100);
    if (r < 0) return false;
    if (r == 0) continue;
    char chunk[4096];
    ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    buffer.append(chunk, static_cast<size_t>(n));
    if (buffer.size() > (1u << 20)) return false;
  }
  std::string head = buffer.substr(0, head_end);
  buffer.erase(0, head_end + 4);
  size_t line_end = head.find("\r\n");
  std::string first = head.substr(0, line_end);
  size_t s1 = first.find(' '), s2 = first.rfind(' ');
  if (s1 == std::string::npos || s2 == s1) return false;
  request = HttpRequest();
  request.method = first.substr(0, s1);
  request.target = first.substr(s1 + 1, s2 - s1 - 1);
  request.version = first.substr(s2 + 1);
  request.path = request.target.substr(0, request.target.find('?'));
  size_t pos = line_end == std::string::npos ? head.size() : line_end + 2;
  while (pos < head.size()) {
    size_t e = head.find("\r\n", pos);
    if (e == std::string::npos) e = head.size();
    std::string line = head.substr(pos, e - pos);
    size_t colon = line.find(':');
    if (colon != std::string::npos)
      request.headers[ds::AsciiLower(Trim(line.substr(0, colon)))] = Trim(line.substr(colon + 1));
    pos = e + 2;
  }
  size_t length = 0;
  auto it = request.headers.find("content-length");
  if (it != request.headers.end()) length = std::strtoul(it->second.c_str(), nullptr, 10);
  while (buffer.size() < length) {
    char chunk[4096];
    ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    buffer.append(chunk, static_cast<size_t>(n));
  }
  request.body = buffer.substr(0, length);
  buffer.erase(0, length);
  return true;
}

}  // namespace

std::string HttpRequest::Header(const std::string& lower_name) const {
  auto it = headers.find(lower_name);
  return it == headers.end() ? std::string() : it->second;
}

bool HttpRequest::Range(int64_t* begin, int64_t* end) const {
  std::string value = Header("range");
  if (value.compare(0, 6, "bytes=") != 0) return false;
  std::string spec = value.substr(6);
  size_t dash = spec.find('-');
  if (dash == std::string::npos || dash == 0) return false;
  *begin = std::strtoll(spec.substr(0, dash).c_str(), nullptr, 10);
  std::string tail = Trim(spec.substr(dash + 1));
  *end = tail.empty() ? -1 : std::strtoll(tail.c_str(), nullptr, 10);
  return true;
}

bool HttpConnection::Send(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

void HttpConnection::Close() {
  if (!closed_) shutdown(fd_, SHUT_RDWR);
  closed_ = true;
}

HttpServer::HttpServer(HttpHandler handler) : handler_(std::move(handler)) {}

HttpServer::~HttpServer() { Stop(); }

bool HttpServer::Start() {
  listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0) return false;
  int one = 1;
  setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listen_fd_, 64) != 0 ||
      getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    close(listen_fd_);
    listen_fd_ = -1;
    return false;
  }
  port_ = ntohs(addr.sin_port);
  accept_thread_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void HttpServer::Stop() {
  if (listen_fd_ < 0) return;
  stopping_ = true;
  shutdown(listen_fd_, SHUT_RDWR);
  if (accept_thread_.joinable()) accept_thread_.join();
  close(listen_fd_);
  listen_fd_ = -1;
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int fd : open_fds_) shutdown(fd, SHUT_RDWR);
    workers.swap(workers_);
  }
  for (auto& t : workers) t.join();
}

std::string HttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<HttpRequest> HttpServer::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void HttpServer::AcceptLoop() {
  while (!stopping_.load()) {
    pollfd p{listen_fd_, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_.load()) {
      close(fd);
      break;
    }
    open_fds_.push_back(fd);
    workers_.emplace_back([this, fd] { Serve(fd); });
  }
}

void HttpServer::Serve(int fd) {
  std::string buffer;
  HttpConnection connection(fd);
  HttpRequest request;
  while (!stopping_.load() && ReadRequest(fd, buffer, request, stopping_)) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }
    ++request_count_;
    if (ds::AsciiLower(request.Header("connection")) == "close") connection.set_keep_alive(false);
    handler_(request, connection);
    if (connection.closed() || !connection.keep_alive()) break;
  }
  shutdown(fd, SHUT_RDWR);
  std::lock_guard<std::mutex> lock(mutex_);
  open_fds_.erase(std::remove(open_fds_.begin(), open_fds_.end(), fd), open_fds_.end());
  close(fd);
}

std::string MakeResponse(int status, const std::vector<std::pair<std::string, std::string>>& headers,
                         const std::string& body) {
  std::string out = "HTTP/1.1 " + std::to_string(status) + " " + ReasonOf(status) + "\r\n";
  bool has_length = false;
  for (const auto& h : headers) {
    if (ds::AsciiLower(h.first) == "content-length") has_length = true;
    out += h.first + ": " + h.second + "\r\n";
  }
  if (!has_length) out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  out += "\r\n";
  out += body;
  return out;
}

void ServeBytes(const HttpRequest& request, HttpConnection& connection, const std::string& data) {
  const bool head = request.method == "HEAD";
  int64_t begin = 0, end = -1;
  const int64_t size = static_cast<int64_t>(data.size());
  if (request.Range(&begin, &end)) {
    if (begin >= size) {
      connection.Send(MakeResponse(416, {{"Content-Range", "bytes */" + std::to_string(size)}}, ""));
      return;
    }
    if (end < 0 || end >= size) end = size - 1;
    std::string part = data.substr(static_cast<size_t>(begin), static_cast<size_t>(end - begin + 1));
    std::vector<std::pair<std::string, std::string>> headers = {
        {"Accept-Ranges", "bytes"},
        {"Content-Range", "bytes " + std::to_string(begin) + "-" + std::to_string(end) + "/" +
                              std::to_string(size)}};
    if (head) {
      headers.push_back({"Content-Length", std::to_string(part.size())});
      connection.Send(MakeResponse(206, headers, ""));
    } else {
      connection.Send(MakeResponse(206, headers, part));
    }
    return;
  }
  if (head) {
    connection.Send(MakeResponse(200, {{"Accept-Ranges", "bytes"}, {"Content-Length", std::to_string(size)}}, ""));
  } else {
    connection.Send(MakeResponse(200, {{"Accept-Ranges", "bytes"}}, data));
  }
}

std::string PatternBytes(size_t size, uint32_t seed) {
  std::string out(size, '\0');
  uint32_t x = seed * 2654435761u + 12345u;
  for (size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    out[i] = static_cast<char>(x & 0xFF);
  }
  return out;
}

}  // namespace corvane_test
