// The PE resource readers on arbitrary bytes: the version resource, taken both as a whole
// executable and as a bare version block, and the first icon group rebuilt as an .ico file.
// Checked for any input: a located resource lies inside the image, the file reader and the
// in-memory reader agree, the queries never fail on what they found, and a rebuilt icon file's
// directory describes exactly the bytes that follow it.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/pe/icon_resource.h"
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

std::uint32_t U32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

void CheckIcon(const std::uint8_t* data, std::size_t size, const std::string& path) {
  std::string ico;
  const int extracted = ds::ExtractIconGroup(data, size, ico);
  std::string from_file;
  FUZZ_CHECK(ds::GetFileIconGroup(path.c_str(), from_file) == extracted, "icon: file against memory");
  if (!extracted) {
    FUZZ_CHECK(ico.empty(), "icon output without an icon");
    return;
  }
  FUZZ_CHECK(from_file == ico, "icon: file bytes against memory bytes");
  FUZZ_CHECK(ico.size() >= 6 && ico[0] == 0 && ico[1] == 0 && ico[2] == 1 && ico[3] == 0, "icon header");
  const std::size_t count = static_cast<unsigned char>(ico[4]) | (static_cast<unsigned char>(ico[5]) << 8);
  FUZZ_CHECK(count > 0 && ico.size() >= 6 + 16 * count, "icon directory");
  // The pictures follow the directory one after the other and fill the file exactly.
  std::size_t expected = 6 + 16 * count;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t length = U32(ico, 6 + 16 * i + 8);
    const std::uint32_t offset = U32(ico, 6 + 16 * i + 12);
    FUZZ_CHECK(offset == expected && length > 0, "icon picture offset");
    expected += length;
  }
  FUZZ_CHECK(expected == ico.size(), "icon size");
  FUZZ_CHECK(ico.size() <= 6 + 16 * count + size, "icon larger than its image");
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
  CheckIcon(data, size, path);
  return 0;
}
