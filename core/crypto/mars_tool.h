// MARS (the IBM AES candidate, in its final tweaked form) on 16-byte blocks. The key is expanded
// once, in the constructor; one instance serves one thread at a time.
#pragma once

#include <cstdint>

#include "core/crypto/crypt.h"
#include "core/export.h"

namespace ds {

class DS_API MarsTool : public ICrypt {
 public:
  // Keeps up to 56 key bytes, zero-padded. MARS takes keys of 4 to 14 words: the key is
  // expanded as its length in whole words (a partial word counts, zero-padded), raised to 16
  // bytes when shorter and cut to 56 when longer.
  MarsTool(const unsigned char* key, int key_length);
  int Encrypt(unsigned char* data, int length) override;
  int Decrypt(unsigned char* data, int length) override;
  int GetBlockSize() const override { return 16; }

  static constexpr int kMaxKeyBytes = 56;

 private:
  void EncryptWords(std::uint32_t* d) const;
  void DecryptWords(std::uint32_t* d) const;

  unsigned char key_[kMaxKeyBytes];
  std::uint32_t expanded_[40];
};

}  // namespace ds
