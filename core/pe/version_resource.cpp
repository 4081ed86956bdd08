#include "core/pe/version_resource.h"

#include <string_view>

#include "core/text/ascii.h"
#include "core/pe/pe_image.h"
#include "core/text/utf16.h"

namespace ds {

namespace {

constexpr std::size_t kNodeHeaderSize = 6;  // wLength, wValueLength, wType
constexpr std::uint16_t kTextValue = 1;

std::size_t Align4(std::size_t offset) { return (offset + 3) & ~static_cast<std::size_t>(3); }

// One block of a VS_VERSIONINFO tree: {wLength, wValueLength, wType, szKey, padding, value,
// padding, children}. Offsets are relative to the start of the whole resource, which is where
// the four-byte alignment counts from.
struct Node {
  std::size_t end = 0;            // one past the block (never past its parent)
  std::uint16_t value_length = 0; // as stored: WORDs for text (or bytes, by some writers)
  std::uint16_t type = 0;         // 1 text, 0 binary
  std::size_t value = 0;          // start of the value (<= end)
  std::size_t children = 0;       // start of the first child (<= end)
  std::string key;                // UTF-8
};

class Block {
 public:
  explicit Block(const std::string& bytes)
      : data_(reinterpret_cast<const unsigned char*>(bytes.data())), size_(bytes.size()) {}

  // Reads the block at `at`, which must lie before `limit`. A length that runs past `limit` is
  // cut to it; a block too short for its header, or a key without terminator, is refused.
  bool Read(std::size_t at, std::size_t limit, Node& node) const {
    if (limit > size_ || at > limit || limit - at < kNodeHeaderSize) return false;
    const std::size_t length = U16(at);
    if (length < kNodeHeaderSize) return false;
    node.end = length < limit - at ? at + length : limit;
    node.value_length = U16(at + 2);
    node.type = U16(at + 4);
    const std::size_t key = at + kNodeHeaderSize;
    std::size_t key_end = key;
    while (key_end + 2 <= node.end && U16(key_end) != 0) key_end += 2;
    if (key_end + 2 > node.end) return false;
    node.key = Utf16LeToUtf8(data_ + key, (key_end - key) / 2);
    node.value = Clamp(Align4(key_end + 2), node.end);
    const std::size_t value_bytes =
        node.type == kTextValue ? std::size_t{node.value_length} * 2 : node.value_length;
    node.children = Clamp(Align4(node.value + value_bytes), node.end);
    return true;
  }

  // Calls visit(child) for each child of `parent` in order until it returns true. True when
  // one did. Every step moves forward by at least eight bytes, so the walk always ends.
  template <typename Visit>
  bool ForEachChild(const Node& parent, Visit visit) const {
    std::size_t at = parent.children;
    Node child;
    while (at < parent.end && Read(at, parent.end, child)) {
      if (visit(child)) return true;
      at = Align4(child.end);
    }
    return false;
  }

  // A String value: UTF-16 up to its terminator. wValueLength counts WORDs by the format, but
  // some writers store bytes, so it only limits the value (never beyond the block) and the
  // terminator ends it. A zero length with text present reads the text, as a caller of the
  // platform call, handed a pointer to it, would.
  std::string Text(const Node& node) const {
    const std::size_t claimed = std::size_t{node.value_length} * 2;
    const std::size_t end =
        claimed == 0 || node.end - node.value < claimed ? node.end : node.value + claimed;
    std::size_t units = 0;
    while (node.value + units * 2 + 2 <= end && U16(node.value + units * 2) != 0) ++units;
    return Utf16LeToUtf8(data_ + node.value, units);
  }

  std::uint16_t U16(std::size_t offset) const {
    return static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
  }

  std::size_t size() const { return size_; }

 private:
  static std::size_t Clamp(std::size_t offset, std::size_t end) { return offset < end ? offset : end; }

  const unsigned char* data_;
  std::size_t size_;
};

bool ReadRoot(const Block& block, Node& root) {
  return block.Read(0, block.size(), root) && AsciiEqualsIgnoreCase(root.key, "VS_VERSION_INFO");
}

}  // namespace

int GetFileVersionInfo(const char* path, std::string& block) {
  if (path == nullptr || *path == '\0') return 0;
  std::string image;
  if (!ReadPeFile(path, image)) return 0;
  return ExtractVersionResource(reinterpret_cast<const unsigned char*>(image.data()), image.size(),
                                block);
}

int ExtractVersionResource(const unsigned char* image, std::size_t size, std::string& block) {
  std::size_t offset = 0;
  std::size_t length = 0;
  if (!FindPeResource(image, size, kPeResourceVersion, offset, length)) return 0;
  std::string found(reinterpret_cast<const char*>(image + offset), length);
  Node root;
  if (!ReadRoot(Block(found), root)) return 0;  // an RT_VERSION resource that is no version block
  block.swap(found);
  return 1;
}

int QueryVersionTranslations(const std::string& block, std::vector<VersionTranslation>& out) {
  const Block bytes(block);
  Node root;
  if (!ReadRoot(bytes, root)) return 0;
  std::vector<VersionTranslation> pairs;
  bytes.ForEachChild(root, [&](const Node& info) {
    if (!AsciiEqualsIgnoreCase(info.key, "VarFileInfo")) return false;
    return bytes.ForEachChild(info, [&](const Node& var) {
      if (!AsciiEqualsIgnoreCase(var.key, "Translation")) return false;
      // Binary value: wValueLength counts bytes (a writer that marked it as text counted WORDs).
      std::size_t value_bytes =
          var.type == kTextValue ? std::size_t{var.value_length} * 2 : var.value_length;
      if (value_bytes > var.end - var.value) value_bytes = var.end - var.value;
      for (std::size_t at = var.value; at + 4 <= var.value + value_bytes; at += 4) {
        pairs.push_back(VersionTranslation{bytes.U16(at), bytes.U16(at + 2)});
      }
      return !pairs.empty();
    });
  });
  if (pairs.empty()) return 0;
  out.swap(pairs);
  return 1;
}

int QueryVersionString(const std::string& block, const char* table, const char* name,
                       std::string& out) {
  if (table == nullptr || name == nullptr) return 0;
  const Block bytes(block);
  Node root;
  if (!ReadRoot(bytes, root)) return 0;
  std::string value;
  const bool found = bytes.ForEachChild(root, [&](const Node& info) {
    if (!AsciiEqualsIgnoreCase(info.key, "StringFileInfo")) return false;
    return bytes.ForEachChild(info, [&](const Node& strings) {
      if (!AsciiEqualsIgnoreCase(strings.key, table)) return false;
      return bytes.ForEachChild(strings, [&](const Node& entry) {
        if (!AsciiEqualsIgnoreCase(entry.key, name)) return false;
        value = bytes.Text(entry);
        return true;
      });
    });
  });
  if (!found) return 0;
  out.swap(value);
  return 1;
}

}  // namespace ds
