// Version resources of Windows executables (PE32 and PE32+), read by our own parser: the
// platform's version-information calls on a file of bytes. Never throws; a file that is not a
// PE image, or has no version resource, simply has none.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/export.h"

namespace ds {

struct VersionTranslation {
  std::uint16_t language = 0;  // e.g. 0x0409
  std::uint16_t codePage = 0;  // e.g. 0x04B0 (1200)
};

// The raw VS_VERSIONINFO block of the executable at `path` (passed through NativePath): the
// first RT_VERSION resource, any name and language. 1 with `block` set; 0 when the file cannot be
// read, is not a PE image, or has no version resource.
DS_API int GetFileVersionInfo(const char* path, std::string& block);

// The same on an image already in memory (the whole file's bytes).
DS_API int ExtractVersionResource(const unsigned char* image, std::size_t size, std::string& block);

// The "\VarFileInfo\Translation" pairs of a block, in stored order. 1 when at least one pair.
DS_API int QueryVersionTranslations(const std::string& block, std::vector<VersionTranslation>& out);

// The value "\StringFileInfo\<table>\<name>" of a block, where `table` is the eight hex digits
// of language and code page ("040904b0"). Table and value names match ignoring ASCII letter
// case (files store "040904B0" as often as "040904b0"). The UTF-16 value is returned as UTF-8
// without its terminator. 1 when found (the value may be empty), else 0.
DS_API int QueryVersionString(const std::string& block, const char* table, const char* name,
                              std::string& out);

}  // namespace ds
