// The PE version-resource reader on arbitrary bytes, taken both as a whole executable and as a
// bare version block. Checked for any input: a located resource lies inside the image, the
// file reader and the in-memory reader agree, and the queries never fail on what they found.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/pe/pe_image.h"
#include "core/pe/version_resource.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

const char* const kNames[] = {"FileVersion", "ProductVersion", "CompanyName", "fileversion", ""};

void QueryBlock(const std::string& block) {
  std::vector<ds::VersionTranslation> translations;
  const int found = ds::QueryVersionTranslations(block, translations);
  FUZZ_CHECK(found == (translations.empty() ? 0 : 1), "translations");
  std::vector<std::string> tables = {"040904b0", "040904B0", "080404b0", "0000", ""};
  for (const ds::VersionTranslation& t : translations) {
    char table[9];
    std::snprintf(table, sizeof table, "%04x%04x", t.language, t.codePage);
    tables.push_back(table);
    if (tables.size() > 16) break;
  }
  for (const std::string& table : tables) {
    for (const char* name : kNames) {
      std::string value = "unchanged";
      if (!ds::QueryVersionString(block, table.c_str(), name, value)) {
        FUZZ_CHECK(value == "unchanged", name);
        continue;
      }
      // A value ends at its terminator: no NUL inside.
      FUZZ_CHECK(value.find('\0') == std::string::npos, name);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t offset = 0;
  std::size_t length = 0;
  if (ds::FindPeResource(data, size, ds::kPeResourceVersion, offset, length)) {
    FUZZ_CHECK(offset <= size && length <= size - offset, "resource outside the image");
  }

  std::string block;
  const int extracted = ds::ExtractVersionResource(data, size, block);
  const std::string path = corvane_fuzz::ProcessDir() + "/program.exe";
  corvane_fuzz::WriteInputFile(path, data, size);
  std::string from_file;
  FUZZ_CHECK(ds::GetFileVersionInfo(path.c_str(), from_file) == extracted, "file against memory");
  if (extracted) {
    FUZZ_CHECK(from_file == block, "file block against memory block");
    QueryBlock(block);
  }
  QueryBlock(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
