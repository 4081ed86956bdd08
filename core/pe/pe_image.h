// Locating resources inside a Windows executable image (PE32 or PE32+) held in memory. Every
// field read from the image is checked against its bounds, so any bytes are safe to pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ds {

// Resource type ids of the resource directory (RT_*).
constexpr std::uint16_t kPeResourceIcon = 3;
constexpr std::uint16_t kPeResourceGroupIcon = 14;
constexpr std::uint16_t kPeResourceVersion = 16;

// Machine types of the COFF header (IMAGE_FILE_MACHINE_*).
constexpr std::uint16_t kPeMachineI386 = 0x014C;
constexpr std::uint16_t kPeMachineAmd64 = 0x8664;

// The machine field of a PE image's COFF header, or 0 when the bytes are not a PE image. Only
// the headers need to be present.
std::uint16_t PeMachine(const unsigned char* image, std::size_t size);

// Reads the whole regular file at `path` (passed through NativePath) when it is not empty and no
// larger than the cap for executables (256 MiB). False otherwise; FIFOs and devices are refused.
bool ReadPeFile(const char* path, std::string& bytes);

// Finds the first resource of the numeric type `type` (its first name, first language) in the
// image `image` of `size` bytes. 1 with `offset` and `length` giving its bytes inside `image`;
// 0 when the image is not a PE image, has no such resource, or its headers are broken.
int FindPeResource(const unsigned char* image, std::size_t size, std::uint16_t type,
                   std::size_t& offset, std::size_t& length);

// The same for the resource of type `type` whose numeric name is `id` (its first language), as
// an icon group names its icons.
int FindPeResourceById(const unsigned char* image, std::size_t size, std::uint16_t type,
                       std::uint16_t id, std::size_t& offset, std::size_t& length);


// The same for the resource of type `type` at position `index` (from 0) among that type's
// resources, in the order the directory lists them (numeric names ascending, as the window
// system numbers a file's icons).
int FindPeResourceAt(const unsigned char* image, std::size_t size, std::uint16_t type,
                     std::size_t index, std::size_t& offset, std::size_t& length);

}  // namespace ds
