// MD5 message digest (RFC 1321), fed incrementally.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/export.h"

namespace ds {

class DS_API MD5 {
 public:
  MD5();
  virtual ~MD5();

  // Adds `length` bytes; may be called any number of times. Null data adds nothing.
  void Update(const unsigned char* data, unsigned length);
  // Pads, writes the 16-byte digest and starts a fresh digest on this object.
  void Final(unsigned char digest[16]);

 private:
  void Init();
  void Transform(const unsigned char block[64]);
  static void Encode(unsigned char* output, const std::uint32_t* input, unsigned length);
  static void Decode(std::uint32_t* output, const unsigned char* input, unsigned length);

  std::uint32_t state_[4];
  std::uint32_t count_[2];  // number of bits, low word first
  unsigned char buffer_[64];
  unsigned char padding_[64];
};

// MD5 of `length` bytes as 32 lower-case hexadecimal digits ("%02x" per digest byte).
DS_API std::string MD5Hex(const void* data, std::size_t length);

}  // namespace ds
