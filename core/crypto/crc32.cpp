#include "core/crypto/crc32.h"

#include <array>

namespace ds {
namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;

// Entry i: i shifted right eight times, xor-ing the polynomial whenever a 1 bit is shifted out.
constexpr std::uint32_t TableEntry(std::uint32_t i) {
  for (int bit = 0; bit < 8; ++bit) i = (i & 1u) ? (i >> 1) ^ kPolynomial : (i >> 1);
  return i;
}

constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) table[i] = TableEntry(i);
  return table;
}

// The one table shared by GetCRC32 and GetCRC32_Ex, built at compile time.
constexpr std::array<std::uint32_t, 256> kSharedTable = MakeTable();

std::uint32_t Compute(const std::uint32_t* table, const void* data, std::size_t length) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < length; ++i) crc = table[(crc ^ p[i]) & 0xFFu] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

}  // namespace

std::uint32_t GetCRC32(const void* data, std::size_t length) {
  // Null data with a length is a caller error; answer 0 rather than read from address 0.
  if (data == nullptr || length == 0) return 0;
  return Compute(kSharedTable.data(), data, length);
}

std::uint32_t GetCRC32_Ex(const void* data, std::size_t length) {
  if (data == nullptr || length == 0) return 0;
  return Compute(kSharedTable.data(), data, length);
}

std::uint32_t GetCRC32_ASM(const void* data, std::size_t length) {
  if (data == nullptr || length == 0) return 0;
  std::uint32_t table[256];
  for (std::uint32_t i = 0; i < 256; ++i) table[i] = TableEntry(i);
  return Compute(table, data, length);
}

}  // namespace ds
