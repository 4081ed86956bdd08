#include "vexo/download/http_response.h"

#include <cstring>

#include "core/text/ascii.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A token character of a field name.
bool IsTokenChar(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c)) return true;
  return std::strchr("!#$%&'*+-.^_`|~", c) != nullptr && c != '\0';
}

// Characters allowed in a field value or the reason phrase: visible ASCII, blanks, and bytes
// of 0x80 and above. Control characters (NUL, CR and LF among them) are not.
bool IsValueChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u == '\t' || (u >= 0x20 && u != 0x7F);
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// "HTTP/d.d ddd" followed by the end or a blank and a reason phrase.
int ParseHttpStatusLine(std::string_view line) {
  if (line.size() < 12 || line.compare(0, 5, "HTTP/") != 0) return 0;
  if (!IsDigit(line[5]) || line[6] != '.' || !IsDigit(line[7]) || line[8] != ' ') return 0;
  if (line[9] < '1' || line[9] > '5' || !IsDigit(line[10]) || !IsDigit(line[11])) return 0;
  if (line.size() > 12 && line[12] != ' ') return 0;
  for (char c : line.substr(12)) {
    if (!IsValueChar(c)) return 0;
  }
  return (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
}

bool ParseFieldLine(std::string_view line, std::pair<std::string, std::string>* field) {
  std::size_t colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    if (!IsTokenChar(line[i])) return false;  // also refuses blanks before the colon
  }
  std::string_view value = line.substr(colon + 1);
  for (char c : value) {
    if (!IsValueChar(c)) return false;
  }
  field->first.assign(line.data(), colon);
  field->second = std::string(TrimBlanks(value));
  return true;
}

}  // namespace

std::size_t FindHttpHeadEnd(const char* data, std::size_t size) {
  if (data == nullptr) return 0;
  for (std::size_t i = 3; i < size; ++i) {
    if (data[i] == '\n' && data[i - 1] == '\r' && data[i - 2] == '\n' && data[i - 3] == '\r') {
      return i + 1;
    }
  }
  return 0;
}

int ParseHttpResponseHead(const char* data, std::size_t size, HttpResponseHead* head) {
  if (head == nullptr) return 0;
  *head = HttpResponseHead();
  if (data == nullptr || FindHttpHeadEnd(data, size) != size) return 0;

  HttpResponseHead parsed;
  std::string_view text(data, size);
  std::size_t pos = 0;
  bool first = true;
  bool has_length = false;
  std::string content_length;
  for (;;) {
    std::size_t end = text.find("\r\n", pos);  // always found: the head ends with CR LF CR LF
    std::string_view line = text.substr(pos, end - pos);
    if (line.find('\r') != std::string_view::npos || line.find('\n') != std::string_view::npos) {
      return 0;  // a bare CR or LF inside a line
    }
    if (line.empty()) {
      if (first || end + 2 != size) return 0;
      break;
    }
    if (first) {
      parsed.status = ParseHttpStatusLine(line);
      if (parsed.status == 0) return 0;
      first = false;
    } else {
      std::pair<std::string, std::string> field;
      if (!ParseFieldLine(line, &field)) return 0;
      if (ds::AsciiEqualsIgnoreCase(field.first, "Content-Length")) {
        // Two lengths that disagree leave the body's end unknown.
        if (has_length && content_length != field.second) return 0;
        has_length = true;
        content_length = field.second;
      }
      parsed.fields.push_back(std::move(field));
    }
    parsed.lines.emplace_back(text.substr(pos, end + 2 - pos));
    pos = end + 2;
  }
  *head = std::move(parsed);
  return 1;
}

const std::string* FindHttpField(const HttpResponseHead& head, std::string_view name) {
  for (const auto& field : head.fields) {
    if (ds::AsciiEqualsIgnoreCase(field.first, name)) return &field.second;
  }
  return nullptr;
}

int CopyHttpFieldValue(const HttpResponseHead& head, std::string_view name, char* out,
                       std::size_t out_size) {
  if (out != nullptr && out_size > 0) out[0] = '\0';
  const std::string* value = FindHttpField(head, name);
  if (value == nullptr) return 0;
  if (out == nullptr || value->size() >= out_size) return -1;
  std::memcpy(out, value->data(), value->size());
  out[value->size()] = '\0';
  return 1;
}
