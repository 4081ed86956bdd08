// The packet checksum on arbitrary bytes, in memory and from a file. Checked for any input:
// both give the same 32 lower-case hexadecimal digits, the file verifies against them, and
// against nothing else that differs in one digit.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/zip/packet_checksum.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string in_memory = ds::PacketChecksumOfBytes(bytes);
  FUZZ_CHECK(in_memory.size() == 32, in_memory.c_str());
  for (char c : in_memory) FUZZ_CHECK((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'), in_memory.c_str());

  const std::string path = corvane_fuzz::ProcessDir() + "/" + ds::PacketFileName(static_cast<int>(size));
  corvane_fuzz::WriteInputFile(path, data, size);
  std::string from_file;
  FUZZ_CHECK(ds::PacketChecksumOfFile(path.c_str(), from_file) == 1, path.c_str());
  FUZZ_CHECK(from_file == in_memory, from_file.c_str());
  FUZZ_CHECK(ds::VerifyPacketFile(path.c_str(), in_memory) == 1, "verify");

  std::string other = in_memory;
  other[size % 32] = other[size % 32] == '0' ? '1' : '0';
  FUZZ_CHECK(ds::VerifyPacketFile(path.c_str(), other) == 0, "verify another checksum");
  FUZZ_CHECK(ds::VerifyPacketFile(path.c_str(), "") == 0, "verify nothing");
  return 0;
}
