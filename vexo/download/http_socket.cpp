#include "vexo/download/http_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace {

bool HasControlChar(const char* text) {
  for (const char* p = text; p != nullptr && *p != '\0'; ++p) {
    unsigned char u = static_cast<unsigned char>(*p);
    if (u < 0x20 || u == 0x7F) return true;
  }
  return false;
}

bool Given(const char* text) { return text != nullptr && *text != '\0'; }

}  // namespace

CHttpSocket::CHttpSocket() = default;

CHttpSocket::~CHttpSocket() { Close(); }

int CHttpSocket::Create() {
  Close();
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  std::lock_guard<std::mutex> guard(socket_mutex_);
  socket_ = fd;
  return 1;
}

int CHttpSocket::Connect(const char* host, int port, int timeout_ms) {
  if (!Given(host) || port < 1 || port > 65535) return 0;
  // Always a fresh socket: one left from a failed or timed-out connect cannot connect again.
  if (!Create()) return 0;
  timeout_ms_ = 0;
  header_received_ = false;
  header_length_ = 0;
  header_[0] = '\0';
  head_ = HttpResponseHead();
  read_line_ = 0;

  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return 0;
  sockaddr_in address{};
  std::memcpy(&address, found->ai_addr, sizeof address);
  freeaddrinfo(found);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  port_ = port;
  const unsigned char* a = reinterpret_cast<const unsigned char*>(&address.sin_addr);
  std::snprintf(peer_, sizeof peer_, "%d.%d.%d.%d", a[0], a[1], a[2], a[3]);

  int fd = socket_;
  int flags = fcntl(fd, F_GETFL, 0);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return 0;
  int result = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  if (result != 0 && errno == EINPROGRESS) {
    pollfd p{fd, POLLOUT, 0};
    int ready;
    do {
      ready = poll(&p, 1, timeout_ms > 0 ? timeout_ms : -1);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) return 0;
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return 0;
    result = 0;
  }
  if (result != 0 || fcntl(fd, F_SETFL, flags) < 0) return 0;
  if (timeout_ms > 0 && !SetTimeout(timeout_ms)) return 0;
  connected_ = true;
  return 1;
}

int CHttpSocket::FormatRequest(const char* server, const char* object, std::int64_t from,
                               std::int64_t to, const char* referer, const char* cookie,
                               const char* accept) {
  request_length_ = 0;
  request_[0] = '\0';
  if (!Given(server) || !Given(object)) return 0;
  for (const char* field : {server, object, referer, cookie, accept}) {
    if (HasControlChar(field)) return 0;
  }
  std::string text = "GET ";
  text += object;
  text += " HTTP/1.1\r\nHost:";
  text += server;
  text += "\r\n";
  if (Given(referer)) text += std::string("Referer:") + referer + "\r\n";
  text += std::string("Accept:") + (Given(accept) ? accept : "*/*") + "\r\n";
  text += "User-Agent:Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\n";
  text += "Connection:Keep-Alive\r\n";
  // "Cookie" is the request field; a name with a blank in it is not a valid field at all.
  if (Given(cookie)) text += std::string("Cookie:") + cookie + "\r\n";
  if (from > 0) {
    text += "Range: bytes=" + std::to_string(from) + "-";
    if (from < to) text += std::to_string(to);
    text += "\r\n";
  }
  text += "\r\n";
  if (text.size() >= sizeof request_) return 0;
  std::memcpy(request_, text.data(), text.size());
  request_[text.size()] = '\0';
  request_length_ = static_cast<int>(text.size());
  return 1;
}

int CHttpSocket::SendRequest() {
  header_received_ = false;
  header_length_ = 0;
  header_[0] = '\0';
  head_ = HttpResponseHead();
  read_line_ = 0;
  int fd = socket_;
  if (!connected_ || fd < 0 || request_length_ == 0) return 0;

  int sent = 0;
  while (sent < request_length_) {
    ssize_t n = send(fd, request_ + sent, static_cast<std::size_t>(request_length_ - sent), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    sent += static_cast<int>(n);
  }
  // One byte at a time, so that no body byte is taken out of the socket with the head. The
  // receive time-out bounds each byte only; the deadline bounds the whole head.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms_);
  while (header_length_ < kBufferSize) {
    if (timeout_ms_ > 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return 0;
      pollfd p{fd, POLLIN, 0};
      int ready = poll(&p, 1, static_cast<int>(left.count()));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) return 0;
    }
    char c;
    ssize_t n = recv(fd, &c, 1, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    header_[header_length_++] = c;
    header_[header_length_] = '\0';
    if (FindHttpHeadEnd(header_, static_cast<std::size_t>(header_length_)) != 0) {
      header_received_ = true;
      return ParseHttpResponseHead(header_, static_cast<std::size_t>(header_length_), &head_);
    }
  }
  return 0;  // no end within the buffer: the rest of the head would be taken for body bytes
}

int CHttpSocket::SetTimeout(int timeout_ms) {
  int fd = socket_;
  if (fd < 0 || timeout_ms < 0) return 0;
  timeval tv{};
  tv.tv_sec = timeout_ms / 1000;
  tv.tv_usec = (timeout_ms % 1000) * 1000;
  if (setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0) return 0;
  if (setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) != 0) return 0;
  timeout_ms_ = timeout_ms;
  return 1;
}

int CHttpSocket::GetNextHeaderLine(char* out, int size) {
  if (out == nullptr || size <= 0) return 0;
  out[0] = '\0';
  if (read_line_ >= head_.lines.size()) return 0;
  const std::string& line = head_.lines[read_line_++];
  std::size_t limit = static_cast<std::size_t>(size < kLineSize ? size : kLineSize) - 1;
  std::size_t count = line.size() < limit ? line.size() : limit;
  std::memcpy(out, line.data(), count);
  out[count] = '\0';
  return static_cast<int>(count);
}

int CHttpSocket::GetHeaderValue(const char* name, char* out, int size) const {
  if (name == nullptr || size < 0) return -1;
  return CopyHttpFieldValue(head_, name, out, static_cast<std::size_t>(size));
}

int CHttpSocket::Receive(char* buffer, int size) {
  int fd = socket_;
  if (!connected_ || fd < 0 || buffer == nullptr || size <= 0) return -1;
  for (;;) {
    ssize_t n = recv(fd, buffer, static_cast<std::size_t>(size), 0);
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? -1 : static_cast<int>(n);
  }
}

void CHttpSocket::Abort() {
  std::lock_guard<std::mutex> guard(socket_mutex_);
  if (socket_ >= 0) shutdown(socket_, SHUT_RDWR);
}

void CHttpSocket::Close() {
  std::lock_guard<std::mutex> guard(socket_mutex_);
  if (socket_ >= 0) close(socket_);
  socket_ = -1;
  connected_ = false;
}
