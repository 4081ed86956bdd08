// The configuration store's load on arbitrary file bytes, then saves and loads of what it
// wrote. Checked for any input: a loaded store saves, and a file the store saved loads back to
// a store that saves the very same bytes. When all the input's text is valid UTF-8 this holds
// from the first save on; otherwise the first save writes '?' for what is not, and it holds
// from the second.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/data/config.h"
#include "core/text/text_codec.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& dir = corvane_fuzz::ProcessDir();
  const std::string input = dir + "/MgrSet.xml";
  const std::string first = dir + "/first.xml";
  const std::string second = dir + "/second.xml";
  const std::string third = dir + "/third.xml";
  corvane_fuzz::WriteInputFile(input, data, size);

  ds::Config loaded;
  (void)loaded.Load(input.c_str());  // entries before a broken one stay, so save either way
  FUZZ_CHECK(loaded.Save(first.c_str()) == 1, "save");

  ds::Config again;
  FUZZ_CHECK(again.Load(first.c_str()) == 1, "a saved store loads");
  FUZZ_CHECK(again.Save(second.c_str()) == 1, "second save");
  ds::Config once_more;
  FUZZ_CHECK(once_more.Load(second.c_str()) == 1, "a saved store loads");
  FUZZ_CHECK(once_more.Save(third.c_str()) == 1, "third save");
  FUZZ_CHECK(corvane_fuzz::ReadFileBytes(second) == corvane_fuzz::ReadFileBytes(third),
             "a saved file does not load back to the same store");
  // Character references can stand for code points UTF-8 cannot carry (surrogates, NUL).
  const std::string text = ds::XmlDocumentToUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  if (ds::IsValidUtf8(text) && text.find("&#") == std::string::npos)
    FUZZ_CHECK(corvane_fuzz::ReadFileBytes(first) == corvane_fuzz::ReadFileBytes(second),
               "save after load changes the file");
  return 0;
}
