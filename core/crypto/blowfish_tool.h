// Blowfish on 8-byte blocks in electronic-codebook use, keyed by its own key schedule.
// The schedule is built once, in the constructor; one instance serves one thread at a time.
#pragma once

#include <cstdint>

#include "core/crypto/crypt.h"
#include "core/export.h"

namespace ds {

class DS_API BlowfishTool : public ICrypt {
 public:
  // Blowfish folds the key cyclically into its 72-byte P-array, so at most 72 bytes take part;
  // they are kept. An empty key leaves the P-array as pi's digits before the schedule runs.
  BlowfishTool(const unsigned char* key, int key_length);
  int Encrypt(unsigned char* data, int length) override;
  int Decrypt(unsigned char* data, int length) override;
  int GetBlockSize() const override { return 8; }

  static constexpr int kMaxKeyBytes = 72;

 private:
  std::uint32_t Feistel(std::uint32_t x) const;
  void EncryptWords(std::uint32_t* left, std::uint32_t* right) const;
  void DecryptWords(std::uint32_t* left, std::uint32_t* right) const;

  unsigned char key_[kMaxKeyBytes];
  int key_length_;
  std::uint32_t p_[18];
  std::uint32_t s_[4][256];
};

}  // namespace ds
