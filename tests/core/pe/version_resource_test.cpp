#include "core/pe/version_resource.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/temp_dir.h"

namespace {

using corvane_test::TempDir;

// The fixtures live beside this source (rebuilt by fixtures/build.sh).
std::string FixturePath(const std::string& name) {
  const std::string source = __FILE__;
  return source.substr(0, source.find_last_of('/')) + "/fixtures/" + name;
}

int Extract(const std::string& image, std::string& block) {
  return ds::ExtractVersionResource(reinterpret_cast<const unsigned char*>(image.data()),
                                    image.size(), block);
}

std::string Query(const std::string& block, const char* table, const char* name) {
  std::string value = "<missing>";
  ds::QueryVersionString(block, table, name, value);
  return value;
}

std::uint32_t U32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}
void Put(std::string& b, std::size_t at, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

TEST(VersionResource, Pe32PlusWithTranslationAndChineseStrings) {
  std::string block;
  ASSERT_EQ(ds::GetFileVersionInfo(FixturePath("chinese_x64.exe").c_str(), block), 1);
  std::string from_memory;
  ASSERT_EQ(Extract(corvane_test::ReadWholeFile(FixturePath("chinese_x64.exe")), from_memory), 1);
  EXPECT_EQ(from_memory, block);

  std::vector<ds::VersionTranslation> pairs;
  ASSERT_EQ(ds::QueryVersionTranslations(block, pairs), 1);
  ASSERT_EQ(pairs.size(), 1u);
  char table[16];
  std::snprintf(table, sizeof table, "%04x%04x", pairs[0].language, pairs[0].codePage);
  EXPECT_STREQ(table, "080404b0");

  EXPECT_EQ(Query(block, table, "CompanyName"), "示例软件有限公司");
  EXPECT_EQ(Query(block, table, "ProductName"), "Corvane 测试");
  EXPECT_EQ(Query(block, table, "FileVersion"), "3.1.4.1592");
  EXPECT_EQ(Query(block, "080404B0", "productversion"), "7.0.0.0");
  std::string empty = "x";
  EXPECT_EQ(ds::QueryVersionString(block, table, "Comments", empty), 1);
  EXPECT_EQ(empty, "");
  EXPECT_EQ(Query(block, table, "LegalCopyright"), "<missing>");
  EXPECT_EQ(Query(block, table, "FileVersio"), "<missing>");
  EXPECT_EQ(Query(block, "040904b0", "FileVersion"), "<missing>");
}

TEST(VersionResource, Pe32WithUpperCaseTableAndNoTranslation) {
  std::string block;
  ASSERT_EQ(ds::GetFileVersionInfo(FixturePath("upper_table_x86.exe").c_str(), block), 1);
  std::vector<ds::VersionTranslation> pairs;
  EXPECT_EQ(ds::QueryVersionTranslations(block, pairs), 0);
  EXPECT_EQ(Query(block, "040904b0", "FileVersion"), "1.2.3.4");
  EXPECT_EQ(Query(block, "040904B0", "PRODUCTVERSION"), "1.2");
  EXPECT_EQ(Query(block, "080404b0", "FileVersion"), "<missing>");
}

TEST(VersionResource, FilesWithoutVersionData) {
  TempDir dir;
  corvane_test::WriteWholeFile(dir.File("notes.txt"), "MZ but nothing else follows");
  corvane_test::WriteWholeFile(dir.File("empty.exe"), "");
  ASSERT_EQ(corvane_test::RunCommand("mkfifo '" + dir.File("pipe.exe") + "'"), 0);
  std::string block = "untouched";
  for (const std::string& path :
       {FixturePath("no_version_x64.exe"), dir.File("notes.txt"), dir.File("empty.exe"),
        dir.File("missing.exe"), dir.path(), std::string("/proc/self/exe") /* ELF */,
        dir.File("pipe.exe") /* must not block */}) {
    EXPECT_EQ(ds::GetFileVersionInfo(path.c_str(), block), 0) << path;
  }
  EXPECT_EQ(ds::GetFileVersionInfo(nullptr, block), 0);
  EXPECT_EQ(block, "untouched");
}

TEST(VersionResource, CorruptedImagesYieldNothing) {
  const std::string good = corvane_test::ReadWholeFile(FixturePath("chinese_x64.exe"));
  std::string block;
  ASSERT_EQ(Extract(good, block), 1);  // the patches below are what breaks it

  // Where the patched fields lie in this PE32+ image.
  const std::size_t pe = U32(good, 0x3C), optional = pe + 24, resource_dir = optional + 128;
  const std::size_t sections = optional + (U32(good, pe + 20) & 0xFFFF);
  std::size_t root = 0;
  for (std::size_t s = sections; s < sections + (U32(good, pe + 6) & 0xFFFF) * 40; s += 40) {
    if (good.compare(s, 5, ".rsrc") == 0) root = U32(good, s + 20) + U32(good, resource_dir) - U32(good, s + 12);
  }
  ASSERT_NE(root, 0u);
  const std::size_t names = root + (U32(good, root + 20) & 0x7FFFFFFF);
  const std::size_t languages = root + (U32(good, names + 20) & 0x7FFFFFFF);
  const std::size_t data = root + U32(good, languages + 20);

  struct Patch {
    const char* what;
    std::size_t at;
    std::uint32_t value;
    int bytes;
  };
  const Patch patches[] = {
      {"e_lfanew past the end", 0x3C, static_cast<std::uint32_t>(good.size() + 16), 4},
      {"e_lfanew near 4 GiB", 0x3C, 0xFFFFFFF0u, 4},
      {"PE signature", pe, 0x00004551u, 4},
      {"section count", pe + 6, 0xFFFF, 2},
      {"optional header magic", optional, 0x10C, 2},
      {"two data directories", optional + 108, 2, 4},
      {"resource RVA outside every section", resource_dir, 0x7FFF0000u, 4},
      {"resource size 0", resource_dir + 4, 0, 4},
      {"thousands of root entries", root + 14, 4000, 2},
      {"root type entry points at the root", root + 20, 0x80000000u, 4},
      {"name entry points at its own directory", names + 20,
       0x80000000u | static_cast<std::uint32_t>(names - root), 4},
      {"language entry points at the root", languages + 20, 0, 4},
      {"data size far past the section", data + 4, 0x7FFFFFFFu, 4},
      {"data RVA near 4 GiB", data, 0xFFFFFFF0u, 4},
      {"not a version block", data + 4, 8, 4},
  };
  for (const Patch& p : patches) {
    std::string image = good;
    Put(image, p.at, p.value, p.bytes);
    EXPECT_EQ(Extract(image, block), 0) << p.what;
  }

  // Every truncated copy: nothing until the version data is whole, then the same block.
  const std::size_t end = good.find(block) + block.size();
  ASSERT_LE(end, good.size());
  for (std::size_t size = 0; size < good.size(); ++size) {
    std::string out;
    EXPECT_EQ(Extract(good.substr(0, size), out), size < end ? 0 : 1) << size;
    if (size >= end) {
      EXPECT_EQ(out, block);
    }
  }
}

TEST(VersionResource, ByteMutationsNeverCrash) {
  // Every byte of both fixtures set to a few telling values; each block found is then queried.
  for (const char* name : {"chinese_x64.exe", "upper_table_x86.exe"}) {
    const std::string good = corvane_test::ReadWholeFile(FixturePath(name));
    ASSERT_FALSE(good.empty());
    for (std::size_t at = 0; at < good.size(); ++at) {
      for (unsigned char value : {0x00, 0x7F, 0x80, 0xFF}) {
        std::string image = good, block, out;
        image[at] = static_cast<char>(value);
        if (Extract(image, block) == 1) {
          std::vector<ds::VersionTranslation> pairs;
          ds::QueryVersionTranslations(block, pairs);
          ds::QueryVersionString(block, "080404b0", "CompanyName", out);
          ds::QueryVersionString(block, "040904b0", "FileVersion", out);
        }
      }
    }
  }
}

// Hand-written version blocks: {wLength, wValueLength, wType, key, pad, value, pad, children}.
std::string Utf16(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return out;
}

std::string Node(const std::u16string& key, const std::string& value, int value_length,
                 const std::vector<std::string>& children = {}, int type = 1, int length_delta = 0) {
  std::string out(6, '\0');
  out += Utf16(key) + std::string(2, '\0');
  out.resize((out.size() + 3) & ~std::size_t{3}, '\0');
  out += value;
  for (const std::string& child : children) {
    out.resize((out.size() + 3) & ~std::size_t{3}, '\0');
    out += child;
  }
  Put(out, 0, static_cast<std::uint32_t>(static_cast<int>(out.size()) + length_delta), 2);
  Put(out, 2, static_cast<std::uint32_t>(value_length), 2);
  Put(out, 4, static_cast<std::uint32_t>(type), 2);
  return out;
}

std::string VersionBlock(const std::vector<std::string>& strings, const std::vector<std::string>& vars = {}) {
  std::vector<std::string> children = {Node(u"StringFileInfo", "", 0, {Node(u"040904B0", "", 0, strings)})};
  if (!vars.empty()) children.push_back(Node(u"VarFileInfo", "", 0, vars));
  return Node(u"VS_VERSION_INFO", std::string(52, '\0'), 52, children, 0);
}

TEST(VersionBlock, ValueLengthInWordsOrBytesAndUtf16Conversion) {
  const std::string text = Utf16(u"2.5.0") + std::string(2, '\0');
  const std::string block = VersionBlock({
      Node(u"Words", text, 6),
      Node(u"Bytes", text, 12),
      Node(u"NoTerminator", Utf16(u"2.5.0"), 5),
      Node(u"Zero", text, 0),
      Node(u"Short", text, 3),
      Node(u"Emoji", Utf16(u"a\U0001F600b"), 4),
      Node(u"LoneSurrogates", Utf16(u"x\xD83D\xD83D\xDE00\xDE00y"), 6),
      Node(u"HighAtEnd", Utf16(u"z\xD83D"), 2),
  });
  EXPECT_EQ(Query(block, "040904b0", "words"), "2.5.0");
  EXPECT_EQ(Query(block, "040904b0", "bytes"), "2.5.0");
  EXPECT_EQ(Query(block, "040904b0", "noterminator"), "2.5.0");
  EXPECT_EQ(Query(block, "040904b0", "zero"), "2.5.0");
  EXPECT_EQ(Query(block, "040904b0", "short"), "2.5");
  EXPECT_EQ(Query(block, "040904b0", "emoji"), "a😀b");
  EXPECT_EQ(Query(block, "040904b0", "lonesurrogates"), "x\uFFFD😀\uFFFDy");
  EXPECT_EQ(Query(block, "040904b0", "highatend"), "z\uFFFD");
}

TEST(VersionBlock, TranslationsInOrderAndBrokenLengthsStaySafe) {
  const std::string pairs("\x09\x04\xB0\x04\x04\x08\xA8\x03", 8);
  std::vector<ds::VersionTranslation> out;
  ASSERT_EQ(ds::QueryVersionTranslations(VersionBlock({}, {Node(u"Translation", pairs, 200, {}, 0)}), out), 1);
  ASSERT_EQ(out.size(), 2u);  // a length past the block is cut to it
  EXPECT_EQ(out[0].language, 0x0409);
  EXPECT_EQ(out[0].codePage, 0x04B0);
  EXPECT_EQ(out[1].language, 0x0804);
  EXPECT_EQ(out[1].codePage, 936);

  // A child claiming more than its parent holds is cut to the parent; one claiming less than
  // its own header ends the walk instead of looping.
  const std::string text = Utf16(u"1.0") + std::string(2, '\0');
  EXPECT_EQ(Query(VersionBlock({Node(u"FileVersion", text, 4, {}, 1, 400)}), "040904b0", "FileVersion"), "1.0");
  const std::string broken = Node(u"Broken", text, 4, {}, 1, -24);
  EXPECT_EQ(Query(VersionBlock({broken, Node(u"FileVersion", text, 4)}), "040904b0", "FileVersion"), "<missing>");

  std::string not_version = VersionBlock({Node(u"FileVersion", text, 4)});
  not_version[6] = 'W';  // root key "WS_VERSION_INFO"
  EXPECT_EQ(Query(not_version, "040904b0", "FileVersion"), "<missing>");
  EXPECT_EQ(Query("", "040904b0", "FileVersion"), "<missing>");
}

}  // namespace
