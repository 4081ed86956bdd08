// The program's link to the account server: the handler table, the current connection and the
// non-blocking client whose queue the main window reads, one message per timer tick. Message 0
// (a connection ended) forgets the connection. Created with the main window and shared with the
// home page.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

#include "core/net/net_tcp.h"

class CKivNetMsg : public ds::NET_MsgDispatcherEx {
 public:
  static constexpr std::size_t kQueueBytes = 0x10000;
  static constexpr int kReadBytes = 8192;

  CKivNetMsg();
  ~CKivNetMsg() override;
  CKivNetMsg(const CKivNetMsg&) = delete;
  CKivNetMsg& operator=(const CKivNetMsg&) = delete;

  // Worker thread: closes the current connection, connects and makes the new one current. The
  // connection, or null when it failed or CancelConnect was called.
  ds::NET_TcpInfo* Connect(const std::string& host, unsigned port, int timeout_ms = 10000);
  // Makes a pending or running Connect give up soon (the program is ending).
  void CancelConnect() { cancel_ = true; }
  bool IsCancelled() const { return cancel_; }
  // Sends on the current connection; false when there is none or it failed.
  bool Send(const std::string& bytes);
  void CloseCurrent();
  ds::NET_TcpInfo* Current() const { return current_; }
  // One timer tick: services the current connection and dispatches at most one message. True
  // when a message was dispatched.
  bool Pump();

  // Called with each connection that ended, before it is forgotten (window thread).
  void SetClosedCallback(std::function<void(ds::NET_TcpInfo*)> callback) { on_closed_ = std::move(callback); }

  ds::NET_TcpNBlock& Client() { return client_; }
  ds::NET_MemQueue* Queue() { return client_.msgQueue(); }

 private:
  std::atomic<ds::NET_TcpInfo*> current_{nullptr};
  ds::NET_TcpNBlock client_;
  std::atomic<bool> cancel_{false};
  std::function<void(ds::NET_TcpInfo*)> on_closed_;
};
