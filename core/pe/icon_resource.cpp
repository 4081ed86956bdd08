#include "core/pe/icon_resource.h"

#include <cstdint>
#include <vector>

#include "core/pe/pe_image.h"

namespace ds {

namespace {

// An icon group resource: {reserved 0, type 1, count} then `count` entries of 14 bytes
// {width, height, colours, reserved, planes, bit count, bytes in resource, icon id}. An .ico
// file keeps the header and puts a 16-byte entry per icon whose last field is the offset of the
// icon's bytes in the file instead of the id.
constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kGroupEntrySize = 14;
constexpr std::size_t kFileEntrySize = 16;
constexpr std::uint16_t kIconType = 1;

std::uint16_t U16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void PutU16(std::string& out, std::uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}

void PutU32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

struct Piece {
  const unsigned char* entry;  // the group entry (its first 12 bytes are copied)
  std::size_t offset;          // the icon's bytes in the image
  std::size_t length;
};

}  // namespace

int ExtractIconGroup(const unsigned char* image, std::size_t size, std::string& ico) {
  return ExtractIconGroupAt(image, size, 0, ico);
}

int ExtractIconGroupAt(const unsigned char* image, std::size_t size, long index, std::string& ico) {
  std::size_t group_offset = 0;
  std::size_t group_length = 0;
  const bool found =
      index >= 0 ? FindPeResourceAt(image, size, kPeResourceGroupIcon, static_cast<std::size_t>(index),
                                    group_offset, group_length)
                 : index >= -0xFFFF && FindPeResourceById(image, size, kPeResourceGroupIcon,
                                                          static_cast<std::uint16_t>(-index), group_offset,
                                                          group_length);
  if (!found) return 0;
  const unsigned char* group = image + group_offset;
  if (group_length < kHeaderSize || U16(group) != 0 || U16(group + 2) != kIconType) return 0;
  const std::size_t count = U16(group + 4);
  // A count larger than the resource can hold marks a damaged directory: nothing in it is
  // trusted.
  if (count == 0 || count > (group_length - kHeaderSize) / kGroupEntrySize) return 0;

  std::vector<Piece> pieces;
  // The icons of a real group are distinct resources, so together they never exceed the image;
  // a group that names one big icon thousands of times must not make us copy it that often.
  std::size_t total = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char* entry = group + kHeaderSize + i * kGroupEntrySize;
    std::size_t offset = 0;
    std::size_t length = 0;
    // An icon the group names but the image lacks is left out, as the window system does.
    if (!FindPeResourceById(image, size, kPeResourceIcon, U16(entry + 12), offset, length)) {
      continue;
    }
    if (length > size - total) break;
    total += length;
    pieces.push_back({entry, offset, length});
  }
  if (pieces.empty()) return 0;

  std::string out;
  PutU16(out, 0);
  PutU16(out, kIconType);
  PutU16(out, static_cast<std::uint16_t>(pieces.size()));
  std::size_t data_at = kHeaderSize + pieces.size() * kFileEntrySize;
  for (const Piece& piece : pieces) {
    out.append(reinterpret_cast<const char*>(piece.entry), 8);  // size, colours, planes, bits
    // The length is the one the image holds, not the one the group claims.
    PutU32(out, static_cast<std::uint32_t>(piece.length));
    PutU32(out, static_cast<std::uint32_t>(data_at));
    data_at += piece.length;
  }
  for (const Piece& piece : pieces) {
    out.append(reinterpret_cast<const char*>(image + piece.offset), piece.length);
  }
  ico.swap(out);
  return 1;
}

int GetFileIconGroup(const char* path, std::string& ico) { return GetFileIconGroupAt(path, 0, ico); }

int GetFileIconGroupAt(const char* path, long index, std::string& ico) {
  std::string image;
  if (!ReadPeFile(path, image)) return 0;
  return ExtractIconGroupAt(reinterpret_cast<const unsigned char*>(image.data()), image.size(), index, ico);
}

}  // namespace ds
