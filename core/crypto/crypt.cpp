#include "core/crypto/crypt.h"

#include <cstdlib>

#include "core/crypto/blowfish_tool.h"
#include "core/crypto/des_tool.h"
#include "core/crypto/gost_tool.h"
#include "core/crypto/mars_tool.h"

namespace ds {

ICrypt::~ICrypt() = default;

ICrypt* CryptFactory::CreateCryptTool(CRYPT_MODE mode, const unsigned char* key, int key_length) {
  switch (mode) {
    case CRYPT_DES:
      return new DesTool(key, key_length);
    case CRYPT_D2DES:
      return new D2DesTool(key, key_length);
    case CRYPT_D3DES:
      return new D3DesTool(key, key_length);
    case CRYPT_BLOWFISH:
      return new BlowfishTool(key, key_length);
    case CRYPT_GOST:
      return new GostTool(key, key_length);
    case CRYPT_MARS:
      return new MarsTool(key, key_length);
  }
  return nullptr;
}

void CryptFactory::DestoryCryptTool(ICrypt* tool) { delete tool; }

void CryptFactory::GenerateRandomKey(unsigned char* buffer, int length) {
  if (buffer == nullptr) return;
  for (int i = 0; i < length; ++i) buffer[i] = static_cast<unsigned char>(std::rand() % 255);
}

}  // namespace ds
