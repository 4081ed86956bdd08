// The response-head parser, URL splitting, redirect targets and the request text.
#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "tests/common/http_server.h"
#include "vexo/download/http_response.h"
#include "vexo/download/http_socket.h"
#include "vexo/download/http_url.h"

namespace {

int Parse(const std::string& text, HttpResponseHead* head) {
  return ParseHttpResponseHead(text.data(), text.size(), head);
}

}  // namespace

TEST(HttpResponseHead, ReadsStatusFieldsAndLines) {
  std::string text =
      "HTTP/1.1 206 Partial Content\r\ncontent-LENGTH:  5000 \r\nX-Empty:\r\n"
      "Location: http://a/b\r\nLocation: http://second\r\n\r\n";
  HttpResponseHead head;
  ASSERT_EQ(Parse(text, &head), 1);
  EXPECT_EQ(head.status, 206);
  ASSERT_EQ(head.lines.size(), 5u);
  EXPECT_EQ(head.lines[0], "HTTP/1.1 206 Partial Content\r\n");
  ASSERT_NE(FindHttpField(head, "Content-Length"), nullptr);
  EXPECT_EQ(*FindHttpField(head, "Content-Length"), "5000");
  EXPECT_EQ(*FindHttpField(head, "x-empty"), "");
  EXPECT_EQ(*FindHttpField(head, "LOCATION"), "http://a/b");  // the first of two
  EXPECT_EQ(FindHttpField(head, "Content-Range"), nullptr);
  EXPECT_EQ(FindHttpHeadEnd(text.data(), text.size()), text.size());
  EXPECT_EQ(Parse("HTTP/1.0 500\r\n\r\n", &head), 1);  // no reason phrase
  EXPECT_EQ(head.status, 500);
}

TEST(HttpResponseHead, RefusesMalformedHeads) {
  const char* bad[] = {
      "",
      "\r\n\r\n",
      "HTTP/1.1 200 OK\r\n",                     // no blank line
      "HTTP/1.1 200 OK\r\n\r\nbody",             // bytes after the head
      "HTTP/1.1 20 OK\r\n\r\n",
      "HTTP/1.1 2000 OK\r\n\r\n",
      "HTTP/1.1 099 OK\r\n\r\n",
      "HTTP/1.1 200OK\r\n\r\n",
      "HTTX/1.1 200 OK\r\n\r\n",
      "HTTP/1.1  200 OK\r\n\r\n",
      "HTTP/1.1 200 OK\r\nName\r\n\r\n",          // no colon
      "HTTP/1.1 200 OK\r\n: value\r\n\r\n",       // empty name
      "HTTP/1.1 200 OK\r\nContent-Length : 5\r\n\r\n",  // blank before the colon
      "HTTP/1.1 200 OK\r\nA: b\r\n folded\r\n\r\n",
      "HTTP/1.1 200 OK\nA: b\r\n\r\n",            // bare LF
      "HTTP/1.1 200 OK\r\nA: b\rc\r\n\r\n",        // bare CR
      "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n",
  };
  for (const char* text : bad) {
    HttpResponseHead head;
    head.status = 42;
    EXPECT_EQ(Parse(text, &head), 0) << text;
    EXPECT_EQ(head.status, 0) << text;
    EXPECT_TRUE(head.fields.empty()) << text;
  }
  std::string with_nul("HTTP/1.1 200 OK\r\nA: b\0c\r\n\r\n", 27);
  HttpResponseHead head;
  EXPECT_EQ(Parse(with_nul, &head), 0);
  EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nContent-Length: 5\r\ncontent-length: 5\r\n\r\n", &head), 1);
}

TEST(HttpResponseHead, ValueCopyNeverPassesTheBufferAndRefusesLongerValues) {
  std::string v29(29, '7');
  std::string v30(30, '7');
  HttpResponseHead head;
  ASSERT_EQ(Parse("HTTP/1.1 200 OK\r\nA: " + v29 + "\r\nB: " + v30 + "\r\n\r\n", &head), 1);
  char buffer[40];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(CopyHttpFieldValue(head, "a", buffer, 30), 1);
  EXPECT_EQ(std::string(buffer), v29);
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(CopyHttpFieldValue(head, "b", buffer, 30), -1);
  EXPECT_EQ(buffer[0], '\0');
  for (int i = 1; i < 40; ++i) EXPECT_EQ(buffer[i], '#') << i;  // nothing else written
  EXPECT_EQ(CopyHttpFieldValue(head, "c", buffer, 30), 0);
  EXPECT_EQ(CopyHttpFieldValue(head, "a", buffer, 0), -1);
}

TEST(HttpResponseHead, MutatedInputNeverBreaksTheInvariants) {
  const std::string base =
      "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:80/x\r\nContent-Length: 0\r\n\r\n";
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    std::string text = base;
    int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
      std::size_t at = random() % text.size();
      switch (random() % 3) {
        case 0: text[at] = static_cast<char>(random() & 0xFF); break;
        case 1: text.erase(at, 1 + random() % 3); break;
        default: text.insert(at, 1, static_cast<char>(random() & 0xFF)); break;
      }
      if (text.empty()) text = "H";
    }
    HttpResponseHead head;
    int ok = Parse(text, &head);
    if (ok) {
      ASSERT_GE(head.status, 100);
      ASSERT_LE(head.status, 599);
      std::string joined;
      for (const auto& line : head.lines) joined += line;
      ASSERT_EQ(joined + "\r\n", text);  // the lines are exactly the head
      ASSERT_EQ(head.fields.size() + 1, head.lines.size());
    } else {
      ASSERT_EQ(head.status, 0);
    }
  }
}

TEST(HttpUrlParse, SplitsServerPortAndObject) {
  HttpUrl url;
  ASSERT_EQ(ParseHttpUrl("http://Example.com:8080/dir/file.exe?x=1#part", &url), 1);
  EXPECT_EQ(url.server, "Example.com");
  EXPECT_EQ(url.port, 8080);
  EXPECT_EQ(url.object, "/dir/file.exe?x=1");
  EXPECT_EQ(url.HostField(), "Example.com:8080");
  ASSERT_EQ(ParseHttpUrl("HTTP://host", &url), 1);
  EXPECT_EQ(url.object, "/");
  EXPECT_EQ(url.HostField(), "host");
  ASSERT_EQ(ParseHttpUrl("host?q", &url), 1);
  EXPECT_EQ(url.object, "/?q");
  ASSERT_EQ(ParseHttpUrl("http://h/a b\r\nX: y/\xe4\xb8\xad", &url), 1);
  EXPECT_EQ(url.object, "/a%20b%0D%0AX:%20y/%E4%B8%AD");  // stays one request line
  for (const char* bad : {"", "https://host/", "ftp://host/", "http:///path", "http://h:0/",
                          "http://h:65536/", "http://h:/", "http://h:8x/", "http://u@h/",
                          "http://[::1]/"}) {
    EXPECT_EQ(ParseHttpUrl(bad, &url), 0) << bad;
  }
}

TEST(HttpUrlParse, RedirectTargetsResolveAgainstTheRequestedUrl) {
  HttpUrl from;
  ASSERT_EQ(ParseHttpUrl("http://old:81/dir/file?q=1", &from), 1);
  EXPECT_EQ(ResolveRedirect(from, "http://new/x"), "http://new/x");
  EXPECT_EQ(ResolveRedirect(from, "//cdn/x"), "http://cdn/x");
  EXPECT_EQ(ResolveRedirect(from, "/top"), "http://old:81/top");
  EXPECT_EQ(ResolveRedirect(from, "next.bin"), "http://old:81/dir/next.bin");
  EXPECT_EQ(ResolveRedirect(from, "?q=2"), "http://old:81/dir/file?q=2");
  EXPECT_EQ(ResolveRedirect(from, ""), "");
}

TEST(HttpSocketRequest, WritesTheRequestLinesAndRangeRules) {
  CHttpSocket socket;
  ASSERT_EQ(socket.FormatRequest("host:81", "/f.exe", 1000, 5000, nullptr, nullptr, nullptr), 1);
  EXPECT_STREQ(socket.GetRequest(),
               "GET /f.exe HTTP/1.1\r\nHost:host:81\r\nAccept:*/*\r\n"
               "User-Agent:Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\n"
               "Connection:Keep-Alive\r\nRange: bytes=1000-5000\r\n\r\n");
  ASSERT_EQ(socket.FormatRequest("h", "/", 0, 5000, "http://r/", "a=1", "text/html"), 1);
  std::string text = socket.GetRequest();
  EXPECT_NE(text.find("\r\nReferer:http://r/\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nAccept:text/html\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nCookie:a=1\r\n"), std::string::npos);
  EXPECT_EQ(text.find("Range"), std::string::npos);  // nothing asked from byte 0
  ASSERT_EQ(socket.FormatRequest("h", "/", 700, 700, nullptr, nullptr, nullptr), 1);
  EXPECT_NE(std::string(socket.GetRequest()).find("\r\nRange: bytes=700-\r\n"), std::string::npos);
  // A field that would start a header of its own, or a text beyond the buffer, is refused.
  EXPECT_EQ(socket.FormatRequest("h", "/", 0, 0, "x\r\nEvil: 1", nullptr, nullptr), 0);
  EXPECT_EQ(socket.FormatRequest("h", ("/" + std::string(1000, 'a')).c_str(), 0, 0, nullptr,
                                 nullptr, nullptr), 0);
  EXPECT_STREQ(socket.GetRequest(), "");
}

TEST(HttpSocketRequest, ReadsTheHeadButNotTheBodyAndRefusesAnOverlongHead) {
  std::string filler(1100, 'x');
  corvane_test::HttpServer server([&](const corvane_test::HttpRequest& request,
                                      corvane_test::HttpConnection& connection) {
    if (request.path == "/long") {
      connection.Send("HTTP/1.1 200 OK\r\nX-Filler: " + filler + "\r\nContent-Length: 2\r\n\r\nab");
    } else {
      connection.Send("HTTP/1.1 200 OK\r\ncontent-length: 5\r\n\r\nhello");
    }
  });
  ASSERT_TRUE(server.Start());
  CHttpSocket socket;
  ASSERT_EQ(socket.Connect("127.0.0.1", server.port(), 2000), 1);
  EXPECT_STREQ(socket.GetPeerAddress(), "127.0.0.1");
  ASSERT_EQ(socket.FormatRequest("127.0.0.1", "/ok", 0, 0, nullptr, nullptr, nullptr), 1);
  ASSERT_EQ(socket.SendRequest(), 1);
  EXPECT_EQ(socket.GetStatusCode(), 200);
  char value[30];
  EXPECT_EQ(socket.GetHeaderValue("Content-Length", value, sizeof value), 1);
  EXPECT_STREQ(value, "5");
  char line[CHttpSocket::kLineSize];
  EXPECT_GT(socket.GetNextHeaderLine(line, sizeof line), 0);
  EXPECT_STREQ(line, "HTTP/1.1 200 OK\r\n");
  char body[16] = {};
  EXPECT_EQ(socket.Receive(body, 5), 5);
  EXPECT_STREQ(body, "hello");

  ASSERT_EQ(socket.Connect("127.0.0.1", server.port(), 2000), 1);  // a fresh connection
  ASSERT_EQ(socket.FormatRequest("127.0.0.1", "/long", 0, 0, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(socket.SendRequest(), 0);
  EXPECT_EQ(socket.GetStatusCode(), 0);
  EXPECT_LE(socket.GetHeaderLength(), CHttpSocket::kBufferSize);
}

TEST(HttpSocketRequest, AHeadTrickledInByteByByteEndsAtTheTimeOut) {
  // Each byte comes well within the receive time-out, but the whole head would take seconds.
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello";
  corvane_test::HttpServer server([&](const corvane_test::HttpRequest&, corvane_test::HttpConnection& connection) {
    for (char c : head) {
      if (!connection.Send(std::string(1, c))) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
  });
  ASSERT_TRUE(server.Start());
  CHttpSocket socket;
  ASSERT_EQ(socket.Connect("127.0.0.1", server.port(), 1000), 1);
  ASSERT_EQ(socket.FormatRequest("127.0.0.1", "/", 0, 0, nullptr, nullptr, nullptr), 1);
  const auto began = std::chrono::steady_clock::now();
  EXPECT_EQ(socket.SendRequest(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(2500));
  EXPECT_FALSE(socket.IsHeaderReceived());
  socket.Close();
}
