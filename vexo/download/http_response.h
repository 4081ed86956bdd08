// Parsing the head of an HTTP/1.x response: status line, header fields, the blank line.
// Pure functions over bytes; nothing here touches a socket, so the parser can be fed anything.
//
// The parser is strict where leniency would let a broken or hostile server change what is
// written to disk: lines end with CR LF (a bare CR or LF is refused), field names are tokens
// followed directly by ':', folded lines and control characters are refused, and two
// Content-Length fields that disagree make the head invalid. Names compare ignoring case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vexo/export.h"

struct HttpResponseHead {
  int status = 0;                  // the three-digit status code; 0 when not parsed
  std::vector<std::string> lines;  // status line and field lines, each with its "\r\n"
  std::vector<std::pair<std::string, std::string>> fields;  // name as sent, value trimmed
};

// Number of bytes up to and including the first CR LF CR LF in `data`, or 0 when there is none.
VEXO_API std::size_t FindHttpHeadEnd(const char* data, std::size_t size);

// Parses `size` bytes that hold exactly one response head ending with CR LF CR LF.
// 1 with *head filled; 0 (and *head cleared) when the bytes are not a well-formed head.
VEXO_API int ParseHttpResponseHead(const char* data, std::size_t size, HttpResponseHead* head);

// The value of the first field called `name` (any letter case), or null.
VEXO_API const std::string* FindHttpField(const HttpResponseHead& head, std::string_view name);

// Copies the value of field `name` into `out` (`out_size` bytes, terminator included).
// 1 when copied; 0 when there is no such field; -1 when the value does not fit. `out` never
// receives more than `out_size` bytes and holds "" unless 1 is returned.
VEXO_API int CopyHttpFieldValue(const HttpResponseHead& head, std::string_view name, char* out,
                                std::size_t out_size);
