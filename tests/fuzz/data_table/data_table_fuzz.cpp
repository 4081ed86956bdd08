// Data tables on arbitrary document bytes, loaded from a loose file under the work directory.
// Checked for any input: Load succeeds exactly when the shared XML reader parses the bytes to a
// document with a root element, and every attribute of every row reads back through the
// table's getters.
#include <tinyxml2.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "core/data/data_table.h"
#include "core/text/number_text.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr int kMaxRows = 256;

void CheckRow(ds::XMLDataTable& table, const tinyxml2::XMLElement* row) {
  for (const tinyxml2::XMLAttribute* a = row->FirstAttribute(); a != nullptr; a = a->Next()) {
    // The first attribute of a repeated name is the one a lookup finds.
    if (row->FindAttribute(a->Name()) != a) continue;
    std::string text;
    FUZZ_CHECK(table.GetString(a->Name(), text) == 1 && text == a->Value(), a->Name());
    FUZZ_CHECK(std::strcmp(table.GetString(a->Name()), a->Value()) == 0, a->Name());
    int number = 0;
    FUZZ_CHECK(table.GetInteger(a->Name(), number) == 1, a->Name());
    FUZZ_CHECK(number == table.GetInteger(a->Name()), a->Name());
    FUZZ_CHECK(number == ds::ParseIntPrefix(a->Value()), a->Name());
    float real = 0.0f;
    FUZZ_CHECK(table.GetFloat(a->Name(), real) == 1, a->Name());
  }
  std::string untouched = "x";
  if (row->Attribute("no such attribute") == nullptr) {
    FUZZ_CHECK(table.GetString("no such attribute", untouched) == 0 && untouched == "x", "absent");
    FUZZ_CHECK(table.GetInteger("no such attribute") == 0, "absent");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  corvane_fuzz::WriteInputFile(corvane_fuzz::WorkFile("table.xml"), data, size);

  tinyxml2::XMLDocument reference;
  const bool parsed = ds::ParseXmlDocument(reference, reinterpret_cast<const char*>(data), size) == 1;
  const bool has_root = parsed && reference.RootElement() != nullptr;

  ds::XMLDataTable table;
  const int loaded = table.Load("table.xml", nullptr);
  FUZZ_CHECK(loaded == (has_root ? 1 : 0), "Load against the XML reader");
  FUZZ_CHECK(table.IsEnd() == 1, "cursor after Load");
  if (!loaded) {
    FUZZ_CHECK(table.MoveFirst() == nullptr, "rows without a document");
    return 0;
  }
  int rows = 0;
  for (tinyxml2::XMLElement* row = table.MoveFirst(); row != nullptr && rows < kMaxRows;
       row = table.MoveNext(), ++rows) {
    FUZZ_CHECK(table.IsEnd() == 0, "cursor on a row");
    CheckRow(table, row);
  }
  // A second load of the same file starts over with an empty cursor.
  FUZZ_CHECK(table.Load("table.xml", nullptr) == 1 && table.IsEnd() == 1, "reload");
  return 0;
}
