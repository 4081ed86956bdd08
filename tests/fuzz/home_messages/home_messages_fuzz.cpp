// The client's side of the account server on arbitrary bytes from the peer: the stream goes
// through a socket into the messaging client, which frames and queues it, and every queued
// message is dispatched to the home page's handlers (login answers, lists, upload results) in
// the state the first byte chooses. Checked for any input: nothing is read past a message, the
// lists stay within their bounds, and whatever the client answers is well framed.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/catalogue/software_mgr.h"
#include "app/home/home_session.h"
#include "core/net/account_wire.h"
#include "core/net/net_tcp.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

SoftwareMgr& Software() {
  static SoftwareMgr* software = [] {
    auto* manager = new SoftwareMgr;
    for (int id = 1; id <= 40; ++id) {
      SoftwareState state;
      state.id = id;
      state.default_ = id % 3 == 0;
      manager->States()[id] = state;
    }
    return manager;
  }();
  return *software;
}

void CheckAnswers(const HomeSession::Outcome& outcome) {
  for (const std::string& message : outcome.send) {
    ds::FrameHeader header;
    FUZZ_CHECK(ds::PeekFrame(message, &header) == ds::FrameStatus::kComplete && header.length == message.size(),
               "a message the client sends is framed");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  corvane_fuzz::InputReader input(data, size);
  const std::uint8_t mode = input.Byte();
  const std::string stream(input.Rest());

  HomeSession session(Software());
  if (mode & 1) {
    // An upload: logged in, with both lists pending.
    session.BeginLogin("user", "secret");
    session.OnMessage(ds::kMsgLoginAccepted, [] {
      std::string accepted;
      ds::EncodeLoginAccepted({}, &accepted);
      return accepted;
    }());
    session.EndListWait();
    session.MarkProgramsChanged();
    session.MarkSitesChanged();
  } else {
    session.BeginLogin("user", "secret");
  }
  CheckAnswers(session.OnConnected());

  int sockets[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, sockets) != 0) return 0;
  ds::NET_TcpNBlock client;
  client.createMsgQueue(1, 0x10000);
  client.setIdFilter([](std::uint32_t id) {
    return id == ds::kMsgLoginAccepted || id == ds::kMsgLoginRefused || id == ds::kMsgCommonSoft ||
           id == ds::kMsgCommonSites || id == ds::kMsgUploadResult;
  });
  ds::NET_TcpInfo* info = client.adopt(sockets[0], "fuzz");
  ds::NET_MsgDispatcherEx dispatcher;
  bool closed = false;
  dispatcher.Register(ds::kMsgClosed, [&](const char*, int, ds::NET_TcpInfo* which) {
    FUZZ_CHECK(which == info, "message 0 names the connection");
    closed = true;
  });
  for (std::uint32_t id : {ds::kMsgLoginAccepted, ds::kMsgLoginRefused, ds::kMsgCommonSoft, ds::kMsgCommonSites,
                           ds::kMsgUploadResult})
    dispatcher.Register(id, [&](const char* message, int length, ds::NET_TcpInfo*) {
      FUZZ_CHECK(length >= 8 && length <= 8192, "message length within the framing");
      const std::uint32_t id_read = static_cast<unsigned char>(message[4]) | static_cast<unsigned char>(message[5]) << 8;
      CheckAnswers(session.OnMessage(id_read, std::string_view(message, static_cast<std::size_t>(length))));
    });

  std::size_t written = 0;
  std::vector<char> buffer(8192);
  while (!closed) {
    if (written < stream.size()) {
      const ssize_t n = ::send(sockets[1], stream.data() + written, stream.size() - written, MSG_DONTWAIT | MSG_NOSIGNAL);
      if (n > 0) written += static_cast<std::size_t>(n);
    }
    if (written >= stream.size() && sockets[1] >= 0) {
      ::close(sockets[1]);
      sockets[1] = -1;
    }
    client.poll(info);
    ds::NET_TcpInfo* from = nullptr;
    while (const int length = client.msgQueue()->Read(buffer.data(), static_cast<int>(buffer.size()), &from)) {
      FUZZ_CHECK(length <= static_cast<int>(buffer.size()), "a queued message fits the read");
      dispatcher.HandleMessage(buffer.data(), length, from);
    }
  }
  if (sockets[1] >= 0) ::close(sockets[1]);
  client.drop(info);

  FUZZ_CHECK(session.Programs().Items().size() <= static_cast<std::size_t>(ds::kCommonSoftSlots),
             "common programs within 30");
  const CommonSites& sites = session.Sites();
  FUZZ_CHECK(sites.ValidCount() <= static_cast<int>(sites.Items().size()), "valid sites are listed");
  for (const ds::Site& site : sites.Items()) FUZZ_CHECK(ds::IsValidSite(site), "every listed site can travel");
  FUZZ_CHECK(sites.Pages().page() >= 1 && sites.Pages().page() <= sites.Pages().page_count(), "site page in range");
  return 0;
}
