#include "core/crypto/gost_tool.h"

#include "core/crypto/crypt_words.h"

namespace ds {
namespace {

// RFC 7836 substitution: kSBox[i] replaces nibble i (0 = least significant) of the word.
const unsigned char kSBox[8][16] = {
    {12, 4, 6, 2, 10, 5, 11, 9, 14, 8, 13, 7, 0, 3, 15, 1},
    {6, 8, 2, 3, 9, 10, 5, 12, 1, 14, 4, 7, 11, 13, 0, 15},
    {11, 3, 5, 8, 2, 15, 10, 13, 14, 1, 7, 4, 12, 9, 6, 0},
    {12, 8, 2, 1, 13, 4, 15, 6, 7, 0, 10, 5, 3, 14, 9, 11},
    {7, 15, 5, 10, 8, 1, 6, 13, 0, 9, 3, 14, 11, 4, 2, 12},
    {5, 13, 15, 6, 9, 2, 12, 10, 11, 7, 8, 1, 4, 3, 14, 0},
    {8, 14, 2, 5, 6, 9, 1, 12, 15, 4, 11, 0, 13, 10, 3, 7},
    {1, 7, 14, 13, 0, 5, 8, 3, 4, 15, 10, 6, 9, 12, 11, 2}};

// Subkey index per round: K1..K8 three times then K8..K1 to encrypt; the reverse to decrypt.
const unsigned char kEncryptOrder[32] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7,
                                         0, 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1, 0};
const unsigned char kDecryptOrder[32] = {0, 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1, 0,
                                         7, 6, 5, 4, 3, 2, 1, 0, 7, 6, 5, 4, 3, 2, 1, 0};

std::uint32_t RoundFunction(std::uint32_t x) {
  std::uint32_t substituted = 0;
  for (int i = 7; i >= 0; --i) substituted = (substituted << 4) | kSBox[i][(x >> (4 * i)) & 0x0f];
  return crypt::RotateLeft(substituted, 11);
}

}  // namespace

GostTool::GostTool(const unsigned char* key, int key_length) : ICrypt(CRYPT_GOST) {
  crypt::CopyKey(key_, kKeyBytes, key, key_length);
  for (int i = 0; i < 8; ++i) subkeys_[i] = crypt::LoadWord(key_ + 4 * i);
}

int GostTool::Encrypt(unsigned char* data, int length) { return Run(data, length, kEncryptOrder); }

int GostTool::Decrypt(unsigned char* data, int length) { return Run(data, length, kDecryptOrder); }

int GostTool::Run(unsigned char* data, int length, const unsigned char* order) const {
  if (!crypt::LengthFits(data, length, 8)) return -1;
  for (unsigned char* block = data; block < data + length; block += 8) {
    // The first word is the high half a1, the second the low half a0 the rounds work on.
    std::uint32_t high = crypt::LoadWord(block), low = crypt::LoadWord(block + 4);
    for (int round = 0; round < 32; ++round) {
      std::uint32_t next = high ^ RoundFunction(low + subkeys_[order[round]]);
      high = low;
      low = next;
    }
    // The last round does not swap the halves.
    crypt::StoreWord(block, low);
    crypt::StoreWord(block + 4, high);
  }
  return 0;
}

}  // namespace ds
