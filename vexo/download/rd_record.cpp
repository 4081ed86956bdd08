#include "vexo/download/rd_record.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/text/path.h"
#include "core/platform/file_write.h"

namespace {

void PutUint32(unsigned char* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t GetUint32(const unsigned char* in) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | in[i];
  return value;
}

int OpenNative(const std::string& path, int flags) {
  return open(ds::NativePath(path).c_str(), flags | O_CLOEXEC, ds::CreationMode(0644));
}

bool WriteAt(int fd, const void* bytes, std::size_t size, off_t offset) {
  const char* p = static_cast<const char*>(bytes);
  while (size > 0) {
    ssize_t n = pwrite(fd, p, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
}

bool CloseFd(int* fd) {
  if (*fd < 0) return true;
  bool ok = close(*fd) == 0;
  *fd = -1;
  return ok;
}

}  // namespace

std::string RdRecordPathOf(const std::string& target) { return target + ".rd"; }

void SetRdRecordUrl(RecordFileHeader* header, const char* url) {
  std::memset(header->url, 0, sizeof header->url);
  if (url != nullptr) std::strncpy(header->url, url, sizeof header->url - 1);
}

std::string EncodeRecordHeader(const RecordFileHeader& header) {
  unsigned char bytes[kRecordHeaderSize] = {};
  PutUint32(bytes, header.completedSize);
  PutUint32(bytes + 4, header.fileLength);
  std::memcpy(bytes + 8, header.url, sizeof header.url);
  bytes[kRecordHeaderSize - 1] = '\0';  // the URL field always ends with a terminator
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

RecordFileHeader DecodeRecordHeader(const unsigned char* bytes) {
  RecordFileHeader header;
  header.completedSize = GetUint32(bytes);
  header.fileLength = GetUint32(bytes + 4);
  std::memcpy(header.url, bytes + 8, sizeof header.url);
  header.url[sizeof header.url - 1] = '\0';
  return header;
}

int CreateRdRecordPair(const char* url, const std::string& target) {
  RecordFileHeader header;
  SetRdRecordUrl(&header, url);
  int fd = OpenNative(RdRecordPathOf(target), O_RDWR | O_CREAT | O_TRUNC);
  if (fd < 0) return 0;
  std::string bytes = EncodeRecordHeader(header);
  bool written = ds::WriteAll(fd, bytes.data(), bytes.size());
  bool closed = close(fd) == 0;
  if (!written || !closed) return 0;
  fd = OpenNative(DataPathOf(target), O_WRONLY | O_CREAT | O_TRUNC);
  if (fd < 0) return 0;
  return close(fd) == 0 ? 1 : 0;
}

int ReadRdRecordFile(const std::string& recordPath, RecordFileHeader* header) {
  int fd = OpenNative(recordPath, O_RDWR);
  if (fd < 0) return 0;
  unsigned char bytes[kRecordHeaderSize];
  std::size_t got = 0;
  while (got < sizeof bytes) {
    ssize_t n = pread(fd, bytes + got, sizeof bytes - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  if (got < sizeof bytes) return 0;
  RecordFileHeader read = DecodeRecordHeader(bytes);
  if (read.completedSize > read.fileLength) return 0;
  if (header != nullptr) *header = read;
  return 1;
}

int CheckRdDataFile(const std::string& dataPath, std::uint32_t length) {
  int fd = OpenNative(dataPath, O_WRONLY);
  if (fd < 0) return 0;
  struct stat info {};
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            static_cast<std::uint64_t>(info.st_size) == length;
  close(fd);
  return ok ? 1 : 0;
}

RdFiles::~RdFiles() { Close(); }

int RdFiles::OpenRecord(const std::string& recordPath) {
  CloseFd(&record_fd_);
  record_fd_ = OpenNative(recordPath, O_RDWR);
  return record_fd_ >= 0 ? 1 : 0;
}

int RdFiles::OpenData(const std::string& dataPath) {
  CloseFd(&data_fd_);
  data_fd_ = OpenNative(dataPath, O_WRONLY);
  return data_fd_ >= 0 ? 1 : 0;
}

int RdFiles::WriteCounters(std::uint32_t completed, std::uint32_t length) {
  unsigned char bytes[8];
  PutUint32(bytes, completed);
  PutUint32(bytes + 4, length);
  return record_fd_ >= 0 && WriteAt(record_fd_, bytes, sizeof bytes, 0) ? 1 : 0;
}

int RdFiles::WriteCompleted(std::uint32_t completed) {
  unsigned char bytes[4];
  PutUint32(bytes, completed);
  return record_fd_ >= 0 && WriteAt(record_fd_, bytes, sizeof bytes, 0) ? 1 : 0;
}

int RdFiles::SetDataLength(std::uint32_t length) {
  if (data_fd_ < 0) return 0;
  int result;
  do {
    result = ftruncate(data_fd_, static_cast<off_t>(length));
  } while (result != 0 && errno == EINTR);
  return result == 0 ? 1 : 0;
}

int RdFiles::WriteData(std::uint32_t offset, const void* bytes, std::size_t size) {
  return data_fd_ >= 0 && WriteAt(data_fd_, bytes, size, static_cast<off_t>(offset)) ? 1 : 0;
}

int RdFiles::Close() {
  bool record = CloseFd(&record_fd_);
  bool data = CloseFd(&data_fd_);
  return record && data ? 1 : 0;
}
