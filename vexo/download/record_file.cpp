#include "vexo/download/record_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

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

// More split blocks than this are not ours (a block is only split while much of it remains).
constexpr std::int64_t kMaxSplitBlocks = 1 << 16;

}  // namespace

std::string RecordPathOf(const std::string& target) { return target + ".rd2"; }
std::string ValidatorPathOf(const std::string& target) { return target + ".rdv"; }

namespace {
// The validator's side file of a record path "target.rd2".
std::string ValidatorPathOfRecord(const std::string& recordPath) {
  const std::string suffix = ".rd2";
  const bool named = recordPath.size() >= suffix.size() &&
                     recordPath.compare(recordPath.size() - suffix.size(), suffix.size(), suffix) == 0;
  return ValidatorPathOf(named ? recordPath.substr(0, recordPath.size() - suffix.size()) : recordPath);
}
constexpr std::size_t kMaxValidatorSize = 1024;
}  // namespace

bool IsStreamRecord(const std::vector<BlockHeader4>& blocks) {
  return blocks.size() == 1 && blocks[0].blockSize == kStreamBlockSize;
}

std::string ReadValidatorFile(const std::string& recordPath) {
  int fd = OpenFile(ValidatorPathOfRecord(recordPath), O_RDONLY);
  if (fd < 0) return std::string();
  char bytes[kMaxValidatorSize + 1];
  const ssize_t got = ReadFully(fd, bytes, sizeof bytes);
  CloseFd(fd);
  // Something longer than any validator is not one of ours.
  if (got <= 0 || static_cast<std::size_t>(got) > kMaxValidatorSize) return std::string();
  std::string text(bytes, static_cast<std::size_t>(got));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text.find('\n') == std::string::npos ? text : std::string();
}

bool WriteValidatorFile(const std::string& recordPath, const std::string& validator) {
  const std::string path = ValidatorPathOfRecord(recordPath);
  if (validator.empty()) {
    ::unlink(ds::NativePath(path).c_str());
    return true;
  }
  const std::string line = validator + "\n";
  int fd = OpenFile(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  const bool written = ds::WriteAll(fd, line.data(), line.size());
  return CloseFd(fd) && written;
}
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
    BlockHeader4 block = DecodeBlockHeader4(record);
    block.start = header->fileLength > 0 ? BlockStart(header->fileLength, header->blockCount, static_cast<std::int64_t>(i)) : 0;
    blocks->push_back(block);
  }
  // The split blocks, when a complete extension follows.
  unsigned char head[16];
  if (ReadFully(fd, head, sizeof head) == 16 && GetInt64(head) == kSplitExtensionTag) {
    const auto extra = static_cast<std::uint64_t>(GetInt64(head + 8));
    std::vector<BlockHeader4> split;
    for (std::uint64_t i = 0; i < extra && i <= static_cast<std::uint64_t>(kMaxSplitBlocks); ++i) {
      unsigned char record[kSplitBlockSize];
      if (ReadFully(fd, record, sizeof record) != kSplitBlockSize) break;
      BlockHeader4 block;
      block.start = GetInt64(record);
      block.completedSize = GetInt64(record + 8);
      block.blockSize = GetInt64(record + 16);
      split.push_back(block);
    }
    if (split.size() == extra) blocks->insert(blocks->end(), split.begin(), split.end());
  }
  CloseFd(fd);
  return 1;
}

std::int64_t CompletedCountOffset(std::int64_t baseCount, std::int64_t index) {
  if (index < baseCount) return kRecordHeader4Size + kBlockHeader4Size * index;
  return kRecordHeader4Size + kBlockHeader4Size * baseCount + 16 + kSplitBlockSize * (index - baseCount) + 8;
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
  const std::int64_t length = header.fileLength;
  const auto total = static_cast<std::int64_t>(blocks.size());
  const std::int64_t count = std::min(header.blockCount, total);
  if (count < 0) return false;
  for (std::int64_t i = 0; i < count; ++i) {
    const BlockHeader4& block = blocks[static_cast<std::size_t>(i)];
    const std::int64_t limit = length > 0 ? BlockLength(length, count, i) : 0;
    if (block.completedSize < 0 || block.completedSize > limit) return false;
  }
  if (total == count) return true;
  // With split blocks every block has its own start and size: together they must cover the
  // file exactly once, each count within its block (a base block that was split may count
  // past its shortened size: a build without splitting resumed it over its whole even length).
  if (length <= 0) return false;
  std::vector<std::pair<std::int64_t, std::int64_t>> spans;
  for (std::int64_t i = 0; i < total; ++i) {
    const BlockHeader4& block = blocks[static_cast<std::size_t>(i)];
    const std::int64_t start = i < count ? BlockStart(length, count, i) : block.start;
    const std::int64_t limit = i < count ? BlockLength(length, count, i) : block.blockSize;
    if (start < 0 || block.blockSize < 0 || block.blockSize > limit || start > length - block.blockSize ||
        block.completedSize < 0 || block.completedSize > limit)
      return false;
    if (block.blockSize > 0) spans.emplace_back(start, block.blockSize);
  }
  std::sort(spans.begin(), spans.end());
  std::int64_t next = 0;
  for (const auto& span : spans) {
    if (span.first != next) return false;
    next += span.second;
  }
  return next == length;
}

int WriteRecordLayout(const std::string& recordPath, const char* url, std::int64_t length,
                      const std::vector<BlockHeader4>& blocks, std::int64_t baseCount) {
  const auto total = static_cast<std::int64_t>(blocks.size());
  if (baseCount < 0 || baseCount > total) baseCount = total;
  RecordFileHeader4 header;
  header.fileLength = length;
  header.blockCount = baseCount;
  SetRecordUrl(&header, url);
  std::string bytes = EncodeRecordHeader4(header);
  for (std::int64_t i = 0; i < baseCount; ++i) bytes += EncodeBlockHeader4(blocks[static_cast<std::size_t>(i)]);
  if (total > baseCount) {
    unsigned char head[16];
    PutInt64(head, kSplitExtensionTag);
    PutInt64(head + 8, total - baseCount);
    bytes.append(reinterpret_cast<const char*>(head), sizeof head);
    for (std::int64_t i = baseCount; i < total; ++i) {
      const BlockHeader4& block = blocks[static_cast<std::size_t>(i)];
      unsigned char record[kSplitBlockSize];
      PutInt64(record, block.start);
      PutInt64(record + 8, block.completedSize);
      PutInt64(record + 16, block.blockSize);
      bytes.append(reinterpret_cast<const char*>(record), sizeof record);
    }
  }

  int fd = OpenFile(recordPath, O_RDWR);
  if (fd < 0) return 0;
  // One write, so an interruption leaves either the old or the new record; then whatever an
  // older, longer layout left behind is cut off.
  bool written = PWriteAll(fd, bytes.data(), bytes.size(), 0) &&
                 ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
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
  ::unlink(ds::NativePath(ValidatorPathOfRecord(recordPath)).c_str());
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

bool BlockFiles::WriteCompletedAt(std::int64_t offset, std::int64_t completed) {
  unsigned char bytes[8];
  PutInt64(bytes, completed);
  return record_fd_ >= 0 && PWriteAll(record_fd_, bytes, sizeof bytes, offset);
}

bool BlockFiles::Close() {
  bool ok = CloseFd(record_fd_);
  ok = CloseFd(data_fd_) && ok;
  record_fd_ = -1;
  data_fd_ = -1;
  return ok;
}
