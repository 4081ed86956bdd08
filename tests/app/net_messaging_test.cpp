// The messaging link against a hostile peer on 127.0.0.1: whole messages are dispatched one per
// pump, and every bad framing (a length below 8 or above 8,192, a message cut off by the close,
// an identifier nobody registered) ends the connection with message 0 and dispatches nothing of it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/home/kiv_net_msg.h"
#include "core/net/account_wire.h"

namespace {

// A listening socket on 127.0.0.1 that accepts one peer at a time.
class Listener {
 public:
  Listener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    EXPECT_EQ(0, ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size));
    EXPECT_EQ(0, ::listen(fd_, 4));
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
  }
  ~Listener() { ::close(fd_); }
  int Accept() { return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC); }
  unsigned port() const { return port_; }

 private:
  int fd_ = -1;
  unsigned port_ = 0;
};

std::string Message(std::uint32_t id, const std::string& body) {
  std::string message;
  EXPECT_TRUE(ds::EncodeFrame(id, body, &message));
  return message;
}

class NetMessagingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    net_.Register(ds::kMsgLoginRefused, [this](const char* message, int length, ds::NET_TcpInfo*) {
      received_.emplace_back(message, static_cast<std::size_t>(length));
    });
    net_.SetClosedCallback([this](ds::NET_TcpInfo*) { ++closed_; });
  }

  // Connects, has the peer send `bytes` and close, and pumps until the link reports the close.
  void Exchange(const std::string& bytes) {
    received_.clear();
    closed_ = 0;
    ASSERT_NE(nullptr, net_.Connect("127.0.0.1", listener_.port()));
    const int peer = listener_.Accept();
    ASSERT_GE(peer, 0);
    ASSERT_EQ(static_cast<ssize_t>(bytes.size()), ::send(peer, bytes.data(), bytes.size(), MSG_NOSIGNAL));
    ::close(peer);
    for (int i = 0; i < 20000 && closed_ == 0; ++i) {
      if (!net_.Pump()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(1, closed_);
    EXPECT_EQ(nullptr, net_.Current());
    EXPECT_EQ(0u, net_.Client().connectionCount());
  }

  Listener listener_;
  CKivNetMsg net_;
  std::vector<std::string> received_;
  int closed_ = 0;
};

TEST_F(NetMessagingTest, WholeMessagesArriveOnePerPumpInOrder) {
  const std::string first = Message(ds::kMsgLoginRefused, std::string("\3\0\0\0", 4));
  const std::string second = Message(ds::kMsgLoginRefused, std::string(8184, 'x'));  // the largest
  ASSERT_NE(nullptr, net_.Connect("127.0.0.1", listener_.port()));
  const int peer = listener_.Accept();
  const std::string both = first + second;
  ASSERT_EQ(static_cast<ssize_t>(both.size()), ::send(peer, both.data(), both.size(), MSG_NOSIGNAL));
  while (net_.Queue()->Count() < 2) net_.Client().poll(net_.Current());
  EXPECT_TRUE(net_.Pump());
  EXPECT_EQ(1u, received_.size());
  EXPECT_TRUE(net_.Pump());
  ASSERT_EQ(2u, received_.size());
  EXPECT_EQ(first, received_[0]);
  EXPECT_EQ(second, received_[1]);
  ::close(peer);
}

TEST_F(NetMessagingTest, BadFramingDropsTheConnectionAndDispatchesNothingOfIt) {
  const std::string good = Message(ds::kMsgLoginRefused, std::string("\2\0\0\0", 4));
  std::string short_length = good;
  short_length[0] = 7;
  std::string long_length = good;
  long_length[0] = 0x01;
  long_length[1] = 0x20;  // 8,193
  const std::string unknown = Message(4242, "abcd");
  const std::string cut = good.substr(0, good.size() - 1);
  for (const std::string& bad : {short_length + good, long_length + good, unknown + good, cut}) {
    SCOPED_TRACE(bad.size());
    Exchange(bad);
    EXPECT_TRUE(received_.empty());
  }
  // A good message before the bad one still arrives, and a clean close is reported too.
  Exchange(good + unknown);
  EXPECT_EQ(1u, received_.size());
  Exchange(good);
  EXPECT_EQ(1u, received_.size());
}

TEST_F(NetMessagingTest, ConnectFailsWhereNobodyListensOrOnceCancelled) {
  unsigned port = 0;
  {
    Listener gone;
    port = gone.port();
  }
  EXPECT_EQ(nullptr, net_.Connect("127.0.0.1", port));
  net_.CancelConnect();
  EXPECT_EQ(nullptr, net_.Connect("127.0.0.1", listener_.port()));
}

}  // namespace
