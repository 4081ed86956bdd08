#include "core/crypto/md5.h"

#include <cstring>

namespace ds {
namespace {

// Per-round shift amounts of RFC 1321.
constexpr int S11 = 7, S12 = 12, S13 = 17, S14 = 22;
constexpr int S21 = 5, S22 = 9, S23 = 14, S24 = 20;
constexpr int S31 = 4, S32 = 11, S33 = 16, S34 = 23;
constexpr int S41 = 6, S42 = 10, S43 = 15, S44 = 21;

inline std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return (x & y) | (~x & z); }
inline std::uint32_t G(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return (x & z) | (y & ~z); }
inline std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }
inline std::uint32_t I(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return y ^ (x | ~z); }

inline std::uint32_t RotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline void FF(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x, int s,
               std::uint32_t ac) {
  a = RotateLeft(a + F(b, c, d) + x + ac, s) + b;
}
inline void GG(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x, int s,
               std::uint32_t ac) {
  a = RotateLeft(a + G(b, c, d) + x + ac, s) + b;
}
inline void HH(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x, int s,
               std::uint32_t ac) {
  a = RotateLeft(a + H(b, c, d) + x + ac, s) + b;
}
inline void II(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x, int s,
               std::uint32_t ac) {
  a = RotateLeft(a + I(b, c, d) + x + ac, s) + b;
}

}  // namespace

MD5::MD5() {
  std::memset(padding_, 0, sizeof(padding_));
  padding_[0] = 0x80;
  Init();
}

MD5::~MD5() = default;

void MD5::Init() {
  count_[0] = count_[1] = 0;
  state_[0] = 0x67452301u;
  state_[1] = 0xEFCDAB89u;
  state_[2] = 0x98BADCFEu;
  state_[3] = 0x10325476u;
  std::memset(buffer_, 0, sizeof(buffer_));
}

void MD5::Update(const unsigned char* data, unsigned length) {
  if (data == nullptr || length == 0) return;

  unsigned index = (count_[0] >> 3) & 0x3F;
  // The bit count is 64 bits wide, kept as two halves.
  std::uint32_t bits_low = static_cast<std::uint32_t>(length) << 3;
  count_[0] += bits_low;
  if (count_[0] < bits_low) ++count_[1];
  count_[1] += static_cast<std::uint32_t>(length) >> 29;

  unsigned part = 64 - index;
  unsigned i = 0;
  if (length >= part) {
    std::memcpy(&buffer_[index], data, part);
    Transform(buffer_);
    for (i = part; length - i >= 64; i += 64) Transform(&data[i]);
    index = 0;
  }
  std::memcpy(&buffer_[index], &data[i], length - i);
}

void MD5::Final(unsigned char digest[16]) {
  unsigned char bits[8];
  Encode(bits, count_, 8);

  // Pad to 56 bytes modulo 64, then append the bit count of the message before padding.
  unsigned index = (count_[0] >> 3) & 0x3F;
  unsigned pad_length = (index < 56) ? (56 - index) : (120 - index);
  Update(padding_, pad_length);
  Update(bits, 8);

  Encode(digest, state_, 16);
  Init();
}

void MD5::Transform(const unsigned char block[64]) {
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  std::uint32_t x[16];
  Decode(x, block, 64);

  // Round 1
  FF(a, b, c, d, x[0], S11, 0xd76aa478u);
  FF(d, a, b, c, x[1], S12, 0xe8c7b756u);
  FF(c, d, a, b, x[2], S13, 0x242070dbu);
  FF(b, c, d, a, x[3], S14, 0xc1bdceeeu);
  FF(a, b, c, d, x[4], S11, 0xf57c0fafu);
  FF(d, a, b, c, x[5], S12, 0x4787c62au);
  FF(c, d, a, b, x[6], S13, 0xa8304613u);
  FF(b, c, d, a, x[7], S14, 0xfd469501u);
  FF(a, b, c, d, x[8], S11, 0x698098d8u);
  FF(d, a, b, c, x[9], S12, 0x8b44f7afu);
  FF(c, d, a, b, x[10], S13, 0xffff5bb1u);
  FF(b, c, d, a, x[11], S14, 0x895cd7beu);
  FF(a, b, c, d, x[12], S11, 0x6b901122u);
  FF(d, a, b, c, x[13], S12, 0xfd987193u);
  FF(c, d, a, b, x[14], S13, 0xa679438eu);
  FF(b, c, d, a, x[15], S14, 0x49b40821u);

  // Round 2
  GG(a, b, c, d, x[1], S21, 0xf61e2562u);
  GG(d, a, b, c, x[6], S22, 0xc040b340u);
  GG(c, d, a, b, x[11], S23, 0x265e5a51u);
  GG(b, c, d, a, x[0], S24, 0xe9b6c7aau);
  GG(a, b, c, d, x[5], S21, 0xd62f105du);
  GG(d, a, b, c, x[10], S22, 0x02441453u);
  GG(c, d, a, b, x[15], S23, 0xd8a1e681u);
  GG(b, c, d, a, x[4], S24, 0xe7d3fbc8u);
  GG(a, b, c, d, x[9], S21, 0x21e1cde6u);
  GG(d, a, b, c, x[14], S22, 0xc33707d6u);
  GG(c, d, a, b, x[3], S23, 0xf4d50d87u);
  GG(b, c, d, a, x[8], S24, 0x455a14edu);
  GG(a, b, c, d, x[13], S21, 0xa9e3e905u);
  GG(d, a, b, c, x[2], S22, 0xfcefa3f8u);
  GG(c, d, a, b, x[7], S23, 0x676f02d9u);
  GG(b, c, d, a, x[12], S24, 0x8d2a4c8au);

  // Round 3
  HH(a, b, c, d, x[5], S31, 0xfffa3942u);
  HH(d, a, b, c, x[8], S32, 0x8771f681u);
  HH(c, d, a, b, x[11], S33, 0x6d9d6122u);
  HH(b, c, d, a, x[14], S34, 0xfde5380cu);
  HH(a, b, c, d, x[1], S31, 0xa4beea44u);
  HH(d, a, b, c, x[4], S32, 0x4bdecfa9u);
  HH(c, d, a, b, x[7], S33, 0xf6bb4b60u);
  HH(b, c, d, a, x[10], S34, 0xbebfbc70u);
  HH(a, b, c, d, x[13], S31, 0x289b7ec6u);
  HH(d, a, b, c, x[0], S32, 0xeaa127fau);
  HH(c, d, a, b, x[3], S33, 0xd4ef3085u);
  HH(b, c, d, a, x[6], S34, 0x04881d05u);
  HH(a, b, c, d, x[9], S31, 0xd9d4d039u);
  HH(d, a, b, c, x[12], S32, 0xe6db99e5u);
  HH(c, d, a, b, x[15], S33, 0x1fa27cf8u);
  HH(b, c, d, a, x[2], S34, 0xc4ac5665u);

  // Round 4
  II(a, b, c, d, x[0], S41, 0xf4292244u);
  II(d, a, b, c, x[7], S42, 0x432aff97u);
  II(c, d, a, b, x[14], S43, 0xab9423a7u);
  II(b, c, d, a, x[5], S44, 0xfc93a039u);
  II(a, b, c, d, x[12], S41, 0x655b59c3u);
  II(d, a, b, c, x[3], S42, 0x8f0ccc92u);
  II(c, d, a, b, x[10], S43, 0xffeff47du);
  II(b, c, d, a, x[1], S44, 0x85845dd1u);
  II(a, b, c, d, x[8], S41, 0x6fa87e4fu);
  II(d, a, b, c, x[15], S42, 0xfe2ce6e0u);
  II(c, d, a, b, x[6], S43, 0xa3014314u);
  II(b, c, d, a, x[13], S44, 0x4e0811a1u);
  II(a, b, c, d, x[4], S41, 0xf7537e82u);
  II(d, a, b, c, x[11], S42, 0xbd3af235u);
  II(c, d, a, b, x[2], S43, 0x2ad7d2bbu);
  II(b, c, d, a, x[9], S44, 0xeb86d391u);

  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

// Words to bytes, little-endian; `length` is a multiple of 4.
void MD5::Encode(unsigned char* output, const std::uint32_t* input, unsigned length) {
  for (unsigned i = 0, j = 0; j < length; ++i, j += 4) {
    output[j] = static_cast<unsigned char>(input[i] & 0xFF);
    output[j + 1] = static_cast<unsigned char>((input[i] >> 8) & 0xFF);
    output[j + 2] = static_cast<unsigned char>((input[i] >> 16) & 0xFF);
    output[j + 3] = static_cast<unsigned char>((input[i] >> 24) & 0xFF);
  }
}

// Bytes to words, little-endian; `length` is a multiple of 4.
void MD5::Decode(std::uint32_t* output, const unsigned char* input, unsigned length) {
  for (unsigned i = 0, j = 0; j < length; ++i, j += 4) {
    output[i] = static_cast<std::uint32_t>(input[j]) | (static_cast<std::uint32_t>(input[j + 1]) << 8) |
                (static_cast<std::uint32_t>(input[j + 2]) << 16) |
                (static_cast<std::uint32_t>(input[j + 3]) << 24);
  }
}

std::string MD5Hex(const void* data, std::size_t length) {
  MD5 md5;
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  // Update takes 32-bit lengths; feed larger blocks in pieces.
  while (bytes != nullptr && length > 0) {
    unsigned piece = length > 0x40000000u ? 0x40000000u : static_cast<unsigned>(length);
    md5.Update(bytes, piece);
    bytes += piece;
    length -= piece;
  }
  unsigned char digest[16];
  md5.Final(digest);
  static const char kHex[] = "0123456789abcdef";
  std::string text(32, '0');
  for (int i = 0; i < 16; ++i) {
    text[2 * i] = kHex[digest[i] >> 4];
    text[2 * i + 1] = kHex[digest[i] & 0x0F];
  }
  return text;
}

}  // namespace ds
