// Pinyin rendering on arbitrary bytes, both as UTF-8 text and as GBK bytes, with every
// combination of options. Checked for any input: text renders as plain ASCII whatever the
// options, GBK bytes do unless single bytes are kept, and question marks only ever add to the
// rendering.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/pages/pinyin.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

bool IsAscii(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// `shorter` is `longer` with some characters left out.
bool IsSubsequence(const std::string& shorter, const std::string& longer) {
  std::size_t i = 0;
  for (char c : longer)
    if (i < shorter.size() && shorter[i] == c) ++i;
  return i == shorter.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (auto render : {&GbkToPinyin, &GbkBytesToPinyin}) {
    const std::string plain = render(text, PinyinOptions{});
    const std::string marked = render(text, PinyinOptions{true, false});
    const std::string kept = render(text, PinyinOptions{false, true});
    const std::string both = render(text, PinyinOptions{true, true});
    FUZZ_CHECK(IsAscii(plain) && IsAscii(marked), "ASCII output");
    if (render == &GbkToPinyin) FUZZ_CHECK(IsAscii(kept) && IsAscii(both), "ASCII output of text");
    FUZZ_CHECK(IsSubsequence(plain, marked), "question marks removed something");
    FUZZ_CHECK(IsSubsequence(kept, both), "question marks removed something");
    FUZZ_CHECK(plain.size() <= 6 * size && marked.size() <= 6 * size + size, "output length");
  }
  return 0;
}
