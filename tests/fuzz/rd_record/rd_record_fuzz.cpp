// Resuming a socket download from a ".rd" record of arbitrary bytes: the record is written to
// a temporary folder beside a data file and loaded with the checks the resume makes. The first
// input byte chooses the data file: absent, of the length the record claims, or of a length of
// its own.
// Checked for any input: a record is accepted only with its completed count within its length,
// and a decoded header written back gives the same header.
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "tests/fuzz/fuzz_support.h"
#include "vexo/download/http_downloader.h"
#include "vexo/download/rd_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  corvane_fuzz::InputReader input(data, size);
  const std::uint8_t choice = input.Byte();
  const std::string record = std::string(input.Rest());

  const std::string target = corvane_fuzz::ProcessDir() + "/setup.exe";
  const std::string record_path = RdRecordPathOf(target);
  const std::string data_path = DataPathOf(target);
  corvane_fuzz::WriteInputFile(record_path, record.data(), record.size());
  const bool full = record.size() >= static_cast<std::size_t>(kRecordHeaderSize);
  RecordFileHeader decoded;
  if (full) decoded = DecodeRecordHeader(reinterpret_cast<const unsigned char*>(record.data()));
  corvane_fuzz::PlaceDataFile(choice, data_path, full ? std::int64_t{decoded.fileLength} : -1);

  RecordFileHeader header;
  const int readable = HttpDownloader::LoadRecordFile(record_path.c_str(), &header);
  FUZZ_CHECK(!readable || full, "a short record accepted");
  if (!readable) return 0;
  FUZZ_CHECK(header.completedSize <= header.fileLength, "completed beyond the length");
  FUZZ_CHECK(std::strlen(header.url) < static_cast<std::size_t>(kRecordUrlSize), "url length");
  FUZZ_CHECK(header.completedSize == decoded.completedSize && header.fileLength == decoded.fileLength,
             "header against its bytes");
  const std::string encoded = EncodeRecordHeader(header);
  const RecordFileHeader back = DecodeRecordHeader(reinterpret_cast<const unsigned char*>(encoded.data()));
  FUZZ_CHECK(back.completedSize == header.completedSize && back.fileLength == header.fileLength &&
                 std::strcmp(back.url, header.url) == 0,
             "encode and decode");

  // The data file must hold exactly the record's length.
  struct stat st {};
  const bool fits = ::stat(data_path.c_str(), &st) == 0 &&
                    static_cast<std::uint64_t>(st.st_size) == header.fileLength;
  FUZZ_CHECK(HttpDownloader::LoadTempFile(data_path.c_str(), header) == (fits ? 1 : 0), "data file");
  return 0;
}
