// The floor for the account server benchmark: the same protocol's happy path with nothing behind
// it. It answers every login with 184 at once (no store, no hashing) and every upload with 189,
// on one epoll loop like corvane-server's, so the difference between the two is the work of a
// real login.
//
//   account_floor_server PORT_FILE     (listens on 127.0.0.1, a free port written to PORT_FILE)
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <unordered_map>

#include "core/net/account_wire.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  signal(SIGPIPE, SIG_IGN);
  int listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, SOMAXCONN) != 0)
    return 1;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  std::FILE* portFile = std::fopen(argv[1], "w");
  if (portFile == nullptr) return 1;
  std::fprintf(portFile, "%d\n", ntohs(address.sin_port));
  std::fclose(portFile);

  std::string accepted;
  ds::EncodeLoginAccepted({1, 0, "floor"}, &accepted);
  int ep = epoll_create1(EPOLL_CLOEXEC);
  epoll_event event{EPOLLIN, {}};
  event.data.fd = listener;
  epoll_ctl(ep, EPOLL_CTL_ADD, listener, &event);
  std::unordered_map<int, std::string> buffers;
  epoll_event events[512];
  while (true) {
    int count = epoll_wait(ep, events, 512, -1);
    for (int i = 0; i < count; ++i) {
      int fd = events[i].data.fd;
      if (fd == listener) {
        int client;
        while ((client = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0) {
          int one = 1;
          setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
          epoll_event clientEvent{EPOLLIN, {}};
          clientEvent.data.fd = client;
          epoll_ctl(ep, EPOLL_CTL_ADD, client, &clientEvent);
          buffers[client];
        }
        continue;
      }
      std::string& buffer = buffers[fd];
      char chunk[16384];
      ssize_t n;
      bool closed = false;
      while ((n = recv(fd, chunk, sizeof chunk, 0)) > 0) buffer.append(chunk, static_cast<std::size_t>(n));
      if (n == 0 || (n < 0 && errno != EAGAIN)) closed = true;
      std::string out;
      ds::FrameHeader header;
      while (!closed && ds::PeekFrame(buffer, &header) == ds::FrameStatus::kComplete) {
        if (header.id == ds::kMsgLoginRequest) out += accepted;
        if (header.id == ds::kMsgCommonSoft) out += ds::EncodeUploadResult(ds::kResultSoftStored);
        if (header.id == ds::kMsgCommonSites && buffer[header.length - 2] == 'e') {
          out += ds::EncodeUploadResult(ds::kResultSitesStored);
        }
        buffer.erase(0, header.length);
      }
      if (!out.empty()) send(fd, out.data(), out.size(), MSG_NOSIGNAL);  // small: fits the socket buffer
      if (closed) {
        close(fd);
        buffers.erase(fd);
      }
    }
  }
}
