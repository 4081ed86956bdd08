#include "core/pe/pe_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/text/path.h"

namespace ds {

namespace {

// Larger files are not executables anyone asks about; reading them would only cost memory.
constexpr std::size_t kMaxImageSize = 256u << 20;

constexpr std::uint16_t kDosMagic = 0x5A4D;          // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550;   // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kDataDirectorySize = 8;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::size_t kResourceDirectoryHeaderSize = 16;
constexpr std::size_t kResourceEntrySize = 8;
constexpr std::size_t kResourceDataEntrySize = 16;
constexpr std::uint32_t kHighBit = 0x80000000u;

// Bounds-checked little-endian reads from a byte range.
class Bytes {
 public:
  Bytes(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t size() const { return size_; }
  // True when [offset, offset + length) lies inside the range (no overflow possible).
  bool Has(std::size_t offset, std::size_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }
  std::uint16_t U16(std::size_t offset) const {
    return static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
  }
  std::uint32_t U32(std::size_t offset) const {
    return static_cast<std::uint32_t>(data_[offset]) |
           (static_cast<std::uint32_t>(data_[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(data_[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(data_[offset + 3]) << 24);
  }

 private:
  const unsigned char* data_;
  std::size_t size_;
};

class PeImage {
 public:
  explicit PeImage(Bytes bytes) : bytes_(bytes) {}

  // Reads the headers up to the section table. False when this is no PE image we understand.
  bool ParseHeaders() {
    if (!bytes_.Has(0, 64) || bytes_.U16(0) != kDosMagic) return false;
    const std::size_t pe = bytes_.U32(0x3C);
    if (!bytes_.Has(pe, 4 + kCoffHeaderSize) || bytes_.U32(pe) != kPeSignature) return false;
    const std::size_t coff = pe + 4;
    section_count_ = bytes_.U16(coff + 2);
    const std::size_t optional_size = bytes_.U16(coff + 16);
    const std::size_t optional = coff + kCoffHeaderSize;
    if (optional_size < 2 || !bytes_.Has(optional, optional_size)) return false;

    std::size_t count_field = 0;
    switch (bytes_.U16(optional)) {
      case kPe32Magic: count_field = 92; break;
      case kPe32PlusMagic: count_field = 108; break;
      default: return false;
    }
    const std::size_t directories = count_field + 4;
    if (optional_size < directories) return false;
    const std::uint32_t directory_count = bytes_.U32(optional + count_field);
    const std::size_t resource_field = directories + kResourceDirectoryIndex * kDataDirectorySize;
    if (directory_count <= kResourceDirectoryIndex ||
        optional_size < resource_field + kDataDirectorySize) {
      resource_rva_ = 0;  // valid image, no resource directory
    } else {
      resource_rva_ = bytes_.U32(optional + resource_field);
      resource_size_ = bytes_.U32(optional + resource_field + 4);
    }

    sections_ = optional + optional_size;
    return bytes_.Has(sections_, section_count_ * kSectionHeaderSize);
  }

  std::uint32_t resource_rva() const { return resource_rva_; }
  std::uint32_t resource_size() const { return resource_size_; }

  // Maps [rva, rva + length) to file bytes inside one section's raw data. True with `offset`
  // set and `available` the bytes from there to the end of that section's data in the file.
  bool MapRva(std::uint32_t rva, std::uint32_t length, std::size_t& offset,
              std::size_t& available) const {
    for (std::size_t i = 0; i < section_count_; ++i) {
      const std::size_t header = sections_ + i * kSectionHeaderSize;
      const std::uint32_t virtual_size = bytes_.U32(header + 8);
      const std::uint32_t address = bytes_.U32(header + 12);
      const std::uint32_t raw_size = bytes_.U32(header + 16);
      const std::uint32_t raw_offset = bytes_.U32(header + 20);
      if (rva < address) continue;
      // Only the part of the section that is both mapped and present in the file counts.
      const std::uint64_t extent = virtual_size != 0 && virtual_size < raw_size ? virtual_size : raw_size;
      const std::uint64_t delta = rva - address;
      if (delta >= extent) continue;
      if (static_cast<std::uint64_t>(length) > extent - delta) return false;
      const std::uint64_t start = static_cast<std::uint64_t>(raw_offset) + delta;
      const std::uint64_t end = static_cast<std::uint64_t>(raw_offset) + extent;
      if (start > bytes_.size()) return false;
      const std::uint64_t limit = end < bytes_.size() ? end : bytes_.size();
      if (start + length > limit) return false;  // section data cut short by the file's end
      offset = static_cast<std::size_t>(start);
      available = static_cast<std::size_t>(limit - start);
      return true;
    }
    return false;
  }

 private:
  Bytes bytes_;
  std::size_t section_count_ = 0;
  std::size_t sections_ = 0;
  std::uint32_t resource_rva_ = 0;
  std::uint32_t resource_size_ = 0;
};

// The resource directory tree, read only inside its region. Offsets are relative to its root.
class ResourceTree {
 public:
  explicit ResourceTree(Bytes region) : region_(region) {}

  // The target of an entry of the directory at `directory`: the first entry (the one after
  // `skip` others) with the numeric id `id` (any entry when `id` is negative) whose target is a
  // subdirectory when `want_directory`, else a data entry. A directory whose entry counts claim
  // more entries than the resource data holds is broken and yields nothing.
  bool Find(std::size_t directory, long id, bool want_directory, std::size_t& target,
            std::size_t skip = 0) const {
    if (!region_.Has(directory, kResourceDirectoryHeaderSize)) return false;
    const std::size_t count =
        static_cast<std::size_t>(region_.U16(directory + 12)) + region_.U16(directory + 14);
    const std::size_t entries = directory + kResourceDirectoryHeaderSize;
    if (!region_.Has(entries, count * kResourceEntrySize)) return false;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t entry = entries + i * kResourceEntrySize;
      const std::uint32_t name = region_.U32(entry);
      const std::uint32_t data = region_.U32(entry + 4);
      if (id >= 0 && name != static_cast<std::uint32_t>(id)) continue;  // named entries never match
      const bool is_directory = (data & kHighBit) != 0;
      if (is_directory != want_directory) continue;
      if (skip > 0) {
        --skip;
        continue;
      }
      target = data & ~kHighBit;
      return true;
    }
    return false;
  }

  bool DataEntry(std::size_t offset, std::uint32_t& rva, std::uint32_t& size) const {
    if (!region_.Has(offset, kResourceDataEntrySize)) return false;
    rva = region_.U32(offset);
    size = region_.U32(offset + 4);
    return true;
  }

 private:
  Bytes region_;
};

}  // namespace

std::uint16_t PeMachine(const unsigned char* image, std::size_t size) {
  if (image == nullptr) return 0;
  const Bytes bytes(image, size);
  if (!bytes.Has(0, 64) || bytes.U16(0) != kDosMagic) return 0;
  const std::size_t pe = bytes.U32(0x3C);
  if (!bytes.Has(pe, 4 + kCoffHeaderSize) || bytes.U32(pe) != kPeSignature) return 0;
  return bytes.U16(pe + 4);
}

namespace {

int FindResource(const unsigned char* image, std::size_t size, std::uint16_t type, long id,
                 std::size_t nth, std::size_t& offset, std::size_t& length) {
  if (image == nullptr) return 0;
  const Bytes bytes(image, size);
  PeImage pe(bytes);
  if (!pe.ParseHeaders() || pe.resource_rva() == 0 || pe.resource_size() == 0) return 0;

  // The tree may be read anywhere from its root to the end of the section holding it.
  std::size_t root = 0;
  std::size_t available = 0;
  if (!pe.MapRva(pe.resource_rva(), kResourceDirectoryHeaderSize, root, available)) return 0;
  const ResourceTree tree(Bytes(image + root, available));

  // Exactly three levels (type, name, language): a directory that points back at itself or
  // an ancestor is read at most once per level, so no tree can make this loop.
  std::size_t names = 0;
  std::size_t languages = 0;
  std::size_t entry = 0;
  if (!tree.Find(0, type, true, names) || !tree.Find(names, id, true, languages, nth) ||
      !tree.Find(languages, -1, false, entry)) {
    return 0;
  }
  std::uint32_t data_rva = 0;
  std::uint32_t data_size = 0;
  if (!tree.DataEntry(entry, data_rva, data_size) || data_size == 0) return 0;
  std::size_t data_offset = 0;
  if (!pe.MapRva(data_rva, data_size, data_offset, available)) return 0;
  offset = data_offset;
  length = data_size;
  return 1;
}

}  // namespace

int FindPeResource(const unsigned char* image, std::size_t size, std::uint16_t type,
                   std::size_t& offset, std::size_t& length) {
  return FindResource(image, size, type, -1, 0, offset, length);
}

int FindPeResourceById(const unsigned char* image, std::size_t size, std::uint16_t type,
                       std::uint16_t id, std::size_t& offset, std::size_t& length) {
  return FindResource(image, size, type, id, 0, offset, length);
}

int FindPeResourceAt(const unsigned char* image, std::size_t size, std::uint16_t type,
                     std::size_t index, std::size_t& offset, std::size_t& length) {
  return FindResource(image, size, type, -1, index, offset, length);
}

bool ReadPeFile(const char* path, std::string& bytes) {
  if (path == nullptr || *path == '\0') return false;
  // O_NONBLOCK: a FIFO at this path must not block the open; only regular files are read.
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
            static_cast<std::uint64_t>(info.st_size) <= kMaxImageSize;
  if (ok) {
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t got = ::read(fd, &bytes[done], bytes.size() - done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;  // the file shrank while being read: keep what is there
      done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
  }
  ::close(fd);
  return ok;
}

}  // namespace ds
