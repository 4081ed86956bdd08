#include "core/crypto/mars_tool.h"

#include "core/crypto/crypt_words.h"
#include "core/crypto/mars_sbox.h"

namespace ds {
namespace {

using crypt::RotateLeft;
using crypt::RotateRight;
using mars::kSBox;

inline std::uint32_t S0(std::uint32_t byte) { return kSBox[byte & 0xff]; }
inline std::uint32_t S1(std::uint32_t byte) { return kSBox[256 + (byte & 0xff)]; }

// Patterns the multiplication key words are mended with (S-box entries 265..268).
const std::uint32_t kPatterns[4] = {0xa4a8d57b, 0x5b5d193b, 0xc8a8309b, 0x73f9a978};

// Bit l is set where bit l of w lies inside (not at either end of) a run of ten or more equal
// bits, for 2 <= l <= 30.
std::uint32_t LongRunMask(std::uint32_t w) {
  std::uint32_t mask = 0;
  int start = 0;
  while (start < 32) {
    int end = start;
    while (end + 1 < 32 && ((w >> (end + 1)) & 1) == ((w >> start) & 1)) ++end;
    if (end - start + 1 >= 10) {
      for (int bit = start + 1; bit < end; ++bit)
        if (bit >= 2 && bit <= 30) mask |= 1u << bit;
    }
    start = end + 1;
  }
  return mask;
}

void ExpandKey(const std::uint32_t* key, int words, std::uint32_t* expanded) {
  std::uint32_t t[15] = {};
  for (int i = 0; i < words; ++i) t[i] = key[i];
  t[words] = static_cast<std::uint32_t>(words);

  for (int j = 0; j < 4; ++j) {
    for (int i = 0; i < 15; ++i)
      t[i] ^= RotateLeft(t[(i + 8) % 15] ^ t[(i + 13) % 15], 3) ^ static_cast<std::uint32_t>(4 * i + j);
    for (int stir = 0; stir < 4; ++stir)
      for (int i = 0; i < 15; ++i) t[i] = RotateLeft(t[i] + kSBox[t[(i + 14) % 15] & 0x1ff], 9);
    for (int i = 0; i < 10; ++i) expanded[10 * j + i] = t[(4 * i) % 15];
  }

  // The words that multiply in the core rounds must be odd and free of long runs of equal bits.
  for (int i = 5; i <= 35; i += 2) {
    std::uint32_t pattern = RotateLeft(kPatterns[expanded[i] & 3], expanded[i - 1] & 31);
    std::uint32_t w = expanded[i] | 3;
    expanded[i] = w ^ (pattern & LongRunMask(w));
  }
}

// The keyed core function: returns (L, M, R) through its arguments.
inline void CoreFunction(std::uint32_t in, std::uint32_t key1, std::uint32_t key2, std::uint32_t* l,
                         std::uint32_t* m, std::uint32_t* r) {
  std::uint32_t mm = in + key1;
  std::uint32_t rr = RotateLeft(in, 13) * key2;
  std::uint32_t ll = kSBox[mm & 0x1ff];
  rr = RotateLeft(rr, 5);
  mm = RotateLeft(mm, rr & 31);
  ll ^= rr;
  rr = RotateLeft(rr, 5);
  ll ^= rr;
  ll = RotateLeft(ll, rr & 31);
  *l = ll;
  *m = mm;
  *r = rr;
}

// Word rotations of the state between rounds: (D0, D1, D2, D3) <- (D1, D2, D3, D0) and back.
inline void ShiftDown(std::uint32_t* d) {
  std::uint32_t first = d[0];
  d[0] = d[1];
  d[1] = d[2];
  d[2] = d[3];
  d[3] = first;
}

inline void ShiftUp(std::uint32_t* d) {
  std::uint32_t last = d[3];
  d[3] = d[2];
  d[2] = d[1];
  d[1] = d[0];
  d[0] = last;
}

}  // namespace

MarsTool::MarsTool(const unsigned char* key, int key_length) : ICrypt(CRYPT_MARS) {
  int used = crypt::CopyKey(key_, kMaxKeyBytes, key, key_length);
  int words = (used + 3) / 4;
  if (words < 4) words = 4;
  std::uint32_t key_words[14];
  for (int i = 0; i < 14; ++i) key_words[i] = crypt::LoadWord(key_ + 4 * i);
  ExpandKey(key_words, words, expanded_);
}

void MarsTool::EncryptWords(std::uint32_t* d) const {
  const std::uint32_t* k = expanded_;
  for (int i = 0; i < 4; ++i) d[i] += k[i];

  // Forward mixing, unkeyed.
  for (int i = 0; i < 8; ++i) {
    d[1] ^= S0(d[0]);
    d[1] += S1(d[0] >> 8);
    d[2] += S0(d[0] >> 16);
    d[3] ^= S1(d[0] >> 24);
    d[0] = RotateRight(d[0], 24);
    if (i == 0 || i == 4) d[0] += d[3];
    if (i == 1 || i == 5) d[0] += d[1];
    ShiftDown(d);
  }

  // Keyed core: eight forward then eight backward rounds.
  for (int i = 0; i < 16; ++i) {
    std::uint32_t l, m, r;
    CoreFunction(d[0], k[2 * i + 4], k[2 * i + 5], &l, &m, &r);
    d[0] = RotateLeft(d[0], 13);
    d[2] += m;
    if (i < 8) {
      d[1] += l;
      d[3] ^= r;
    } else {
      d[3] += l;
      d[1] ^= r;
    }
    ShiftDown(d);
  }

  // Backward mixing, unkeyed.
  for (int i = 0; i < 8; ++i) {
    if (i == 2 || i == 6) d[0] -= d[3];
    if (i == 3 || i == 7) d[0] -= d[1];
    d[1] ^= S1(d[0]);
    d[2] -= S0(d[0] >> 24);
    d[3] -= S1(d[0] >> 16);
    d[3] ^= S0(d[0] >> 8);
    d[0] = RotateLeft(d[0], 24);
    ShiftDown(d);
  }

  for (int i = 0; i < 4; ++i) d[i] -= k[36 + i];
}

// Each step of EncryptWords undone, in reverse order.
void MarsTool::DecryptWords(std::uint32_t* d) const {
  const std::uint32_t* k = expanded_;
  for (int i = 0; i < 4; ++i) d[i] += k[36 + i];

  for (int i = 7; i >= 0; --i) {
    ShiftUp(d);
    d[0] = RotateRight(d[0], 24);
    d[3] ^= S0(d[0] >> 8);
    d[3] += S1(d[0] >> 16);
    d[2] += S0(d[0] >> 24);
    d[1] ^= S1(d[0]);
    if (i == 3 || i == 7) d[0] += d[1];
    if (i == 2 || i == 6) d[0] += d[3];
  }

  for (int i = 15; i >= 0; --i) {
    ShiftUp(d);
    d[0] = RotateRight(d[0], 13);
    std::uint32_t l, m, r;
    CoreFunction(d[0], k[2 * i + 4], k[2 * i + 5], &l, &m, &r);
    d[2] -= m;
    if (i < 8) {
      d[1] -= l;
      d[3] ^= r;
    } else {
      d[3] -= l;
      d[1] ^= r;
    }
  }

  for (int i = 7; i >= 0; --i) {
    ShiftUp(d);
    if (i == 1 || i == 5) d[0] -= d[1];
    if (i == 0 || i == 4) d[0] -= d[3];
    d[0] = RotateLeft(d[0], 24);
    d[3] ^= S1(d[0] >> 24);
    d[2] -= S0(d[0] >> 16);
    d[1] -= S1(d[0] >> 8);
    d[1] ^= S0(d[0]);
  }

  for (int i = 0; i < 4; ++i) d[i] -= k[i];
}

int MarsTool::Encrypt(unsigned char* data, int length) {
  if (!crypt::LengthFits(data, length, 16)) return -1;
  for (unsigned char* block = data; block < data + length; block += 16) {
    std::uint32_t d[4];
    for (int i = 0; i < 4; ++i) d[i] = crypt::LoadWord(block + 4 * i);
    EncryptWords(d);
    for (int i = 0; i < 4; ++i) crypt::StoreWord(block + 4 * i, d[i]);
  }
  return 0;
}

int MarsTool::Decrypt(unsigned char* data, int length) {
  if (!crypt::LengthFits(data, length, 16)) return -1;
  for (unsigned char* block = data; block < data + length; block += 16) {
    std::uint32_t d[4];
    for (int i = 0; i < 4; ++i) d[i] = crypt::LoadWord(block + 4 * i);
    DecryptWords(d);
    for (int i = 0; i < 4; ++i) crypt::StoreWord(block + 4 * i, d[i]);
  }
  return 0;
}

}  // namespace ds
