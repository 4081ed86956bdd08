#include "core/crypto/des_tool.h"

#include <cstdint>
#include <utility>

#include "core/crypto/crypt_words.h"
#include "core/crypto/des_cipher.h"

namespace ds {
namespace {

using des::Direction;
using des::Schedule;

// Word exchange between stages. Two halves A, B: A1 and B0 trade places. Three halves A, B, C:
// A becomes (A0, B0), B becomes (A1, C0), C becomes (B1, C1). Both are their own inverse, so
// decryption uses the same exchange.
void Exchange(std::uint32_t* words, int halves) {
  if (halves == 2) {
    std::swap(words[1], words[2]);
  } else if (halves == 3) {
    std::uint32_t a1 = words[1], b0 = words[2], b1 = words[3], c0 = words[4];
    words[1] = b0;
    words[2] = a1;
    words[3] = c0;
    words[4] = b1;
  }
}

// Runs every unit of `halves` 8-byte halves through the stages, each stage enciphering every
// half alone, with the word exchange between consecutive stages.
int RunStages(unsigned char* data, int length, int halves, const Schedule* const* stages, int stage_count) {
  const int unit = 8 * halves;
  if (!crypt::LengthFits(data, length, unit)) return -1;
  std::uint32_t words[6];
  for (unsigned char* block = data; block < data + length; block += unit) {
    for (int i = 0; i < 2 * halves; ++i) words[i] = crypt::LoadWord(block + 4 * i);
    for (int stage = 0; stage < stage_count; ++stage) {
      for (int half = 0; half < halves; ++half)
        des::CryptBlock(*stages[stage], &words[2 * half], &words[2 * half + 1]);
      if (stage + 1 < stage_count) Exchange(words, halves);
    }
    for (int i = 0; i < 2 * halves; ++i) crypt::StoreWord(block + 4 * i, words[i]);
  }
  return 0;
}

Direction Opposite(Direction direction) {
  return direction == Direction::kEncrypt ? Direction::kDecrypt : Direction::kEncrypt;
}

int RunSingle(const unsigned char* key, Direction direction, unsigned char* data, int length) {
  Schedule schedule;
  des::MakeSchedule(key, direction, &schedule);
  const Schedule* stages[1] = {&schedule};
  return RunStages(data, length, 1, stages, 1);
}

// Stage keys `first`, `second`, `third` (8 bytes each) with directions d, opposite(d), d.
int RunTriple(const unsigned char* first, const unsigned char* second, const unsigned char* third,
              Direction direction, int halves, unsigned char* data, int length) {
  Schedule one, two, three;
  des::MakeSchedule(first, direction, &one);
  des::MakeSchedule(second, Opposite(direction), &two);
  des::MakeSchedule(third, direction, &three);
  const Schedule* stages[3] = {&one, &two, &three};
  return RunStages(data, length, halves, stages, 3);
}

}  // namespace

DesTool::DesTool(const unsigned char* key, int key_length) : ICrypt(CRYPT_DES) {
  crypt::CopyKey(key_, sizeof key_, key, key_length);
}

int DesTool::Encrypt(unsigned char* data, int length) {
  return RunSingle(key_, Direction::kEncrypt, data, length);
}

int DesTool::Decrypt(unsigned char* data, int length) {
  return RunSingle(key_, Direction::kDecrypt, data, length);
}

D2DesTool::D2DesTool(const unsigned char* key, int key_length) : ICrypt(CRYPT_D2DES) {
  crypt::CopyKey(key_, sizeof key_, key, key_length);
}

int D2DesTool::Encrypt(unsigned char* data, int length) {
  return RunTriple(key_, key_ + 8, key_, Direction::kEncrypt, 2, data, length);
}

int D2DesTool::Decrypt(unsigned char* data, int length) {
  return RunTriple(key_, key_ + 8, key_, Direction::kDecrypt, 2, data, length);
}

D3DesTool::D3DesTool(const unsigned char* key, int key_length) : ICrypt(CRYPT_D3DES) {
  crypt::CopyKey(key_, sizeof key_, key, key_length);
}

int D3DesTool::Encrypt(unsigned char* data, int length) {
  return RunTriple(key_, key_ + 8, key_ + 16, Direction::kEncrypt, 3, data, length);
}

int D3DesTool::Decrypt(unsigned char* data, int length) {
  return RunTriple(key_ + 16, key_ + 8, key_, Direction::kDecrypt, 3, data, length);
}

}  // namespace ds
