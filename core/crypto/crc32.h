// CRC-32 as used by zip, PNG and Ethernet (reflected, polynomial 0xEDB88320, initial and final
// value 0xFFFFFFFF). All three functions give the same result; they differ in null handling and
// in where the lookup table lives.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/export.h"

namespace ds {

// CRC-32 of `length` bytes at `data`, using the shared table. Null data gives 0.
DS_API std::uint32_t GetCRC32(const void* data, std::size_t length);
// The same, using the shared table; null data gives 0.
DS_API std::uint32_t GetCRC32_Ex(const void* data, std::size_t length);
// The same, building its own table on every call; null data gives 0.
DS_API std::uint32_t GetCRC32_ASM(const void* data, std::size_t length);

}  // namespace ds
