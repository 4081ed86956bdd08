#include "core/net/account_wire.h"

#include <cstring>

#include "core/crypto/md5.h"
#include "core/text/text_codec.h"

namespace ds {
namespace {

std::uint32_t ReadU32(std::string_view bytes, std::size_t offset) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int32_t ReadI32(std::string_view bytes, std::size_t offset) {
  return static_cast<std::int32_t>(ReadU32(bytes, offset));
}

void PutU32(std::string* out, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) (*out)[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A message of `size` zero bytes with its header filled in.
std::string NewMessage(std::uint32_t id, std::size_t size) {
  std::string out(size, '\0');
  PutU32(&out, 0, static_cast<std::uint32_t>(size));
  PutU32(&out, 4, id);
  return out;
}

// True when `message` is a whole message with identifier `id`, at least `minimum` bytes long,
// whose length field matches its size.
bool IsMessage(std::string_view message, std::uint32_t id, std::size_t minimum) {
  if (message.size() < kFrameHeaderSize || message.size() < minimum || message.size() > kMaxMessageSize) {
    return false;
  }
  return ReadU32(message, 0) == message.size() && ReadU32(message, 4) == id;
}

// The NUL-terminated text of a fixed field; false when the field holds no terminator.
bool FieldText(std::string_view message, std::size_t offset, std::size_t size, std::string_view* text) {
  std::string_view field = message.substr(offset, size);
  std::size_t end = field.find('\0');
  if (end == std::string_view::npos) return false;
  *text = field.substr(0, end);
  return true;
}

// GBK bytes to UTF-8, refusing bytes that do not stand for a character (the account name must not
// turn into another one on the way).
bool ExactGbkToUtf8(std::string_view gbk, std::string* utf8) {
  std::string text = GbkToUtf8(gbk);
  if (Utf8ToGbk(text) != gbk) return false;
  *utf8 = std::move(text);
  return true;
}

bool IsHexDigits(std::string_view text) {
  for (char c : text) {
    bool digit = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!digit) return false;
  }
  return true;
}

bool HasControl(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  }
  return false;
}

bool DecodeAccountField(std::string_view message, std::size_t offset, std::size_t size, std::string* account) {
  std::string_view raw;
  if (!FieldText(message, offset, size, &raw) || raw.size() > kAccountMaxBytes) return false;
  std::string text;
  if (!ExactGbkToUtf8(raw, &text) || !IsValidAccount(text)) return false;
  *account = std::move(text);
  return true;
}

}  // namespace

FrameStatus PeekFrame(std::string_view stream, FrameHeader* header) {
  if (stream.size() < kFrameHeaderSize) return FrameStatus::kNeedMore;
  FrameHeader h;
  h.length = ReadU32(stream, 0);
  h.id = ReadU32(stream, 4);
  if (h.length < kFrameHeaderSize || h.length > kMaxMessageSize) return FrameStatus::kBad;
  if (header != nullptr) *header = h;
  return stream.size() >= h.length ? FrameStatus::kComplete : FrameStatus::kNeedMore;
}

bool EncodeFrame(std::uint32_t id, std::string_view body, std::string* out) {
  if (body.size() > kMaxMessageSize - kFrameHeaderSize) return false;
  std::string message = NewMessage(id, kFrameHeaderSize + body.size());
  if (!body.empty()) std::memcpy(&message[kFrameHeaderSize], body.data(), body.size());
  *out = std::move(message);
  return true;
}

std::string PasswordDigest(std::string_view utf8Password) {
  std::string gbk = Utf8ToGbk(utf8Password);
  return MD5Hex(gbk.data(), gbk.size());
}

bool IsValidAccount(std::string_view utf8Account) {
  if (utf8Account.empty() || !IsValidUtf8(utf8Account) || HasControl(utf8Account)) return false;
  return GbkByteLength(utf8Account) <= kAccountMaxBytes;
}

bool EncodeLoginRequest(const LoginRequest& request, std::string* out) {
  if (!IsValidAccount(request.account) || request.passwordMd5.size() != 32 || !IsHexDigits(request.passwordMd5)) {
    return false;
  }
  std::string message = NewMessage(kMsgLoginRequest, kLoginRequestSize);
  std::string account = Utf8ToGbk(request.account);
  std::memcpy(&message[8], account.data(), account.size());
  std::memcpy(&message[29], request.passwordMd5.data(), 32);
  *out = std::move(message);
  return true;
}

bool DecodeLoginRequest(std::string_view message, LoginRequest* out) {
  if (!IsMessage(message, kMsgLoginRequest, kLoginRequestSize) || message.size() != kLoginRequestSize) return false;
  LoginRequest request;
  std::string_view md5;
  if (!DecodeAccountField(message, 8, 21, &request.account)) return false;
  if (!FieldText(message, 29, 33, &md5) || md5.size() != 32 || !IsHexDigits(md5)) return false;
  request.passwordMd5.assign(md5);
  for (char& c : request.passwordMd5) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  }
  *out = std::move(request);
  return true;
}

bool EncodeLoginAccepted(const LoginAccepted& accepted, std::string* out) {
  std::string nickname = Utf8ToGbk(accepted.nickname);
  if (nickname.size() > kNicknameMaxBytes || nickname.find('\0') != std::string::npos) return false;
  std::string message = NewMessage(kMsgLoginAccepted, 13 + nickname.size() + 1);
  PutU32(&message, 8, static_cast<std::uint32_t>(accepted.sex));
  message[12] = static_cast<char>(accepted.member);
  std::memcpy(&message[13], nickname.data(), nickname.size());
  *out = std::move(message);
  return true;
}

bool DecodeLoginAccepted(std::string_view message, LoginAccepted* out) {
  if (!IsMessage(message, kMsgLoginAccepted, 14)) return false;
  std::string_view nickname;
  if (!FieldText(message, 13, message.size() - 13, &nickname)) return false;
  out->sex = ReadI32(message, 8);
  out->member = static_cast<std::uint8_t>(message[12]);
  out->nickname = GbkToUtf8(nickname);
  return true;
}

std::string EncodeLoginRefused(std::int32_t code) {
  std::string message = NewMessage(kMsgLoginRefused, 12);
  PutU32(&message, 8, static_cast<std::uint32_t>(code));
  return message;
}

bool DecodeLoginRefused(std::string_view message, std::int32_t* code) {
  if (!IsMessage(message, kMsgLoginRefused, 12)) return false;
  *code = ReadI32(message, 8);
  return true;
}

bool EncodeCommonSoftUpload(std::string_view account, const CommonSoftIds& ids, std::string* out) {
  if (!IsValidAccount(account)) return false;
  std::string message = NewMessage(kMsgCommonSoft, kCommonSoftUploadSize);
  for (int i = 0; i < kCommonSoftSlots; ++i) PutU32(&message, 8 + 4 * i, static_cast<std::uint32_t>(ids[i]));
  std::string gbk = Utf8ToGbk(account);
  std::memcpy(&message[128], gbk.data(), gbk.size());
  *out = std::move(message);
  return true;
}

bool DecodeCommonSoftUpload(std::string_view message, std::string* account, CommonSoftIds* ids) {
  if (!IsMessage(message, kMsgCommonSoft, kCommonSoftUploadSize)) return false;
  std::string name;
  if (!DecodeAccountField(message, 128, 21, &name)) return false;
  for (int i = 0; i < kCommonSoftSlots; ++i) (*ids)[i] = ReadI32(message, 8 + 4 * i);
  *account = std::move(name);
  return true;
}

std::string EncodeCommonSoftList(const CommonSoftIds& ids) {
  std::string message = NewMessage(kMsgCommonSoft, kCommonSoftListSize);
  for (int i = 0; i < kCommonSoftSlots; ++i) PutU32(&message, 8 + 4 * i, static_cast<std::uint32_t>(ids[i]));
  return message;
}

bool DecodeCommonSoftList(std::string_view message, CommonSoftIds* ids) {
  if (!IsMessage(message, kMsgCommonSoft, kCommonSoftListSize)) return false;
  for (int i = 0; i < kCommonSoftSlots; ++i) (*ids)[i] = ReadI32(message, 8 + 4 * i);
  return true;
}

bool IsValidSite(const Site& site) {
  auto clean = [](const std::string& text) {
    return text.find('\n') == std::string::npos && text.find('\0') == std::string::npos;
  };
  return clean(site.name) && clean(site.address) && GbkByteLength(site.address) <= kSiteAddressMaxBytes &&
         GbkByteLength(site.name) <= kSiteNameMaxBytes;
}

bool ChunkSiteText(const std::vector<Site>& sites, std::vector<std::string>* chunks) {
  std::vector<std::string> result;
  std::string chunk;
  std::size_t chunkBytes = 0;  // GBK bytes of `chunk`
  for (const Site& site : sites) {
    if (!IsValidSite(site)) return false;
    std::string lines = site.name + "\n" + site.address + "\n";
    std::size_t bytes = GbkByteLength(lines);
    if (chunkBytes + bytes > kSiteChunkMaxBytes) {
      result.push_back(std::move(chunk));
      chunk.clear();
      chunkBytes = 0;
    }
    chunk += lines;
    chunkBytes += bytes;
  }
  if (chunkBytes + 1 > kSiteChunkMaxBytes) {
    result.push_back(std::move(chunk));
    chunk.clear();
  }
  chunk += "e";
  result.push_back(std::move(chunk));
  *chunks = std::move(result);
  return true;
}

bool EncodeSitesChunk(std::string_view account, std::string_view chunk, std::string* out) {
  if (!account.empty() && !IsValidAccount(account)) return false;
  std::string gbk = Utf8ToGbk(chunk);
  if (gbk.size() > kSiteChunkMaxBytes || gbk.find('\0') != std::string::npos) return false;
  std::string message = NewMessage(kMsgCommonSites, kSitesTextOffset + gbk.size() + 1);
  std::string name = Utf8ToGbk(account);
  std::memcpy(&message[8], name.data(), name.size());
  std::memcpy(&message[kSitesTextOffset], gbk.data(), gbk.size());
  *out = std::move(message);
  return true;
}

bool DecodeSitesChunk(std::string_view message, std::string* account, std::string* chunk) {
  if (!IsMessage(message, kMsgCommonSites, kSitesTextOffset + 1)) return false;
  std::string_view rawAccount;
  if (!FieldText(message, 8, 24, &rawAccount)) return false;
  std::string name;
  if (!rawAccount.empty() && !DecodeAccountField(message, 8, 24, &name)) return false;
  std::string_view text;
  if (!FieldText(message, kSitesTextOffset, message.size() - kSitesTextOffset, &text) ||
      text.size() > kSiteChunkMaxBytes) {
    return false;
  }
  *account = std::move(name);
  *chunk = GbkToUtf8(text);
  return true;
}

bool SiteTextReader::Feed(std::string_view chunk) {
  if (finished_) return false;
  std::vector<std::string_view> tokens;
  std::size_t start = 0;
  while (true) {
    std::size_t end = chunk.find('\n', start);
    if (end == std::string_view::npos) {
      tokens.push_back(chunk.substr(start));
      break;
    }
    tokens.push_back(chunk.substr(start, end - start));
    start = end + 1;
  }
  // The text after the last "\n": empty when the chunk ends with a site, "e" when it ends the list.
  std::string_view last = tokens.back();
  tokens.pop_back();
  bool ends = last == "e";
  if ((!ends && !last.empty()) || tokens.size() % 2 != 0) return false;
  std::vector<Site> read;
  for (std::size_t i = 0; i < tokens.size(); i += 2) {
    Site site{std::string(tokens[i]), std::string(tokens[i + 1])};
    if (!IsValidSite(site)) return false;
    if (site.address != "Null") read.push_back(std::move(site));
  }
  sites_.insert(sites_.end(), read.begin(), read.end());
  finished_ = ends;
  return true;
}

void SiteTextReader::Reset() {
  sites_.clear();
  finished_ = false;
}

std::string EncodeUploadResult(std::int32_t result) {
  std::string message = NewMessage(kMsgUploadResult, 12);
  PutU32(&message, 8, static_cast<std::uint32_t>(result));
  return message;
}

bool DecodeUploadResult(std::string_view message, std::int32_t* result) {
  if (!IsMessage(message, kMsgUploadResult, 12)) return false;
  *result = ReadI32(message, 8);
  return true;
}

}  // namespace ds
