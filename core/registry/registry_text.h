// The regedit export text format: reading it into a key tree and writing a tree (or one key
// with everything beneath it) out again.
#pragma once

#include <string>
#include <string_view>

#include "core/export.h"
#include "core/registry/registry_tree.h"

namespace ds {
namespace reg {

// Where a regedit section name points: root index and the names below it.
// "HKEY_CLASSES_ROOT\x" (or "HKCR\x") becomes HKEY_LOCAL_MACHINE\SOFTWARE\Classes\x.
DS_API bool ParseSectionName(std::string_view name, int* root, KeyPath* path);

struct ParseReport {
  int skipped_lines = 0;  // lines that made no sense and were left out
  bool has_section = false;
  int first_root = 0;  // the first section of the text
  KeyPath first_path;
};

// Adds the keys and values of a regedit export (UTF-8, with or without BOM, LF or CRLF; a
// UTF-16LE export with its BOM is converted first) to `tree`. Keys it creates get the
// volatility given. Never fails: what cannot be understood is skipped and counted.
DS_API ParseReport ParseRegText(std::string_view text, Tree* tree, bool volatile_keys);

// The store file text: header, then one section per key whose volatility equals `volatile_keys`
// (a volatile key's sub-keys are all volatile, so the walk stops there for the main file).
DS_API std::string FormatTree(const Tree& tree, bool volatile_keys);

// An export of `key` and everything beneath it; `key` is named by root and path.
DS_API std::string FormatSubtree(int root, const KeyPath& path, const Key& key);

}  // namespace reg
}  // namespace ds
