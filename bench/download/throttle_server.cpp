// throttle_server FILE KIB_PER_S: serves FILE on 127.0.0.1 (ranges, keep-alive) and prints its
// port. The connection of the first ranged request that starts within 1 MiB of a tenth of the
// file (the second of ten connections, whichever downloader splits it) is slow: that request
// and every later one on it are sent at KIB_PER_S; every other connection at full speed. A
// request for /rearm lets the next such connection be slow again.
// Runs until killed.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <unistd.h>

#include "tests/common/http_server.h"

using corvane_test::HttpConnection;
using corvane_test::HttpRequest;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: throttle_server FILE KIB_PER_S\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string data = bytes.str();
  const std::int64_t slowRate = std::atoll(argv[2]) * 1024;
  const auto size = static_cast<std::int64_t>(data.size());
  std::atomic<bool> throttled{false};
  std::atomic<int> slowConnection{-1};  // its descriptor while it is open
  corvane_test::HttpServer server([&](const HttpRequest& r, HttpConnection& c) {
    if (r.path == "/rearm") {  // the next download gets its slow connection again
      throttled = false;
      slowConnection = -1;
      c.Send("HTTP/1.1 204 No Content\r\n\r\n");
      return;
    }
    std::int64_t begin = 0, end = -1;
    const bool ranged = r.Range(&begin, &end);
    if (ranged && begin >= size) {
      corvane_test::ServeBytes(r, c, data);
      return;
    }
    if (!ranged) begin = 0;
    if (end < 0 || end >= size) end = size - 1;
    std::string head = ranged ? "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + std::to_string(begin) + "-" +
                                    std::to_string(end) + "/" + std::to_string(size) + "\r\n"
                              : std::string("HTTP/1.1 200 OK\r\n");
    head += "Accept-Ranges: bytes\r\nContent-Length: " + std::to_string(end - begin + 1) + "\r\n\r\n";
    if (!c.Send(head) || r.method == "HEAD") return;
    bool slow = slowConnection.load() == c.fd();
    if (!slow && ranged && end - begin > (1 << 20) && std::llabs(begin - size / 10) <= (1 << 20) &&
        !throttled.exchange(true)) {
      slowConnection = c.fd();
      slow = true;
    }
    const std::int64_t chunk = slow ? std::max<std::int64_t>(slowRate / 20, 1024) : (1 << 20);
    for (std::int64_t at = begin; at <= end; at += chunk) {
      const std::int64_t n = std::min(chunk, end - at + 1);
      if (!c.Send(data.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(n)))) {
        // The slow connection is gone: its descriptor may come back as another connection.
        if (slow) slowConnection = -1;
        return;
      }
      if (slow) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  if (!server.Start()) return 1;
  std::printf("%d\n", server.port());
  std::fflush(stdout);
  for (;;) pause();
}
