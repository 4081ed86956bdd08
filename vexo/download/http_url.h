// Splitting an "http://" URL into what a request needs, and following a redirect's Location.
// Plain HTTP only: the socket downloader speaks HTTP/1.1 over a bare TCP connection.
#pragma once

#include <string>
#include <string_view>

#include "vexo/export.h"

struct VEXO_API HttpUrl {
  std::string server;  // host name or dotted address
  std::string object;  // path and query as sent in the request line, starting with '/'
  int port = 80;

  // The Host field's text: the server, with ":port" unless the port is 80.
  std::string HostField() const;
};

// Parses "[http://]server[:port][/path][?query][#fragment]". The scheme, when given, must be
// http (any letter case); user names, IPv6 literals and ports outside 1..65535 are refused. The
// fragment is dropped; blanks, control characters and bytes of 0x80 and above in the path are
// percent-encoded so that the request line stays one well-formed line. 1 on success, else 0.
VEXO_API int ParseHttpUrl(std::string_view url, HttpUrl* out);

// The absolute URL that `location` (a redirect's Location value) names when it answers a request
// for `from`: an absolute URL stays as it is, "//host/..." gets "http:", "/path" gets the old
// server and port, and a relative path is taken from the folder of the old path. "" when empty.
VEXO_API std::string ResolveRedirect(const HttpUrl& from, std::string_view location);
