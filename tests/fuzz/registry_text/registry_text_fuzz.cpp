// The registry store's text format on arbitrary bytes. Checked for any input: parsing never
// fails, and what the store writes reads back to the same tree (keys, value names, types and
// data), both for the whole store and for an export of one key.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/registry/registry_text.h"
#include "core/registry/registry_tree.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using ds::reg::Key;

void CheckSameKey(const Key& a, const Key& b) {
  FUZZ_CHECK(ds::reg::NamesEqual(a.name, b.name), a.name.c_str());
  FUZZ_CHECK(a.values.size() == b.values.size(), a.name.c_str());
  for (std::size_t i = 0; i < a.values.size(); ++i) {
    const ds::reg::Value& va = a.values[i];
    const ds::reg::Value* vb = b.FindValue(va.name);
    FUZZ_CHECK(vb != nullptr, va.name.c_str());
    FUZZ_CHECK(vb->type == va.type && vb->data == va.data, va.name.c_str());
  }
  FUZZ_CHECK(a.subkeys.size() == b.subkeys.size(), a.name.c_str());
  for (std::size_t i = 0; i < a.subkeys.size(); ++i) CheckSameKey(*a.subkeys[i], *b.subkeys[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ds::reg::Tree tree;
  const ds::reg::ParseReport report = ds::reg::ParseRegText(text, &tree, false);

  // The whole store.
  const std::string written = ds::reg::FormatTree(tree, false);
  ds::reg::Tree reread;
  const ds::reg::ParseReport again = ds::reg::ParseRegText(written, &reread, false);
  FUZZ_CHECK(again.skipped_lines == 0, written.c_str());
  for (int r = 0; r < ds::reg::kRootCount; ++r) CheckSameKey(tree.root(r), reread.root(r));
  FUZZ_CHECK(ds::reg::FormatTree(reread, false) == written, "written twice");
  // Nothing is volatile here, so the volatile half of the store has no section.
  ds::reg::Tree none;
  (void)ds::reg::ParseRegText(ds::reg::FormatTree(tree, true), &none, false);
  for (int r = 0; r < ds::reg::kRootCount; ++r)
    FUZZ_CHECK(none.root(r).subkeys.empty() && none.root(r).values.empty(), "volatile half");

  // An export of the first key the text named.
  if (report.has_section) {
    const Key* key = tree.Find(report.first_root, report.first_path);
    FUZZ_CHECK(key != nullptr, "first section");
    const std::string exported = ds::reg::FormatSubtree(report.first_root, report.first_path, *key);
    ds::reg::Tree imported;
    const ds::reg::ParseReport back = ds::reg::ParseRegText(exported, &imported, true);
    FUZZ_CHECK(back.skipped_lines == 0 && back.has_section, exported.c_str());
    const Key* copy = imported.Find(report.first_root, report.first_path);
    FUZZ_CHECK(copy != nullptr, "exported key");
    CheckSameKey(*key, *copy);
  }
  return 0;
}
