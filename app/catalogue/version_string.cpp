#include <cstdio>
#include <vector>

#include "app/catalogue/software_mgr.h"
#include "core/pe/version_resource.h"
#include "core/platform/wine_prefix.h"

namespace {

// The language and code-page tables tried, in this order, when a file names no translation.
std::vector<unsigned> FallbackLanguages() {
  std::vector<unsigned> languages;
  for (unsigned language = 0x401; language <= 0x421; ++language) languages.push_back(language);
  for (unsigned language : {0x804u, 0x807u, 0x809u, 0x80Au, 0x80Cu, 0x816u, 0x810u, 0x813u,
                            0x814u, 0x81Au, 0xC0Cu, 0x100Cu}) {
    languages.push_back(language);
  }
  return languages;
}

constexpr unsigned kFallbackCodePages[] = {932, 949, 950, 1200, 1250, 1251, 1252, 1253, 1254, 1255, 1256};

std::string TableName(unsigned language, unsigned codePage) {
  char table[16];
  std::snprintf(table, sizeof table, "%04x%04x", language & 0xFFFFu, codePage & 0xFFFFu);
  return table;
}

}  // namespace

std::string SoftwareMgr::ReadVersionString(const std::string& file, const char* name) {
  std::string block;
  if (!ds::GetFileVersionInfo(ds::ResolveWindowsPath(file).c_str(), block)) return "";
  std::string value;
  std::vector<ds::VersionTranslation> translations;
  if (ds::QueryVersionTranslations(block, translations)) {
    const ds::VersionTranslation& first = translations.front();
    ds::QueryVersionString(block, TableName(first.language, first.codePage).c_str(), name, value);
    return value;
  }
  for (unsigned language : FallbackLanguages()) {
    for (unsigned codePage : kFallbackCodePages) {
      if (ds::QueryVersionString(block, TableName(language, codePage).c_str(), name, value)) {
        return value;
      }
    }
  }
  return "";
}
