// Symmetric block ciphers behind one interface. A tool is made for a cipher mode and a key and
// encrypts or decrypts a buffer in place, each block on its own (no chaining). Blocks are read
// and written as 32-bit big-endian words.
#pragma once

#include <cstdint>

#include "core/export.h"

namespace ds {

enum CRYPT_MODE : std::int32_t {
  CRYPT_DES = 2,       // DES, 8-byte key, 8-byte blocks
  CRYPT_D2DES = 3,     // two-key Triple DES, 16-byte key, 16-byte double blocks
  CRYPT_D3DES = 4,     // three-key Triple DES, 24-byte key, 24-byte triple blocks
  CRYPT_BLOWFISH = 5,  // Blowfish, key of any length, 8-byte blocks
  CRYPT_GOST = 6,      // GOST 28147-89 / Magma, 32-byte key, 8-byte blocks
  CRYPT_MARS = 7,      // MARS, 16- to 56-byte key, 16-byte blocks
};

class DS_API ICrypt {
 public:
  explicit ICrypt(CRYPT_MODE mode) : mode_(mode) {}

  // Both return 0 on success, or -1 (data untouched) when `length` is negative, not a multiple
  // of GetBlockSize(), or positive with null data.
  virtual int Encrypt(unsigned char* data, int length) = 0;
  virtual int Decrypt(unsigned char* data, int length) = 0;
  // The unit of length the tool works on.
  virtual int GetBlockSize() const = 0;
  virtual ~ICrypt();

  CRYPT_MODE GetCryptMode() const { return mode_; }

  ICrypt(const ICrypt&) = delete;
  ICrypt& operator=(const ICrypt&) = delete;

 private:
  CRYPT_MODE mode_;
};

class DS_API CryptFactory {
 public:
  // A new tool for `mode` holding its own copy of the key, or null for an unknown mode.
  // A null key or a negative length is taken as an empty key.
  static ICrypt* CreateCryptTool(CRYPT_MODE mode, const unsigned char* key, int key_length);
  // Destroys a tool made by CreateCryptTool; null is accepted.
  static void DestoryCryptTool(ICrypt* tool);
  // Fills `buffer` with `length` bytes of rand() % 255 (0..254, never 0xFF). Does not seed.
  static void GenerateRandomKey(unsigned char* buffer, int length);
};

}  // namespace ds
