#include "app/home/kiv_net_msg.h"

#include <vector>

CKivNetMsg::CKivNetMsg() {
  ds::NET_Tcp::initialize();
  client_.createMsgQueue(1, kQueueBytes);
  // Messages of an identifier nobody registered end their connection.
  client_.setIdFilter([this](std::uint32_t id) { return id != ds::kNetClosedMessage && IsRegistered(id); });
  Register(ds::kNetClosedMessage, [this](const char*, int, ds::NET_TcpInfo* info) {
    ds::NET_TcpInfo* expected = info;
    current_.compare_exchange_strong(expected, nullptr);
    if (on_closed_) on_closed_(info);
    client_.drop(info);
  });
}

CKivNetMsg::~CKivNetMsg() {
  ds::NET_Tcp::deinitialize();
  Unregister(ds::kNetClosedMessage);
}

ds::NET_TcpInfo* CKivNetMsg::Connect(const std::string& host, unsigned port, int timeout_ms) {
  CloseCurrent();
  if (cancel_) return nullptr;
  ds::NET_TcpInfo* info = client_.connect(host, port, timeout_ms, &cancel_);
  if (info) current_ = info;
  return info;
}

bool CKivNetMsg::Send(const std::string& bytes) {
  ds::NET_TcpInfo* info = current_;
  return info && client_.send(info, bytes.data(), bytes.size()) == static_cast<int>(bytes.size());
}

void CKivNetMsg::CloseCurrent() {
  if (ds::NET_TcpInfo* info = current_) client_.close(info);
}

bool CKivNetMsg::Pump() {
  if (ds::NET_TcpInfo* info = current_) client_.poll(info);
  ds::NET_MemQueue* queue = client_.msgQueue();
  if (!queue || queue->IsEmpty()) return false;
  std::vector<char> buffer(kReadBytes);
  ds::NET_TcpInfo* info = nullptr;
  const int length = queue->Read(buffer.data(), kReadBytes, &info);
  if (length <= 0 || length > kReadBytes) return false;
  HandleMessage(buffer.data(), length, info);
  return true;
}
