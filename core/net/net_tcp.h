// The account-server messaging layer: a non-blocking TCP client whose received messages are
// framed (uint32 total length, uint32 identifier, little-endian, at most 8,192 bytes) and
// queued for the window thread, a handler table keyed by identifier, and the connection
// records handed between them. A connection that ends, fails or sends bad framing is reported
// by message 0 carrying that connection.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "core/export.h"
#include "core/net/account_wire.h"

namespace ds {

// The identifier of the message that reports a closed connection.
constexpr std::uint32_t kNetClosedMessage = kMsgClosed;

// Process-wide set-up of the socket layer.
class DS_API NET_Tcp {
 public:
  // Ignores SIGPIPE (a write to a closed peer must not end the program). 1.
  static int initialize();
  // Nothing to release on this system.
  static void deinitialize();
};

// One connection. Its bytes received but not yet framed stay here; the record lives until the
// client drops it (after its message 0 was handled).
class DS_API NET_TcpInfo {
 public:
  bool IsClosed() const { return fd_ < 0; }
  const std::string& Peer() const { return peer_; }

 private:
  friend class NET_TcpNBlock;
  int fd_ = -1;
  std::string pending_;
  std::string peer_;
};

// Received messages waiting for the window thread, bounded in bytes.
class DS_API NET_MemQueue {
 public:
  explicit NET_MemQueue(std::size_t capacity);
  bool IsEmpty() const;
  std::size_t Count() const;
  // Room for `size` more bytes.
  bool HasRoom(std::size_t size) const;
  // Appends a message; message 0 is always taken, others only while there is room.
  bool Push(std::string message, NET_TcpInfo* info);
  // Takes the oldest message: copies at most `size` bytes of it into `buffer`, sets *info and
  // returns the message's whole length (0 when the queue is empty).
  int Read(char* buffer, int size, NET_TcpInfo** info);

 private:
  struct Entry {
    std::string bytes;
    NET_TcpInfo* info;
  };
  mutable std::mutex mutex_;
  std::deque<Entry> entries_;
  std::size_t capacity_;
  std::size_t used_ = 0;
};

// The handler table: one handler per message identifier, called on the thread that dispatches.
class DS_API NET_MsgDispatcherEx {
 public:
  using Handler = std::function<void(const char* message, int length, NET_TcpInfo* info)>;
  NET_MsgDispatcherEx();
  virtual ~NET_MsgDispatcherEx();
  void Register(std::uint32_t id, Handler handler);
  void Unregister(std::uint32_t id);
  bool IsRegistered(std::uint32_t id) const;
  // Calls the handler of the message's identifier with the message. 0 when the message is
  // shorter than its header, its length field disagrees with `length`, or nobody handles it.
  int HandleMessage(const char* message, int length, NET_TcpInfo* info);

 private:
  mutable std::mutex mutex_;
  std::map<std::uint32_t, Handler> handlers_;
};

// Identifiers a client accepts from its peer (empty: any).
using NetIdFilter = std::function<bool(std::uint32_t)>;
enum class NetFrame { kNeedMore, kMessage, kBad };
// Takes the first whole message off the front of `pending` into *message. kBad (with the reason
// in *why) when the framing is bad (PeekFrame) or the filter refuses the identifier: such a
// stream can never be framed again.
DS_API NetFrame TakeNetMessage(std::string& pending, const NetIdFilter& filter, std::string* message,
                               std::string* why);

// The non-blocking TCP client. Connect may run on a worker thread; the other calls run on the
// window thread. Every call is safe against the others.
class DS_API NET_TcpNBlock {
 public:
  NET_TcpNBlock();
  virtual ~NET_TcpNBlock();
  NET_TcpNBlock(const NET_TcpNBlock&) = delete;
  NET_TcpNBlock& operator=(const NET_TcpNBlock&) = delete;

  // Creates the received-message queue of `capacity` bytes. 1.
  int createMsgQueue(int count, std::size_t capacity);
  NET_MemQueue* msgQueue() const { return queue_.get(); }
  // Messages with an identifier this filter refuses drop their connection.
  void setIdFilter(NetIdFilter filter);
  // Connects to host:port, giving up after `timeout_ms` or as soon as *cancel becomes true.
  // The new connection, or null.
  virtual NET_TcpInfo* connect(const std::string& host, unsigned port, int timeout_ms = 10000,
                               const std::atomic<bool>* cancel = nullptr);
  // Takes over a connected socket (made non-blocking and close-on-exec here) as a connection.
  NET_TcpInfo* adopt(int fd, const std::string& peer);
  // Sends all `length` bytes, waiting at most `timeout_ms` for the socket. The bytes sent, or
  // -1 (the connection is then closed).
  virtual int send(NET_TcpInfo* info, const void* data, std::size_t length, int timeout_ms = 5000);
  // Reads what has arrived and queues every whole message; an ended connection or bad framing
  // closes it and queues its message 0.
  virtual void poll(NET_TcpInfo* info);
  // Closes the socket and queues message 0 for the connection (once).
  virtual void close(NET_TcpInfo* info);
  // Forgets the connection record (after its message 0).
  virtual void drop(NET_TcpInfo* info);
  // Connections not dropped yet.
  std::size_t connectionCount() const;

 private:
  void CloseLocked(NET_TcpInfo* info, const char* why);

  mutable std::recursive_mutex mutex_;
  std::unique_ptr<NET_MemQueue> queue_;
  std::set<NET_TcpInfo*> connections_;
  NetIdFilter filter_;
};

}  // namespace ds
