// The ".rd" record of a socket download and its ".tmp" data file.
//
// target.rd is one 268-byte header and nothing else (little-endian): uint32 completed bytes
// (counted from the start of the file), uint32 file length (0 while not yet known), char[260]
// URL (NUL-terminated, at most 259 characters). The data file is shared with the block
// downloader's form: the remote file's bytes at their final offsets, sized to the full length
// once the transfer has begun.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "vexo/download/record_file.h"
#include "vexo/export.h"

constexpr int kRecordHeaderSize = 268;

struct RecordFileHeader {
  std::uint32_t completedSize = 0;
  std::uint32_t fileLength = 0;
  char url[kRecordUrlSize] = {};
};

// "%s.rd" of a target path.
VEXO_API std::string RdRecordPathOf(const std::string& target);

// Copies `url` into header->url, cut to 259 characters, terminated and zero-filled.
VEXO_API void SetRdRecordUrl(RecordFileHeader* header, const char* url);

// The 268 bytes of a header on disk, and back.
VEXO_API std::string EncodeRecordHeader(const RecordFileHeader& header);
VEXO_API RecordFileHeader DecodeRecordHeader(const unsigned char* bytes);

// Creates target.rd (both counters 0, the URL) and an empty target.tmp, both truncated.
// 1 on success; 0 if either cannot be created (a record already written stays).
VEXO_API int CreateRdRecordPair(const char* url, const std::string& target);

// Reads and checks target.rd: it exists, opens for reading and writing, holds the full 268-byte
// header, and its completed count is not above its length. 1 with *header filled, else 0.
VEXO_API int ReadRdRecordFile(const std::string& recordPath, RecordFileHeader* header);

// Checks target.tmp: it exists, opens for writing and has exactly `length` bytes.
VEXO_API int CheckRdDataFile(const std::string& dataPath, std::uint32_t length);

// The two files a running socket download keeps open. Data bytes are written before the
// completed count that covers them, so the record never claims bytes the data file lacks.
class VEXO_API RdFiles {
 public:
  RdFiles() = default;
  ~RdFiles();
  RdFiles(const RdFiles&) = delete;
  RdFiles& operator=(const RdFiles&) = delete;

  // Opens the record for reading and writing (not created). 1 on success.
  int OpenRecord(const std::string& recordPath);
  // Opens the data file for writing (not created, not truncated). 1 on success.
  int OpenData(const std::string& dataPath);
  // Rewrites both counters at offset 0 of the record.
  int WriteCounters(std::uint32_t completed, std::uint32_t length);
  // Rewrites the completed count at offset 0 of the record.
  int WriteCompleted(std::uint32_t completed);
  // Sets the data file's length (existing bytes stay).
  int SetDataLength(std::uint32_t length);
  // Writes `size` bytes at `offset` of the data file; 0 on any error, a full disk included.
  int WriteData(std::uint32_t offset, const void* bytes, std::size_t size);
  // Closes both; 0 when a close reported an error.
  int Close();

 private:
  int record_fd_ = -1;
  int data_fd_ = -1;
};
