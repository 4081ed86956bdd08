// The ".rd2" record of a block download and its ".tmp" data file.
//
// target.rd2 holds a 280-byte header (little-endian: int64 file length, int64 block count,
// char[260] URL, 4 bytes padding) followed by one 16-byte record per block (int64 completed
// bytes, int64 block length); block record i starts at byte 280 + 16 * i. target.tmp holds the
// remote file's bytes at their final offsets and, once the transfer has begun, has exactly the
// remote file's length.
//
// Every function takes paths as the design writes them ('\' allowed) and never throws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vexo/export.h"

constexpr int kRecordHeader4Size = 280;
constexpr int kBlockHeader4Size = 16;
constexpr int kRecordUrlSize = 260;  // the URL field, terminator included

struct BlockHeader4 {
  std::int64_t completedSize = 0;  // bytes stored, counted from the block's start
  std::int64_t blockSize = 0;      // the block's length
  // Where the block starts in the file; not part of the 16-byte record (the base blocks start
  // where the even layout puts them). -1 when not set.
  std::int64_t start = -1;
};

// Blocks split off while downloading follow the base block records as an extension that
// builds without splitting never read (they ignore bytes past the base records): the tag, the
// number of split blocks, then per split block int64 start, completed, size. A base block that
// was split keeps its record, with its shortened size. A build without the extension resumes
// such a record from the base counts alone and fetches the split blocks' bytes again.
constexpr std::int64_t kSplitExtensionTag = 0x3154494C50535643LL;  // "CVSPLIT1"
constexpr int kSplitBlockSize = 24;
// The byte offset of block `index`'s completed count in a record with `baseCount` base blocks.
VEXO_API std::int64_t CompletedCountOffset(std::int64_t baseCount, std::int64_t index);

struct RecordFileHeader4 {
  std::int64_t fileLength = 0;         // 0 while not yet known
  std::int64_t blockCount = 0;         // number of block records that follow
  char url[kRecordUrlSize] = {};       // NUL-terminated, at most 259 characters
};

// The block size the one record of a download run as a single stream carries: its server does
// not serve ranges, so what it stored cannot be resumed (block count 1, this size).
constexpr std::int64_t kStreamBlockSize = -1;

// True for the record of a single-stream download.
VEXO_API bool IsStreamRecord(const std::vector<BlockHeader4>& blocks);

// "%s.rd2" and "%s.tmp" of a target path.
VEXO_API std::string RecordPathOf(const std::string& target);
VEXO_API std::string DataPathOf(const std::string& target);

// Copies `url` into header->url, cut to 259 characters, terminated and zero-filled.
VEXO_API void SetRecordUrl(RecordFileHeader4* header, const char* url);

// The on-disk bytes of a header and of a block record, and back.
VEXO_API std::string EncodeRecordHeader4(const RecordFileHeader4& header);
VEXO_API std::string EncodeBlockHeader4(const BlockHeader4& block);
VEXO_API RecordFileHeader4 DecodeRecordHeader4(const unsigned char* bytes);  // 280 bytes
VEXO_API BlockHeader4 DecodeBlockHeader4(const unsigned char* bytes);        // 16 bytes

// The block layout of a file of `length` bytes split into `count` blocks: blocks 0..count-2
// get length / count bytes, the last one the remainder. Empty for count < 1.
VEXO_API std::vector<BlockHeader4> MakeBlockLayout(std::int64_t length, std::int64_t count);

// Where block `index` starts in the data file, and how long it is, for that layout.
VEXO_API std::int64_t BlockStart(std::int64_t length, std::int64_t count, std::int64_t index);
VEXO_API std::int64_t BlockLength(std::int64_t length, std::int64_t count, std::int64_t index);

// Creates target.rd2 (header with length 0, `blockCount` zero block records) and an empty
// target.tmp, both truncated. 1 on success; 0 if either cannot be created (a record already
// written stays).
VEXO_API int CreateRecordPair(const char* url, const std::string& target, std::int64_t blockCount);

// Reads and checks a record: it must exist, open for reading and writing, hold a full header and
// `blockCount` full block records. A complete split extension after them adds its blocks
// (other extra bytes are ignored). Every block gets its start. 1 with *header and *blocks
// filled; 0 with *blocks empty.
VEXO_API int ReadRecordFile(const std::string& recordPath, RecordFileHeader4* header,
                            std::vector<BlockHeader4>* blocks);

// Checks a data file: it exists, opens for writing and has exactly header.fileLength bytes.
VEXO_API int CheckDataFile(const std::string& dataPath, const RecordFileHeader4& header);

// True when the loaded block records can be resumed against the header's length: every
// completed count lies within its base block (a record that claims more would have the writer
// start past its block), and with split blocks, all blocks together cover the file once.
// A record whose length is still 0 must have no completed bytes.
VEXO_API bool BlocksFitLength(const RecordFileHeader4& header, const std::vector<BlockHeader4>& blocks);

// At the start of a transfer: rewrites the record in place (header with `length`, the blocks'
// count and `url`, then every block record), and sets target.tmp's length to `length` without
// creating or truncating it. 1 on success, 0 when either file cannot be opened or written.
// Blocks from `baseCount` on are split blocks, written as the extension (every block is a base
// block when `baseCount` is negative); the record is cut to what was written.
VEXO_API int WriteRecordLayout(const std::string& recordPath, const char* url, std::int64_t length,
                               const std::vector<BlockHeader4>& blocks, std::int64_t baseCount = -1);
VEXO_API int SizeDataFile(const std::string& dataPath, std::int64_t length);

// target.rdv, beside the record: the validator of the file the record's bytes came from, one
// line "ETag: <tag>" or "Last-Modified: <date>". The record's own layout stays as it is.
VEXO_API std::string ValidatorPathOf(const std::string& target);
// The validator kept for a record ("" when there is none); the record path names the target.
VEXO_API std::string ReadValidatorFile(const std::string& recordPath);
// Replaces the side file (deletes it for an empty validator). False when it cannot be written.
VEXO_API bool WriteValidatorFile(const std::string& recordPath, const std::string& validator);

// Deletes the record, then (only if that worked) the data file and the validator's side file.
// 1 only if record and data file were deleted.
VEXO_API int DeleteRecordPair(const std::string& recordPath, const std::string& dataPath);

// The open handles one block writer keeps on the pair (file descriptors, -1 when closed).
// Writes go straight to the files: the data first, then the block's completed count, so a
// record never counts bytes that are not in the data file.
class VEXO_API BlockFiles {
 public:
  BlockFiles() = default;
  ~BlockFiles();
  BlockFiles(const BlockFiles&) = delete;
  BlockFiles& operator=(const BlockFiles&) = delete;

  // Opens the record for reading and writing and the data file for writing (neither is created
  // or truncated). False, with nothing left open, when either fails.
  bool Open(const std::string& recordPath, const std::string& dataPath);
  bool IsOpen() const { return record_fd_ >= 0 && data_fd_ >= 0; }
  // Writes `size` bytes at `offset` of the data file. False on any error (a full disk included).
  bool WriteData(std::int64_t offset, const void* bytes, std::size_t size);
  // Rewrites block `index`'s completed count in the record (a base block).
  bool WriteCompleted(std::int64_t index, std::int64_t completed);
  // Rewrites the completed count at byte `offset` of the record (see CompletedCountOffset).
  bool WriteCompletedAt(std::int64_t offset, std::int64_t completed);
  // Closes both files. False when a close reported an error.
  bool Close();

 private:
  int record_fd_ = -1;
  int data_fd_ = -1;
};
