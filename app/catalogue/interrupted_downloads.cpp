// Start-up restore: downloads a previous run left unfinished are found by the record file the
// download engine keeps beside the partial installer.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "app/catalogue/software_mgr.h"
#include "core/text/path.h"
#include "vexo/download/record_file.h"

namespace {

// Reads as much of a record as the file holds: the header, then up to its block count of block
// records. False when not even the header can be read.
bool ReadRecordProgress(const std::string& path, std::int64_t& completed, std::int64_t& length) {
  // A whole record: every block counts, split ones included.
  RecordFileHeader4 whole;
  std::vector<BlockHeader4> blocks;
  if (ReadRecordFile(path, &whole, &blocks) == 1) {
    length = whole.fileLength;
    completed = 0;
    for (const BlockHeader4& block : blocks)
      if (block.completedSize > 0 && completed <= INT64_MAX - block.completedSize) completed += block.completedSize;
    return true;
  }
  const int fd = ::open(ds::NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::vector<unsigned char> bytes(kRecordHeader4Size);
  const bool haveHeader = ::pread(fd, bytes.data(), bytes.size(), 0) == kRecordHeader4Size;
  completed = 0;
  if (haveHeader) {
    const RecordFileHeader4 header = DecodeRecordHeader4(bytes.data());
    length = header.fileLength;
    unsigned char block[kBlockHeader4Size];
    for (std::int64_t i = 0; i < header.blockCount; ++i) {
      const off_t at = kRecordHeader4Size + static_cast<off_t>(i) * kBlockHeader4Size;
      if (::pread(fd, block, sizeof block, at) != kBlockHeader4Size) break;
      const std::int64_t done = DecodeBlockHeader4(block).completedSize;
      if (done > 0 && completed <= INT64_MAX - done) completed += done;
    }
  }
  ::close(fd);
  return haveHeader;
}

}  // namespace

void SoftwareMgr::ScanInterruptedDownloads(const std::string& directory) {
  const std::string tempDir = DownloadTempFolder(directory);
  for (auto& entry : states_) {
    SoftwareState& state = entry.second;
    // Without an installer name the record path would be "Temp/.rd2", shared by every such row.
    const std::string installer = InstallerFileName(state.url);
    if (installer.empty()) continue;
    bool staleUpgrade = false;
    if (ds::IsRegularFile(FinishedInstallerPath(directory, state.url))) {
      staleUpgrade = IsStaleUpgradeInstaller(state);
      if (!staleUpgrade) continue;
    }
    const std::string record = RecordPathOf(ds::JoinPath(tempDir, installer));
    if (state.type == -1 || !ds::IsRegularFile(record)) continue;

    if (staleUpgrade) {
      state.usesUpdateStatus = 1;
      state.updateStatus = StatusPaused;
      state.updateStatusChanged = 1;
    } else {
      state.status = StatusPaused;
      state.statusChanged = 1;
    }
    state.keepTemp = 1;
    std::int64_t completed = 0;
    std::int64_t length = 0;
    if (ReadRecordProgress(record, completed, length)) {
      state.downloadedBytes = completed;
      // A record written before the length was known says 0; the total stays positive.
      if (length > 0) state.totalBytes = length;
    } else {
      state.downloadedBytes = 0;
    }
    state.downloadDir = directory;
  }
}
