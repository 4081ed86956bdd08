// A minimal HTTP/1.1 client connection: one GET request over a TCP socket, its response head
// read and parsed, then the body received in pieces by the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "vexo/download/http_response.h"
#include "vexo/export.h"

class VEXO_API CHttpSocket {
 public:
  static constexpr int kBufferSize = 1024;  // request text and response head
  static constexpr int kLineSize = 256;     // one header line handed out

  CHttpSocket();
  ~CHttpSocket();
  CHttpSocket(const CHttpSocket&) = delete;
  CHttpSocket& operator=(const CHttpSocket&) = delete;

  // Opens a TCP stream socket (close-on-exec); an open one is closed first. 1 on success.
  int Create();
  // Resolves `host` (first IPv4 address) and connects to `port` on a fresh socket (an open one
  // is closed first), waiting at most `timeout_ms` (<= 0: the system's own limit). Send and
  // receive time-outs are set to `timeout_ms` too, and the whole response head must arrive
  // within it, so neither a silent nor a trickling server can hold the head read. 1 on success.
  int Connect(const char* host, int port, int timeout_ms);

  // Builds the request text for GET `object` on `server` (the Host field's text). A Range
  // field "bytes=from-" (with "to" when from < to) is added only when from > 0; referer, cookie
  // and accept are optional (null or ""). 0 when the text would not fit the buffer or a field
  // holds a control character (which would start a header of its own).
  int FormatRequest(const char* server, const char* object, std::int64_t from, std::int64_t to,
                    const char* referer, const char* cookie, const char* accept);
  const char* GetRequest() const { return request_; }

  // Sends the request, then reads the response head one byte at a time, up to the blank line.
  // 1 when a well-formed head arrived; 0 on a send or receive failure, a head that does not end
  // within the buffer or the time-out, or one that does not parse (status 0 then).
  int SendRequest();

  // Sets the receive and send time-outs (and the limit for reading a head). 1 on success.
  int SetTimeout(int timeout_ms);

  // True once a complete head (well-formed or not) has been read.
  bool IsHeaderReceived() const { return header_received_; }
  int GetStatusCode() const { return head_.status; }
  const char* GetHeader() const { return header_; }
  int GetHeaderLength() const { return header_length_; }
  const HttpResponseHead& GetHead() const { return head_; }

  // Copies the next line of the head (the status line first) into `out`, cut to `size` - 1 bytes
  // and at most kLineSize - 1; returns the bytes copied, 0 after the last line.
  int GetNextHeaderLine(char* out, int size);
  // The value of field `name` (any letter case) copied into `out`: 1 copied, 0 absent, -1 longer
  // than `size` - 1 (refused: `out` then holds "").
  int GetHeaderValue(const char* name, char* out, int size) const;

  // Up to `size` body bytes: the count, 0 when the server closed the connection, -1 on an error
  // or time-out.
  int Receive(char* buffer, int size);

  // Wakes a call blocked in another thread on this connection (it then fails). Safe to call
  // at any time; the socket itself is released by Close or the destructor.
  void Abort();
  void Close();

  bool IsConnected() const { return connected_; }
  const char* GetPeerAddress() const { return peer_; }
  int GetPort() const { return port_; }

 private:
  std::mutex socket_mutex_;  // Abort against Create/Close from another thread
  int socket_ = -1;
  int port_ = 80;
  int timeout_ms_ = 0;  // limit for a whole response head; <= 0: none
  bool connected_ = false;
  char peer_[16] = {};
  char request_[kBufferSize] = {};
  int request_length_ = 0;
  char header_[kBufferSize + 1] = {};
  int header_length_ = 0;
  std::size_t read_line_ = 0;  // next line handed out by GetNextHeaderLine
  bool header_received_ = false;
  HttpResponseHead head_;
};
