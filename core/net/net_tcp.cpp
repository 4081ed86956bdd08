#include "core/net/net_tcp.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/log/logger.h"
#include "core/thread/thread.h"

namespace ds {

namespace {

std::uint32_t ReadU32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

std::string ClosedMessage() {
  std::string message;
  EncodeFrame(kNetClosedMessage, {}, &message);
  return message;
}

}  // namespace

int NET_Tcp::initialize() {
  signal(SIGPIPE, SIG_IGN);
  return 1;
}

void NET_Tcp::deinitialize() {}

// ---------------------------------------------------------------------------------------------

NET_MemQueue::NET_MemQueue(std::size_t capacity) : capacity_(capacity) {}

bool NET_MemQueue::IsEmpty() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.empty();
}

std::size_t NET_MemQueue::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

bool NET_MemQueue::HasRoom(std::size_t size) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return used_ + size <= capacity_;
}

bool NET_MemQueue::Push(std::string message, NET_TcpInfo* info) {
  std::lock_guard<std::mutex> lock(mutex_);
  const bool closed = message.size() >= kFrameHeaderSize && ReadU32(message.data() + 4) == kNetClosedMessage;
  if (!closed && used_ + message.size() > capacity_) return false;
  used_ += message.size();
  entries_.push_back({std::move(message), info});
  return true;
}

int NET_MemQueue::Read(char* buffer, int size, NET_TcpInfo** info) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (entries_.empty()) return 0;
  Entry entry = std::move(entries_.front());
  entries_.pop_front();
  used_ -= entry.bytes.size();
  if (buffer && size > 0)
    std::memcpy(buffer, entry.bytes.data(), std::min<std::size_t>(entry.bytes.size(), static_cast<std::size_t>(size)));
  if (info) *info = entry.info;
  return static_cast<int>(entry.bytes.size());
}

// ---------------------------------------------------------------------------------------------

NET_MsgDispatcherEx::NET_MsgDispatcherEx() = default;
NET_MsgDispatcherEx::~NET_MsgDispatcherEx() = default;

void NET_MsgDispatcherEx::Register(std::uint32_t id, Handler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  handlers_[id] = std::move(handler);
}

void NET_MsgDispatcherEx::Unregister(std::uint32_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  handlers_.erase(id);
}

bool NET_MsgDispatcherEx::IsRegistered(std::uint32_t id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return handlers_.count(id) != 0;
}

int NET_MsgDispatcherEx::HandleMessage(const char* message, int length, NET_TcpInfo* info) {
  if (!message || length < static_cast<int>(kFrameHeaderSize) || ReadU32(message) != static_cast<std::uint32_t>(length))
    return 0;
  Handler handler;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = handlers_.find(ReadU32(message + 4));
    if (it == handlers_.end()) return 0;
    handler = it->second;  // a copy: the handler may unregister itself
  }
  handler(message, length, info);
  return 1;
}

// ---------------------------------------------------------------------------------------------

NetFrame TakeNetMessage(std::string& pending, const NetIdFilter& filter, std::string* message, std::string* why) {
  FrameHeader header;
  const FrameStatus status = PeekFrame(pending, &header);
  if (status == FrameStatus::kBad) {
    if (why) *why = "a message length of " + std::to_string(ReadU32(pending.data()));
    return NetFrame::kBad;
  }
  // The identifier is refused as soon as the header is there, before the body arrives.
  if (pending.size() >= kFrameHeaderSize && filter && !filter(ReadU32(pending.data() + 4))) {
    if (why) *why = "message " + std::to_string(ReadU32(pending.data() + 4)) + " that nobody handles";
    return NetFrame::kBad;
  }
  if (status == FrameStatus::kNeedMore) return NetFrame::kNeedMore;
  if (message) message->assign(pending, 0, header.length);
  pending.erase(0, header.length);
  return NetFrame::kMessage;
}

// ---------------------------------------------------------------------------------------------

NET_TcpNBlock::NET_TcpNBlock() = default;

NET_TcpNBlock::~NET_TcpNBlock() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  for (NET_TcpInfo* info : connections_) {
    if (info->fd_ >= 0) ::close(info->fd_);
    delete info;
  }
  connections_.clear();
}

int NET_TcpNBlock::createMsgQueue(int /*count*/, std::size_t capacity) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  queue_ = std::make_unique<NET_MemQueue>(capacity);
  return 1;
}

void NET_TcpNBlock::setIdFilter(NetIdFilter filter) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  filter_ = std::move(filter);
}

std::size_t NET_TcpNBlock::connectionCount() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return connections_.size();
}

NET_TcpInfo* NET_TcpNBlock::connect(const std::string& host, unsigned port, int timeout_ms,
                                    const std::atomic<bool>* cancel) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (port == 0 || port > 65535 || getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) return nullptr;
  int fd = -1;
  const std::uint32_t start = GetTick();
  for (addrinfo* at = found; at && fd < 0; at = at->ai_next) {
    fd = ::socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, at->ai_protocol);
    if (fd < 0) continue;
    if (::connect(fd, at->ai_addr, at->ai_addrlen) == 0) break;
    bool connected = false;
    if (errno == EINPROGRESS) {
      // Wait in short slices so that a cancel request is seen soon.
      while (!(cancel && cancel->load())) {
        const int left = timeout_ms - static_cast<int>(GetTick() - start);
        if (left <= 0) break;
        pollfd p{fd, POLLOUT, 0};
        const int ready = ::poll(&p, 1, std::min(left, 100));
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0) {
          int error = 0;
          socklen_t size = sizeof(error);
          connected = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
          break;
        }
      }
    }
    if (!connected) {
      ::close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(found);
  if (fd < 0) return nullptr;
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
  return adopt(fd, host + ":" + service);
}

NET_TcpInfo* NET_TcpNBlock::adopt(int fd, const std::string& peer) {
  if (fd < 0) return nullptr;
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  fcntl(fd, F_SETFD, FD_CLOEXEC);
  auto* info = new NET_TcpInfo;
  info->fd_ = fd;
  info->peer_ = peer;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  connections_.insert(info);
  return info;
}

int NET_TcpNBlock::send(NET_TcpInfo* info, const void* data, std::size_t length, int timeout_ms) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!info || !connections_.count(info) || info->fd_ < 0) return -1;
  const char* bytes = static_cast<const char*>(data);
  std::size_t sent = 0;
  const std::uint32_t start = GetTick();
  while (sent < length) {
    const ssize_t n = ::send(info->fd_, bytes + sent, length - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    const int left = timeout_ms - static_cast<int>(GetTick() - start);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && left > 0) {
      pollfd p{info->fd_, POLLOUT, 0};
      ::poll(&p, 1, left);
      continue;
    }
    CloseLocked(info, "the message could not be sent");
    return -1;
  }
  return static_cast<int>(sent);
}

void NET_TcpNBlock::poll(NET_TcpInfo* info) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!info || !connections_.count(info) || info->fd_ < 0 || !queue_) return;
  char buffer[4096];
  for (;;) {
    // Whole messages first, as long as the queue has room for them.
    std::string message, why;
    for (;;) {
      if (info->pending_.size() >= kFrameHeaderSize) {
        const std::uint32_t length = ReadU32(info->pending_.data());
        if (length >= kFrameHeaderSize && length <= kMaxMessageSize && !queue_->HasRoom(length)) return;
      }
      const NetFrame result = TakeNetMessage(info->pending_, filter_, &message, &why);
      if (result == NetFrame::kBad) {
        LogWarn("NET_TcpNBlock::poll")("%s sent %s; connection dropped.", info->peer_.c_str(), why.c_str());
        CloseLocked(info, nullptr);
        return;
      }
      if (result == NetFrame::kNeedMore) break;
      queue_->Push(std::move(message), info);
    }
    const ssize_t n = ::recv(info->fd_, buffer, sizeof(buffer), MSG_DONTWAIT);
    if (n > 0) {
      info->pending_.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (!info->pending_.empty())
      LogWarn("NET_TcpNBlock::poll")("%s closed in the middle of a message (%zu bytes); dropped.",
                                    info->peer_.c_str(), info->pending_.size());
    CloseLocked(info, nullptr);
    return;
  }
}

void NET_TcpNBlock::close(NET_TcpInfo* info) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!info || !connections_.count(info)) return;
  CloseLocked(info, nullptr);
}

void NET_TcpNBlock::CloseLocked(NET_TcpInfo* info, const char* why) {
  if (info->fd_ < 0) return;
  if (why) LogWarn("NET_TcpNBlock::close")("%s: %s.", info->peer_.c_str(), why);
  ::close(info->fd_);
  info->fd_ = -1;
  info->pending_.clear();
  if (queue_) queue_->Push(ClosedMessage(), info);
}

void NET_TcpNBlock::drop(NET_TcpInfo* info) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = connections_.find(info);
  if (it == connections_.end()) return;
  if (info->fd_ >= 0) ::close(info->fd_);
  connections_.erase(it);
  delete info;
}

}  // namespace ds
