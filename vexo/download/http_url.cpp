#include "vexo/download/http_url.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHostChar(char c) { return IsAlpha(c) || IsDigit(c) || c == '-' || c == '.' || c == '_'; }

// Length of a leading "scheme://", or 0 when the text does not start with one.
std::size_t SchemeLength(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (IsAlpha(text[i]) || (i > 0 && (IsDigit(text[i]) || text[i] == '+' ||
                                                               text[i] == '-' || text[i] == '.')))) {
    ++i;
  }
  if (i == 0 || text.substr(i, 3) != "://") return 0;
  return i + 3;
}

std::string EncodeObject(std::string_view path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F) {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string HttpUrl::HostField() const {
  if (port == 80) return server;
  return server + ":" + std::to_string(port);
}

int ParseHttpUrl(std::string_view url, HttpUrl* out) {
  if (out == nullptr) return 0;
  *out = HttpUrl();
  std::size_t scheme = SchemeLength(url);
  if (scheme != 0) {
    std::string_view name = url.substr(0, scheme - 3);
    if (name.size() != 4 || Lower(name[0]) != 'h' || Lower(name[1]) != 't' ||
        Lower(name[2]) != 't' || Lower(name[3]) != 'p') {
      return 0;
    }
    url.remove_prefix(scheme);
  }
  std::size_t fragment = url.find('#');
  if (fragment != std::string_view::npos) url = url.substr(0, fragment);

  std::size_t authority_end = url.find_first_of("/?");
  std::string_view authority = url.substr(0, authority_end);
  std::string_view rest = authority_end == std::string_view::npos ? std::string_view()
                                                                  : url.substr(authority_end);
  std::size_t colon = authority.find(':');
  std::string_view host = authority.substr(0, colon);
  if (host.empty()) return 0;
  for (char c : host) {
    if (!IsHostChar(c)) return 0;
  }
  int port = 80;
  if (colon != std::string_view::npos) {
    std::string_view digits = authority.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return 0;
    port = 0;
    for (char c : digits) {
      if (!IsDigit(c)) return 0;
      port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) return 0;
  }
  HttpUrl parsed;
  parsed.server = std::string(host);
  parsed.port = port;
  if (rest.empty()) {
    parsed.object = "/";
  } else if (rest.front() == '?') {
    parsed.object = "/" + EncodeObject(rest);
  } else {
    parsed.object = EncodeObject(rest);
  }
  *out = std::move(parsed);
  return 1;
}

std::string ResolveRedirect(const HttpUrl& from, std::string_view location) {
  if (location.empty()) return std::string();
  if (SchemeLength(location) != 0) return std::string(location);
  if (location.substr(0, 2) == "//") return "http:" + std::string(location);
  std::string base = "http://" + from.HostField();
  if (location.front() == '/') return base + std::string(location);
  std::string path = from.object.substr(0, from.object.find('?'));
  if (location.front() == '?') return base + path + std::string(location);
  std::size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "/" : path.substr(0, slash + 1);
  return base + folder + std::string(location);
}
