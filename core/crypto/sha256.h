// SHA-256 message digest (FIPS 180-4), fed incrementally, and the digest of a whole file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/export.h"

namespace ds {

class DS_API Sha256 {
 public:
  Sha256();
  void Update(const void* data, std::size_t length);
  // Pads, writes the 32-byte digest and starts a fresh digest on this object.
  void Final(unsigned char digest[32]);

 private:
  void Reset();
  void Transform(const unsigned char block[64]);

  std::uint32_t state_[8];
  std::uint64_t length_ = 0;  // bytes so far
  unsigned char buffer_[64];
  std::size_t buffered_ = 0;
};

// The digest as 64 lower-case hexadecimal digits.
DS_API std::string Sha256Hex(const void* data, std::size_t length);
// The digest of the file at `path` as 64 lower-case hexadecimal digits; "" when it cannot be read.
DS_API std::string Sha256FileHex(const std::string& path);

}  // namespace ds
