// Icons of executables: the first icon group of mingw-built PE32 and PE32+ fixtures rebuilt as an
// .ico file, and images whose icon directory is damaged or names icons they lack.
#include "core/pe/icon_resource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/common/temp_dir.h"

namespace {

std::string FixturePath(const std::string& name) {
  const std::string source = __FILE__;
  return source.substr(0, source.find_last_of('/')) + "/fixtures/" + name;
}

int Extract(const std::string& image, std::string& ico) {
  return ds::ExtractIconGroup(reinterpret_cast<const unsigned char*>(image.data()), image.size(), ico);
}

unsigned U16(const std::string& b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t U32(const std::string& b, std::size_t at) { return U16(b, at) | (U16(b, at + 2) << 16); }

// The group of program.ico as the fixtures hold it: reserved 0, type 1, count 3, then entries.
std::size_t FindGroup(const std::string& image) {
  return image.find(std::string("\0\0\1\0\3\0\x10\x10", 8));
}

TEST(IconResource, FirstGroupOfBothImageKindsBecomesAnIcoFile) {
  for (const char* name : {"icon_x64.exe", "icon_x86.exe"}) {
    SCOPED_TRACE(name);
    std::string ico;
    ASSERT_EQ(ds::GetFileIconGroup(FixturePath(name).c_str(), ico), 1);
    std::string from_memory;
    ASSERT_EQ(Extract(corvane_test::ReadWholeFile(FixturePath(name)), from_memory), 1);
    EXPECT_EQ(from_memory, ico);

    // The first group (three sizes), not the second one-size group behind it.
    ASSERT_GE(ico.size(), 6u + 3 * 16);
    EXPECT_EQ(U16(ico, 0), 0u);
    EXPECT_EQ(U16(ico, 2), 1u);
    ASSERT_EQ(U16(ico, 4), 3u);
    std::size_t expected_offset = 6 + 3 * 16;
    const unsigned sizes[] = {16, 32, 48};
    for (int i = 0; i < 3; ++i) {
      const std::size_t entry = 6 + 16 * i;
      EXPECT_EQ(static_cast<unsigned char>(ico[entry]), sizes[i]);
      EXPECT_EQ(U16(ico, entry + 6), 32u);  // bits per pixel
      const std::uint32_t length = U32(ico, entry + 8);
      EXPECT_EQ(U32(ico, entry + 12), expected_offset);
      // Each picture is a 32-bit bitmap: header, pixels, AND mask.
      EXPECT_EQ(length, 40 + sizes[i] * sizes[i] * 4 + ((sizes[i] + 31) / 32) * 4 * sizes[i]);
      EXPECT_EQ(U32(ico, expected_offset), 40u);
      expected_offset += length;
    }
    EXPECT_EQ(expected_offset, ico.size());
  }
}

TEST(IconResource, ImagesWithoutAUsableGroupGiveNoIcon) {
  std::string ico = "unchanged";
  // A group whose count claims more entries than it holds (built by the fixtures' script).
  EXPECT_EQ(ds::GetFileIconGroup(FixturePath("damaged_icon_x64.exe").c_str(), ico), 0);
  // Images with resources but no icon, and files that are no image at all.
  EXPECT_EQ(ds::GetFileIconGroup(FixturePath("no_version_x64.exe").c_str(), ico), 0);
  EXPECT_EQ(ds::GetFileIconGroup(FixturePath("icon_x64.rc").c_str(), ico), 0);
  EXPECT_EQ(ds::GetFileIconGroup(FixturePath("missing.exe").c_str(), ico), 0);
  EXPECT_EQ(ds::GetFileIconGroup(nullptr, ico), 0);
  EXPECT_EQ(ico, "unchanged");

  const std::string good = corvane_test::ReadWholeFile(FixturePath("icon_x64.exe"));
  const std::size_t group = FindGroup(good);
  ASSERT_NE(group, std::string::npos);
  auto with = [&](auto change) {
    std::string image = good;
    change(image);
    std::string out;
    return Extract(image, out) ? U16(out, 4) : 0u;
  };
  // Every cut of the image is safe; cut inside the resources it yields nothing or a whole icon.
  for (std::size_t length = 0; length < good.size(); length += 97) {
    std::string out;
    if (Extract(good.substr(0, length), out)) {
      EXPECT_EQ(U32(out, 6 + 12), 6u + U16(out, 4) * 16);
    }
  }
  // An entry naming an icon the image lacks is left out; with none left there is no icon.
  EXPECT_EQ(with([&](std::string& b) { b[group + 6 + 12] = 0x70; }), 2u);
  EXPECT_EQ(with([&](std::string& b) {
              for (int i = 0; i < 3; ++i) b[group + 6 + 14 * i + 12] = static_cast<char>(0x70 + i);
            }),
            0u);
  // A wrong type word or a count of zero.
  EXPECT_EQ(with([&](std::string& b) { b[group + 2] = 2; }), 0u);
  EXPECT_EQ(with([&](std::string& b) { b[group + 4] = 0; }), 0u);
}

}  // namespace
