#include "core/crypto/blowfish_tool.h"

#include <cstring>
#include <utility>

#include "core/crypto/blowfish_tables.h"
#include "core/crypto/crypt_words.h"

namespace ds {

BlowfishTool::BlowfishTool(const unsigned char* key, int key_length) : ICrypt(CRYPT_BLOWFISH) {
  key_length_ = crypt::CopyKey(key_, kMaxKeyBytes, key, key_length);
  std::memcpy(p_, blowfish::kInitialP, sizeof p_);
  std::memcpy(s_, blowfish::kInitialS, sizeof s_);

  if (key_length_ > 0) {
    int next = 0;
    for (std::uint32_t& entry : p_) {
      std::uint32_t word = 0;
      for (int i = 0; i < 4; ++i) {
        word = (word << 8) | key_[next];
        next = (next + 1) % key_length_;
      }
      entry ^= word;
    }
  }

  // Replace the P-array and then the S-boxes, two words at a time, with the running encryption
  // of an all-zero block.
  std::uint32_t left = 0, right = 0;
  for (int i = 0; i < 18; i += 2) {
    EncryptWords(&left, &right);
    p_[i] = left;
    p_[i + 1] = right;
  }
  for (auto& box : s_) {
    for (int i = 0; i < 256; i += 2) {
      EncryptWords(&left, &right);
      box[i] = left;
      box[i + 1] = right;
    }
  }
}

std::uint32_t BlowfishTool::Feistel(std::uint32_t x) const {
  return ((s_[0][x >> 24] + s_[1][(x >> 16) & 0xff]) ^ s_[2][(x >> 8) & 0xff]) + s_[3][x & 0xff];
}

void BlowfishTool::EncryptWords(std::uint32_t* left, std::uint32_t* right) const {
  std::uint32_t l = *left, r = *right;
  for (int round = 0; round < 16; ++round) {
    l ^= p_[round];
    r ^= Feistel(l);
    std::swap(l, r);
  }
  std::swap(l, r);
  r ^= p_[16];
  l ^= p_[17];
  *left = l;
  *right = r;
}

void BlowfishTool::DecryptWords(std::uint32_t* left, std::uint32_t* right) const {
  std::uint32_t l = *left, r = *right;
  for (int round = 17; round > 1; --round) {
    l ^= p_[round];
    r ^= Feistel(l);
    std::swap(l, r);
  }
  std::swap(l, r);
  r ^= p_[1];
  l ^= p_[0];
  *left = l;
  *right = r;
}

int BlowfishTool::Encrypt(unsigned char* data, int length) {
  if (!crypt::LengthFits(data, length, 8)) return -1;
  for (unsigned char* block = data; block < data + length; block += 8) {
    std::uint32_t left = crypt::LoadWord(block), right = crypt::LoadWord(block + 4);
    EncryptWords(&left, &right);
    crypt::StoreWord(block, left);
    crypt::StoreWord(block + 4, right);
  }
  return 0;
}

int BlowfishTool::Decrypt(unsigned char* data, int length) {
  if (!crypt::LengthFits(data, length, 8)) return -1;
  for (unsigned char* block = data; block < data + length; block += 8) {
    std::uint32_t left = crypt::LoadWord(block), right = crypt::LoadWord(block + 4);
    DecryptWords(&left, &right);
    crypt::StoreWord(block, left);
    crypt::StoreWord(block + 4, right);
  }
  return 0;
}

}  // namespace ds
