// Small helpers shared by the cipher tools: big-endian words, rotations, key copies and the
// length check every Encrypt/Decrypt starts with. Internal to libcore.
#pragma once

#include <cstdint>
#include <cstring>

namespace ds {
namespace crypt {

inline std::uint32_t LoadWord(const unsigned char* in) {
  return (std::uint32_t{in[0]} << 24) | (std::uint32_t{in[1]} << 16) | (std::uint32_t{in[2]} << 8) |
         std::uint32_t{in[3]};
}

inline void StoreWord(unsigned char* out, std::uint32_t value) {
  out[0] = static_cast<unsigned char>(value >> 24);
  out[1] = static_cast<unsigned char>(value >> 16);
  out[2] = static_cast<unsigned char>(value >> 8);
  out[3] = static_cast<unsigned char>(value);
}

inline std::uint32_t RotateLeft(std::uint32_t x, unsigned n) {
  n &= 31;
  return n == 0 ? x : (x << n) | (x >> (32 - n));
}

inline std::uint32_t RotateRight(std::uint32_t x, unsigned n) { return RotateLeft(x, 32 - (n & 31)); }

// Copies at most `size` bytes of the key into `out` and zero-fills the rest. A null key or a
// negative length counts as empty. Returns the number of key bytes copied.
inline int CopyKey(unsigned char* out, int size, const unsigned char* key, int key_length) {
  int used = (key == nullptr || key_length < 0) ? 0 : (key_length < size ? key_length : size);
  std::memset(out, 0, static_cast<std::size_t>(size));
  if (used > 0) std::memcpy(out, key, static_cast<std::size_t>(used));
  return used;
}

// True when `length` bytes at `data` can be worked on in units of `unit` bytes.
inline bool LengthFits(const unsigned char* data, int length, int unit) {
  if (length < 0 || length % unit != 0) return false;
  return data != nullptr || length == 0;
}

}  // namespace crypt
}  // namespace ds
