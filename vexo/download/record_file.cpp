#include "vexo/download/record_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/text/path.h"
#include "core/platform/file_write.h"

namespace {

void PutInt64(unsigned char* out, std::int64_t value) {
  auto bits = static_cast<std::uint64_t>(value);
  for (int i = 0; i < 8; ++i) out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

std::int64_t GetInt64(const unsigned char* in) {
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | in[i];
  return static_cast<std::int64_t>(bits);
}

int OpenFile(const std::string& path, int flags, mode_t mode = 0) {
  const std::string native = ds::NativePath(path);
  int fd;
  do {
    fd = ::open(native.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Reads up to `size` bytes; the count read (short at the end of the file), -1 on error.
ssize_t ReadFully(int fd, void* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd, static_cast<char*>(buffer) + done, size - done);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

bool PWriteAll(int fd, const void* bytes, std::size_t size, std::int64_t offset) {
  const char* p = static_cast<const char*>(bytes);
  while (size > 0) {
    ssize_t n = ::pwrite(fd, p, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
}

bool CloseFd(int fd) { return fd < 0 || ::close(fd) == 0; }

}  // namespace

std::string RecordPathOf(const std::string& target) { return target + ".rd2"; }
std::string DataPathOf(const std::string& target) { return target + ".tmp"; }

void SetRecordUrl(RecordFileHeader4* header, const char* url) {
  std::memset(header->url, 0, sizeof header->url);
  if (url == nullptr) return;
  std::size_t length = std::strlen(url);
  if (length > kRecordUrlSize - 1) length = kRecordUrlSize - 1;
  std::memcpy(header->url, url, length);
}

std::string EncodeRecordHeader4(const RecordFileHeader4& header) {
  unsigned char bytes[kRecordHeader4Size] = {};
  PutInt64(bytes, header.fileLength);
  PutInt64(bytes + 8, header.blockCount);
  std::memcpy(bytes + 16, header.url, kRecordUrlSize);
  bytes[16 + kRecordUrlSize - 1] = 0;  // the stored URL is always terminated
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

std::string EncodeBlockHeader4(const BlockHeader4& block) {
  unsigned char bytes[kBlockHeader4Size];
  PutInt64(bytes, block.completedSize);
  PutInt64(bytes + 8, block.blockSize);
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

RecordFileHeader4 DecodeRecordHeader4(const unsigned char* bytes) {
  RecordFileHeader4 header;
  header.fileLength = GetInt64(bytes);
  header.blockCount = GetInt64(bytes + 8);
  std::memcpy(header.url, bytes + 16, kRecordUrlSize);
  header.url[kRecordUrlSize - 1] = 0;
  return header;
}

BlockHeader4 DecodeBlockHeader4(const unsigned char* bytes) {
  BlockHeader4 block;
  block.completedSize = GetInt64(bytes);
  block.blockSize = GetInt64(bytes + 8);
  return block;
}

std::int64_t BlockStart(std::int64_t length, std::int64_t count, std::int64_t index) {
  if (count < 1) return 0;
  return (length / count) * index;
}

std::int64_t BlockLength(std::int64_t length, std::int64_t count, std::int64_t index) {
  if (count < 1) return 0;
  const std::int64_t size = length / count;
  return index == count - 1 ? length - (count - 1) * size : size;
}

std::vector<BlockHeader4> MakeBlockLayout(std::int64_t length, std::int64_t count) {
  std::vector<BlockHeader4> blocks;
  if (count < 1) return blocks;
  blocks.resize(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) blocks[static_cast<std::size_t>(i)].blockSize = BlockLength(length, count, i);
  return blocks;
}

int CreateRecordPair(const char* url, const std::string& target, std::int64_t blockCount) {
  RecordFileHeader4 header;
  header.fileLength = 0;
  header.blockCount = blockCount < 0 ? 0 : blockCount;
  SetRecordUrl(&header, url);
  std::string bytes = EncodeRecordHeader4(header);
  bytes.append(static_cast<std::size_t>(header.blockCount) * kBlockHeader4Size, '\0');

  int fd = OpenFile(RecordPathOf(target), O_RDWR | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return 0;
  bool written = ds::WriteAll(fd, bytes.data(), bytes.size());
  if (!CloseFd(fd) || !written) return 0;

  fd = OpenFile(DataPathOf(target), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return 0;
  return CloseFd(fd) ? 1 : 0;
}

int ReadRecordFile(const std::string& recordPath, RecordFileHeader4* header,
                   std::vector<BlockHeader4>* blocks) {
  blocks->clear();
  int fd = OpenFile(recordPath, O_RDWR);
  if (fd < 0) return 0;
  unsigned char bytes[kRecordHeader4Size];
  if (ReadFully(fd, bytes, sizeof bytes) != kRecordHeader4Size) {
    CloseFd(fd);
    return 0;
  }
  *header = DecodeRecordHeader4(bytes);
  // The count is compared unsigned: a negative or huge count runs into a short read.
  const auto count = static_cast<std::uint64_t>(header->blockCount);
  for (std::uint64_t i = 0; i < count; ++i) {
    unsigned char record[kBlockHeader4Size];
    if (ReadFully(fd, record, sizeof record) != kBlockHeader4Size) {
      blocks->clear();
      CloseFd(fd);
      return 0;
    }
    blocks->push_back(DecodeBlockHeader4(record));
  }
  CloseFd(fd);
  return 1;
}

int CheckDataFile(const std::string& dataPath, const RecordFileHeader4& header) {
  int fd = OpenFile(dataPath, O_WRONLY);
  if (fd < 0) return 0;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
            static_cast<std::int64_t>(st.st_size) == header.fileLength;
  CloseFd(fd);
  return ok ? 1 : 0;
}

bool BlocksFitLength(const RecordFileHeader4& header, const std::vector<BlockHeader4>& blocks) {
  const auto count = static_cast<std::int64_t>(blocks.size());
  for (std::int64_t i = 0; i < count; ++i) {
    const BlockHeader4& block = blocks[static_cast<std::size_t>(i)];
    const std::int64_t limit = header.fileLength > 0 ? BlockLength(header.fileLength, count, i) : 0;
    if (block.completedSize < 0 || block.completedSize > limit) return false;
  }
  return true;
}

int WriteRecordLayout(const std::string& recordPath, const char* url, std::int64_t length,
                      const std::vector<BlockHeader4>& blocks) {
  RecordFileHeader4 header;
  header.fileLength = length;
  header.blockCount = static_cast<std::int64_t>(blocks.size());
  SetRecordUrl(&header, url);
  std::string bytes = EncodeRecordHeader4(header);
  for (const BlockHeader4& block : blocks) bytes += EncodeBlockHeader4(block);

  int fd = OpenFile(recordPath, O_RDWR);
  if (fd < 0) return 0;
  // One write, so an interruption leaves either the old or the new record.
  bool written = PWriteAll(fd, bytes.data(), bytes.size(), 0);
  return CloseFd(fd) && written ? 1 : 0;
}

int SizeDataFile(const std::string& dataPath, std::int64_t length) {
  int fd = OpenFile(dataPath, O_WRONLY);
  if (fd < 0) return 0;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0;
  // A file that already has the length is left alone, so resuming never extends it again.
  if (ok && static_cast<std::int64_t>(st.st_size) != length) ok = ::ftruncate(fd, static_cast<off_t>(length)) == 0;
  return CloseFd(fd) && ok ? 1 : 0;
}

int DeleteRecordPair(const std::string& recordPath, const std::string& dataPath) {
  if (::unlink(ds::NativePath(recordPath).c_str()) != 0) return 0;
  if (::unlink(ds::NativePath(dataPath).c_str()) != 0) return 0;
  return 1;
}

BlockFiles::~BlockFiles() { Close(); }

bool BlockFiles::Open(const std::string& recordPath, const std::string& dataPath) {
  Close();
  record_fd_ = OpenFile(recordPath, O_RDWR);
  data_fd_ = OpenFile(dataPath, O_WRONLY);
  if (IsOpen()) return true;
  Close();
  return false;
}

bool BlockFiles::WriteData(std::int64_t offset, const void* bytes, std::size_t size) {
  return data_fd_ >= 0 && PWriteAll(data_fd_, bytes, size, offset);
}

bool BlockFiles::WriteCompleted(std::int64_t index, std::int64_t completed) {
  unsigned char bytes[8];
  PutInt64(bytes, completed);
  return record_fd_ >= 0 &&
         PWriteAll(record_fd_, bytes, sizeof bytes, kRecordHeader4Size + kBlockHeader4Size * index);
}

bool BlockFiles::Close() {
  bool ok = CloseFd(record_fd_);
  ok = CloseFd(data_fd_) && ok;
  record_fd_ = -1;
  data_fd_ = -1;
  return ok;
}
