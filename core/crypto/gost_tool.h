// GOST 28147-89 (the "Magma" cipher of GOST R 34.12-2015) on 8-byte blocks, with the S-boxes of
// RFC 7836. One instance serves one thread at a time.
#pragma once

#include <cstdint>

#include "core/crypto/crypt.h"
#include "core/export.h"

namespace ds {

class DS_API GostTool : public ICrypt {
 public:
  // Keeps up to 256 key bytes, zero-padded; the first 32 are the eight big-endian subkeys
  // K1..K8.
  GostTool(const unsigned char* key, int key_length);
  int Encrypt(unsigned char* data, int length) override;
  int Decrypt(unsigned char* data, int length) override;
  int GetBlockSize() const override { return 8; }

  static constexpr int kKeyBytes = 256;

 private:
  int Run(unsigned char* data, int length, const unsigned char* order) const;

  unsigned char key_[kKeyBytes];
  std::uint32_t subkeys_[8];
};

}  // namespace ds
