// DES-based cipher tools: single DES on 8-byte blocks, and two- and three-key Triple DES on
// 16- and 24-byte blocks whose 8-byte halves exchange words between the three stages.
// Every call builds its own key schedules, so tools may be used from several threads at once.
#pragma once

#include "core/crypto/crypt.h"
#include "core/export.h"

namespace ds {

class DS_API DesTool : public ICrypt {
 public:
  // Keeps the first 8 key bytes, zero-padded.
  DesTool(const unsigned char* key, int key_length);
  int Encrypt(unsigned char* data, int length) override;
  int Decrypt(unsigned char* data, int length) override;
  int GetBlockSize() const override { return 8; }

 private:
  unsigned char key_[8];
};

// Two-key Triple DES: K1 = key bytes 0-7, K2 = bytes 8-15; E(K1), D(K2), E(K1).
class DS_API D2DesTool : public ICrypt {
 public:
  D2DesTool(const unsigned char* key, int key_length);
  int Encrypt(unsigned char* data, int length) override;
  int Decrypt(unsigned char* data, int length) override;
  int GetBlockSize() const override { return 16; }

 private:
  unsigned char key_[16];
};

// Three-key Triple DES: K1, K2, K3 = key bytes 0-7, 8-15, 16-23; E(K1), D(K2), E(K3).
class DS_API D3DesTool : public ICrypt {
 public:
  D3DesTool(const unsigned char* key, int key_length);
  int Encrypt(unsigned char* data, int length) override;
  int Decrypt(unsigned char* data, int length) override;
  int GetBlockSize() const override { return 24; }

 private:
  unsigned char key_[24];
};

}  // namespace ds
