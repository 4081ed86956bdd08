// Version comparison, the free-space check and the running-process test.
#include <cctype>
#include <climits>
#include <cstdint>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/text/path.h"
#include "core/platform/disk.h"
#include "vexo/ui/util/utilities.h"

TEST(VersionCompare, ComponentsCompareAsNumbersNotText) {
  EXPECT_EQ(VEXO_CompareVersion("1.10", "1.9"), 1);
  EXPECT_EQ(VEXO_CompareVersion("1.9", "1.10"), 0);
  EXPECT_EQ(VEXO_CompareVersion("2.0.1", "2.0.0"), 1);
  EXPECT_EQ(VEXO_CompareVersion("10", "9.9.9"), 1);
  EXPECT_EQ(VEXO_CompareVersion("9.9.9", "10"), 0);
  EXPECT_EQ(VEXO_CompareVersion("3.1", "3.01"), -1);
  // Missing components of the shorter string read as 0.
  EXPECT_EQ(VEXO_CompareVersion("1.0", "1.0.0.0"), -1);
  EXPECT_EQ(VEXO_CompareVersion("1.0", "1.0.0.1"), 0);
  EXPECT_EQ(VEXO_CompareVersion("1.0.0.1", "1.0"), 1);
}

TEST(VersionCompare, OnlyTheSecondStringsLastComponentIsCutToItsDigits) {
  EXPECT_EQ(VEXO_CompareVersion("2.5", "2.5b"), -1);
  EXPECT_EQ(VEXO_CompareVersion("2.5", "2.5 beta"), -1);
  EXPECT_EQ(VEXO_CompareVersion("2.5b", "2.5"), 1);   // 5b reads as 50
  EXPECT_EQ(VEXO_CompareVersion("2.5x", "2.5x"), 1);    // the same text: 50 against 5
  EXPECT_EQ(VEXO_CompareVersion("2.4", "2.beta5"), 0);  // no leading digit: beta5 reads as 5
  EXPECT_EQ(VEXO_CompareVersion("2.5", "2.5b.1"), 0);   // 5b is not the last component: 50
}

// Build numbers of any length: by their number of digits first, then digit by digit.
TEST(VersionCompare, LongComponentsCompareByTheirWholeValue) {
  EXPECT_EQ(VEXO_CompareVersion("1.20261207010203", "1.20261207010202"), 1);
  EXPECT_EQ(VEXO_CompareVersion("1.20261207010202", "1.20261207010203"), 0);
  EXPECT_EQ(VEXO_CompareVersion("3000000000", "2999999999"), 1);
  EXPECT_EQ(VEXO_CompareVersion("1.99999999999999999999", "1.100000000000000000000"), 0);
  EXPECT_EQ(VEXO_CompareVersion("1.0002147483648", "1.2147483648"), -1);  // leading zeros
  EXPECT_EQ(VEXO_CompareVersion("2.1a", "2.10"), -1);  // a non-digit still counts as 0
  EXPECT_EQ(VEXO_CompareVersion("5.123456789012b", "5.123456789012b"), 1);  // only the second is cut
}

TEST(VersionCompare, EmptyStringIsUndecidable) {
  EXPECT_EQ(VEXO_CompareVersion("", "1.0"), -1);
  EXPECT_EQ(VEXO_CompareVersion("1.0", ""), -1);
  EXPECT_EQ(VEXO_CompareVersion("", ""), -1);
}

TEST(VersionInt, EveryCharacterIsOneDigitAndHugeValuesSaturate) {
  EXPECT_EQ(VEXO_GetVersionInt(""), 0);
  EXPECT_EQ(VEXO_GetVersionInt("10"), 10);
  EXPECT_EQ(VEXO_GetVersionInt("007"), 7);
  EXPECT_EQ(VEXO_GetVersionInt("1a2"), 102);
  EXPECT_EQ(VEXO_GetVersionInt("beta"), 0);
  EXPECT_EQ(VEXO_GetVersionInt("2147483647"), INT_MAX);
  EXPECT_EQ(VEXO_GetVersionInt("2147483648"), INT_MAX);
  EXPECT_EQ(VEXO_GetVersionInt("99999999999999999999"), INT_MAX);
  // Saturation keeps the order of long components sensible instead of wrapping negative.
  EXPECT_EQ(VEXO_CompareVersion("1.99999999999", "1.5"), 1);
}

TEST(DiskSpace, NeedsStrictlyMoreThanAsked) {
  std::uint64_t free_bytes = 0;
  ASSERT_EQ(ds::GetFreeDiskSpace("/tmp", &free_bytes), 1);
  ASSERT_GT(free_bytes, 0u);
  EXPECT_EQ(VEXO_CheckDiskSpaceEnough("/tmp", 0), 1);
  EXPECT_EQ(VEXO_CheckDiskSpaceEnough("/tmp", UINT64_MAX), 0);
  // The same measure through a folder not created yet (a download folder).
  EXPECT_EQ(VEXO_CheckDiskSpaceEnough("/tmp/no-such-folder-here/Temp", 0), 1);
  EXPECT_EQ(VEXO_CheckDiskSpaceEnough(nullptr, 0), 0);
}

TEST(ProcessCheck, FindsThisProgramIgnoringCase) {
  char self[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
  std::string name = ds::FileNameOf(self);
  EXPECT_TRUE(VEXO_CheckProcess(name.c_str()));
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_TRUE(VEXO_CheckProcess(upper.c_str()));
  EXPECT_FALSE(VEXO_CheckProcess("no-such-program-running.exe"));
  EXPECT_FALSE(VEXO_CheckProcess(""));
  EXPECT_FALSE(VEXO_CheckProcess(nullptr));
}
