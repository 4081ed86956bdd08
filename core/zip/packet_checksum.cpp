#include "core/zip/packet_checksum.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "core/crypto/md5.h"
#include "core/text/path.h"

namespace ds {
namespace {

// Reads up to `size` bytes, going on after short reads and signals, so that only the end of the
// file (or an error) gives fewer bytes than asked for. -1 on an error.
long ReadChunk(int fd, char* buffer, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    ssize_t n = ::read(fd, buffer + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<long>(got);
}

}  // namespace

std::string PacketFileName(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "s%d.pkg", number);
  return name;
}

std::string PacketChecksumOfBytes(std::string_view bytes) {
  std::string digests;
  std::size_t offset = 0;
  for (;;) {
    const std::size_t n = std::min<std::size_t>(kPacketChunkSize, bytes.size() - offset);
    digests += MD5Hex(bytes.data() + offset, n);
    offset += n;
    if (n < static_cast<std::size_t>(kPacketChunkSize)) break;  // the short read that meets the end
  }
  return MD5Hex(digests.data(), digests.size());
}

int PacketChecksumOfFile(const char* path, std::string& checksum) {
  checksum.clear();
  if (path == nullptr) return 0;
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  std::string digests;
  char chunk[kPacketChunkSize];
  bool complete = true;
  for (;;) {
    const long n = ReadChunk(fd, chunk, sizeof chunk);
    if (n < 0) {  // a directory, an I/O error: keep what was gathered so far
      complete = false;
      break;
    }
    digests += MD5Hex(chunk, static_cast<std::size_t>(n));
    if (n < kPacketChunkSize) break;
  }
  ::close(fd);
  checksum = MD5Hex(digests.data(), digests.size());
  return complete ? 1 : 0;
}

int VerifyPacketFile(const char* path, std::string_view expected) {
  if (expected.empty()) return 0;
  std::string checksum;
  if (!PacketChecksumOfFile(path, checksum)) return 0;
  return checksum == expected ? 1 : 0;
}

}  // namespace ds
