// The account server's wire format, shared by the client (login, home page) and corvane-server.
//
// Every message, both ways: uint32 total length (header included), uint32 identifier, then the
// body; integers little-endian. A length below 8 or above 8,192 is bad framing. Texts travel as
// GBK bytes; every function here takes and returns UTF-8 and converts at this boundary, and byte
// limits (20-byte accounts, 200-byte site addresses) count GBK bytes.
//
// Usage:
//   Sending:   std::string msg;  if (ds::EncodeLoginRequest({account, ds::PasswordDigest(pw)}, &msg)) send(msg);
//   Receiving: keep the bytes read from the socket in `buffer`, then
//                ds::FrameHeader h;
//                switch (ds::PeekFrame(buffer, &h)) {
//                  case ds::FrameStatus::kNeedMore: read more;
//                  case ds::FrameStatus::kBad: drop the connection;
//                  case ds::FrameStatus::kComplete: message = buffer.substr(0, h.length); dispatch on h.id,
//                      e.g. ds::DecodeLoginAccepted(message, &accepted) (false = malformed: drop it);
//                }
//   Sites (187, either way): ds::ChunkSiteText(sites, &chunks) cuts the site list into texts of at
//   most 992 bytes that never split a site, the last ending with "e"; each chunk is one 187 message.
//   The receiver feeds each chunk's text to one ds::SiteTextReader, which collects the pairs.
//
// Exchanges: the client sends 183; the server answers 185, or 184 followed at once by the account's
// stored lists (186 when one is stored, then 187 chunks when sites are stored). A client that logged in
// only to upload ignores those. Uploads (186, 187 chunks up to the one ending in "e") are accepted only
// on a connection logged in as the account they name; each stored list is answered with 189.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/export.h"

namespace ds {

// Message identifiers.
constexpr std::uint32_t kMsgClosed = 0;  // client side only: the connection closed
constexpr std::uint32_t kMsgLoginRequest = 183;
constexpr std::uint32_t kMsgLoginAccepted = 184;
constexpr std::uint32_t kMsgLoginRefused = 185;
constexpr std::uint32_t kMsgCommonSoft = 186;
constexpr std::uint32_t kMsgCommonSites = 187;
constexpr std::uint32_t kMsgUploadResult = 189;

constexpr std::size_t kFrameHeaderSize = 8;
constexpr std::size_t kMaxMessageSize = 8192;
constexpr std::size_t kLoginRequestSize = 64;
constexpr std::size_t kCommonSoftUploadSize = 152;
constexpr std::size_t kCommonSoftListSize = 128;
constexpr std::size_t kSitesTextOffset = 32;

constexpr std::size_t kAccountMaxBytes = 20;
constexpr std::size_t kPasswordMaxBytes = 49;   // the history file keeps 50 bytes with the terminator
constexpr std::size_t kNicknameMaxBytes = 50;
constexpr std::size_t kSiteChunkMaxBytes = 992;
constexpr std::size_t kSiteAddressMaxBytes = 200;
constexpr std::size_t kSiteNameMaxBytes = 200;
constexpr int kCommonSoftSlots = 30;

// Refusal codes of 185 the server sends, and upload results of 189.
constexpr std::int32_t kRefuseNoAccount = 2;
constexpr std::int32_t kRefuseBadPassword = 3;
constexpr std::int32_t kRefuseDisabled = 4;
constexpr std::int32_t kRefuseBusy = 16;
constexpr std::int32_t kResultSoftStored = 501;
constexpr std::int32_t kResultSitesStored = 503;

struct FrameHeader {
  std::uint32_t length = 0;
  std::uint32_t id = 0;
};

enum class FrameStatus { kNeedMore, kComplete, kBad };

// Looks at the start of a received byte stream. kComplete: a whole message of header.length bytes
// is there; kNeedMore: not yet (fewer than 8 bytes, or fewer than the length says); kBad: the
// length is below 8 or above 8,192. Never reads past `stream`.
DS_API FrameStatus PeekFrame(std::string_view stream, FrameHeader* header);

// Header and body as one message; false (and `out` untouched) when it would exceed 8,192 bytes.
DS_API bool EncodeFrame(std::uint32_t id, std::string_view body, std::string* out);

// The MD5 text a login carries: 32 lower-case hex digits of the password's GBK bytes.
DS_API std::string PasswordDigest(std::string_view utf8Password);

// True when `account` is 1..20 GBK bytes with no control character.
DS_API bool IsValidAccount(std::string_view utf8Account);

// 183. passwordMd5 is 32 hexadecimal digits (decoding lower-cases them).
struct LoginRequest {
  std::string account;
  std::string passwordMd5;
};
DS_API bool EncodeLoginRequest(const LoginRequest& request, std::string* out);
DS_API bool DecodeLoginRequest(std::string_view message, LoginRequest* out);

// 184. Sex code 2 = female, anything else male; member flag 0 = ordinary member.
struct LoginAccepted {
  std::int32_t sex = 1;
  std::uint8_t member = 0;
  std::string nickname;
};
DS_API bool EncodeLoginAccepted(const LoginAccepted& accepted, std::string* out);
DS_API bool DecodeLoginAccepted(std::string_view message, LoginAccepted* out);

// 185.
DS_API std::string EncodeLoginRefused(std::int32_t code);
DS_API bool DecodeLoginRefused(std::string_view message, std::int32_t* code);

// 186. Program ids in list order, -1 for unused slots.
using CommonSoftIds = std::array<std::int32_t, kCommonSoftSlots>;
// Client to server: the ids and the account name (152 bytes).
DS_API bool EncodeCommonSoftUpload(std::string_view account, const CommonSoftIds& ids, std::string* out);
DS_API bool DecodeCommonSoftUpload(std::string_view message, std::string* account, CommonSoftIds* ids);
// Server to client: the ids alone (128 bytes); a first id of -1 means "no list".
DS_API std::string EncodeCommonSoftList(const CommonSoftIds& ids);
DS_API bool DecodeCommonSoftList(std::string_view message, CommonSoftIds* ids);

// 187. One site is a name and an address.
struct Site {
  std::string name;
  std::string address;
  bool operator==(const Site& other) const { return name == other.name && address == other.address; }
};

// True when the site can travel: neither text holds "\n" or NUL, the address is at most 200 GBK
// bytes and the name at most 200.
DS_API bool IsValidSite(const Site& site);

// The site text of `sites` ("name\naddress\n" each, "e" at the end), cut into chunks of at most 992
// GBK bytes that never split a site's lines; "e" ends the last chunk. False when a site is not valid.
DS_API bool ChunkSiteText(const std::vector<Site>& sites, std::vector<std::string>* chunks);

// One chunk, either way: the client's upload carries the account (offset 8, 24 bytes); the server's
// answer leaves that field empty. The chunk is at most 992 bytes. Chunks are UTF-8 here as
// ChunkSiteText makes them; decoding returns the chunk's text in UTF-8.
DS_API bool EncodeSitesChunk(std::string_view account, std::string_view chunk, std::string* out);
DS_API bool DecodeSitesChunk(std::string_view message, std::string* account, std::string* chunk);

// Collects sites from the chunks of one list, in order. Each chunk is split at "\n" and its tokens
// taken in pairs (name, address); a pair whose address is "Null" is skipped; a last token "e" ends
// the list. Feed returns false for a chunk that is malformed (an unpaired token, an invalid site,
// anything after the end); such a chunk adds nothing.
class DS_API SiteTextReader {
 public:
  bool Feed(std::string_view chunk);
  bool finished() const { return finished_; }
  const std::vector<Site>& sites() const { return sites_; }
  void Reset();

 private:
  std::vector<Site> sites_;
  bool finished_ = false;
};

// 189.
DS_API std::string EncodeUploadResult(std::int32_t result);
DS_API bool DecodeUploadResult(std::string_view message, std::int32_t* result);

}  // namespace ds
