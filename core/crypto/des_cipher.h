// The DES block cipher (FIPS 46-3) on one 64-bit block held as two 32-bit big-endian words.
// Each caller keeps its own key schedule, so any number of threads may use it at once.
// Internal to libcore.
#pragma once

#include <cstdint>

namespace ds {
namespace des {

enum class Direction { kEncrypt, kDecrypt };

// The sixteen 48-bit round keys, in the order the rounds use them.
struct Schedule {
  std::uint64_t round_keys[16];
};

void MakeSchedule(const unsigned char key[8], Direction direction, Schedule* schedule);

// Enciphers (or deciphers, by the schedule's direction) the block (left, right) in place.
void CryptBlock(const Schedule& schedule, std::uint32_t* left, std::uint32_t* right);

}  // namespace des
}  // namespace ds
