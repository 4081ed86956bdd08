// Wine's registry file format on arbitrary bytes. For any input: parsing never fails, reading
// the same text twice gives the same keys, and a text that stopped at damage gives exactly what
// the text cut before the damaged line gives (nothing past the damage is read).
#include <cstdint>
#include <string>
#include <string_view>

#include "core/registry/registry_tree.h"
#include "core/registry/wine_registry_text.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using ds::reg::Key;

void CheckSameKey(const Key& a, const Key& b) {
  FUZZ_CHECK(a.name == b.name, a.name.c_str());
  FUZZ_CHECK(a.values.size() == b.values.size(), a.name.c_str());
  for (std::size_t i = 0; i < a.values.size(); ++i) {
    FUZZ_CHECK(a.values[i].name == b.values[i].name, a.name.c_str());
    FUZZ_CHECK(a.values[i].type == b.values[i].type && a.values[i].data == b.values[i].data,
               a.values[i].name.c_str());
  }
  FUZZ_CHECK(a.subkeys.size() == b.subkeys.size(), a.name.c_str());
  for (std::size_t i = 0; i < a.subkeys.size(); ++i) CheckSameKey(*a.subkeys[i], *b.subkeys[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Key hive;
  const ds::reg::WineParseReport report = ds::reg::ParseWineRegistry(text, &hive);
  FUZZ_CHECK(report.recognised || hive.subkeys.empty(), "keys from a text without the header");

  Key again;
  ds::reg::ParseWineRegistry(text, &again);
  CheckSameKey(hive, again);

  if (report.damaged_line > 0) {
    std::size_t cut = 0;
    for (int line = 1; line < report.damaged_line; ++line) {
      cut = text.find('\n', cut);
      FUZZ_CHECK(cut != std::string_view::npos, "damaged line past the end");
      ++cut;
    }
    Key before;
    const ds::reg::WineParseReport clean = ds::reg::ParseWineRegistry(text.substr(0, cut), &before);
    FUZZ_CHECK(clean.damaged_line == 0, "the text before the damage reads cleanly");
    CheckSameKey(hive, before);
  }
  return 0;
}
