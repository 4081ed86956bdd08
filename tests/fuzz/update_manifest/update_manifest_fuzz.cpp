// The update manifest on arbitrary bytes, parsed in memory and loaded from a file. Checked for
// any input: both ways give the same entries, and the lookups agree with the entry list.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/zip/update_manifest.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ds::UpdateManifest parsed;
  const int parse_result = parsed.Parse(text);

  const std::string path = corvane_fuzz::ProcessDir() + "/Update.xml";
  corvane_fuzz::WriteInputFile(path, data, size);
  ds::UpdateManifest loaded;
  FUZZ_CHECK(loaded.Load(path.c_str()) == parse_result, "Load against Parse");
  FUZZ_CHECK(loaded.Entries().size() == parsed.Entries().size(), "entry count");
  for (std::size_t i = 0; i < parsed.Entries().size(); ++i) {
    FUZZ_CHECK(loaded.Entries()[i].number == parsed.Entries()[i].number, "number");
    FUZZ_CHECK(loaded.Entries()[i].checksum == parsed.Entries()[i].checksum, "checksum");
  }
  if (!parse_result) FUZZ_CHECK(parsed.Entries().empty(), "entries of a failed parse");

  if (parsed.Entries().empty()) {
    FUZZ_CHECK(parsed.LatestVersion() == 0, "latest of an empty manifest");
  } else {
    FUZZ_CHECK(parsed.LatestVersion() == parsed.Entries().front().number, "latest");
  }
  for (std::size_t i = 0; i < parsed.Entries().size(); ++i) {
    const ds::UpdateManifestEntry& entry = parsed.Entries()[i];
    // The first entry with the number wins.
    std::size_t first = 0;
    while (parsed.Entries()[first].number != entry.number) ++first;
    FUZZ_CHECK(parsed.ChecksumOf(entry.number) == parsed.Entries()[first].checksum, "ChecksumOf");
  }
  parsed.Clear();
  FUZZ_CHECK(parsed.Entries().empty() && parsed.LatestVersion() == 0, "Clear");
  return 0;
}
