// Resuming a block download from a ".rd2" record of arbitrary bytes: the record is written to
// a temporary folder beside a data file, and the downloader loads the pair as a resume does.
// The first input byte chooses the data file: absent, of the length the record claims, or of a
// length of its own.
// Checked for any input: the pair is adopted with every block count inside its block, or both
// files are deleted.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/text/path.h"
#include "tests/fuzz/fuzz_support.h"
#include "vexo/download/http_downloader4.h"
#include "vexo/download/record_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  corvane_fuzz::InputReader input(data, size);
  const std::uint8_t choice = input.Byte();
  const std::string record = std::string(input.Rest());

  const std::string target = corvane_fuzz::ProcessDir() + "/setup.exe";
  const std::string record_path = RecordPathOf(target);
  const std::string data_path = DataPathOf(target);
  corvane_fuzz::WriteInputFile(record_path, record.data(), record.size());
  std::int64_t claimed = -1;
  if (record.size() >= static_cast<std::size_t>(kRecordHeader4Size))
    claimed = DecodeRecordHeader4(reinterpret_cast<const unsigned char*>(record.data())).fileLength;
  corvane_fuzz::PlaceDataFile(choice, data_path, claimed);

  RecordFileHeader4 header;
  std::vector<BlockHeader4> blocks;
  const int readable = HttpDownloader4::LoadRecordFile(record_path.c_str(), &header, &blocks);
  if (!readable) FUZZ_CHECK(blocks.empty(), "blocks of an invalid record");

  HttpDownloader4 downloader;
  const int adopted = downloader.ReadTempFile(target.c_str());
  if (!adopted) {
    FUZZ_CHECK(!ds::PathExists(record_path) && !ds::PathExists(data_path), "refused pair kept");
    return 0;
  }
  FUZZ_CHECK(readable, "adopted an invalid record");
  FUZZ_CHECK(ds::PathExists(record_path) && ds::PathExists(data_path), "adopted pair deleted");
  FUZZ_CHECK(downloader.GetUrl() == header.url, "url");
  FUZZ_CHECK(std::strlen(header.url) < static_cast<std::size_t>(kRecordUrlSize), "url length");
  // A single stream's record is adopted to start again from byte 0: no length, no blocks yet.
  if (header.blockCount == 1 && IsStreamRecord(blocks)) {
    FUZZ_CHECK(downloader.GetFileLength() == 0 && downloader.GetBlocks().empty(), "stream restarts");
    FUZZ_CHECK(!downloader.GetNote().empty(), "stream restart note");
    return 0;
  }
  FUZZ_CHECK(downloader.GetFileLength() == header.fileLength, "length");
  FUZZ_CHECK(downloader.GetTargetPath() == target && downloader.GetRecordPath() == record_path &&
                 downloader.GetDataPath() == data_path,
             "paths");
  const std::vector<BlockHeader4> loaded = downloader.GetBlocks();
  FUZZ_CHECK(loaded.size() == static_cast<std::uint64_t>(header.blockCount), "block count");
  const auto count = static_cast<std::int64_t>(loaded.size());
  std::int64_t sum = 0;
  for (std::int64_t i = 0; i < count; ++i) {
    const std::int64_t completed = loaded[static_cast<std::size_t>(i)].completedSize;
    // A writer resumes at BlockStart + completed and stops at the block's end.
    FUZZ_CHECK(completed >= 0 && completed <= BlockLength(header.fileLength, count, i), "block count");
    FUZZ_CHECK(BlockStart(header.fileLength, count, i) + completed <= header.fileLength, "block end");
    sum += completed;
  }
  FUZZ_CHECK(downloader.GetCompletedSize() == sum, "completed size");
  FUZZ_CHECK(sum <= header.fileLength, "more completed than the file holds");
  return 0;
}
