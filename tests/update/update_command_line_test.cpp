#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/common/temp_dir.h"
#include "update/update_command_line.h"
#include "update/update_settings.h"

namespace {

using update::CallsForUpdate;
using update::ParseUpdateCommandLine;

TEST(UpdateCommandLineTest, SwitchesInAnyOrderAmongOtherTokens) {
  for (const char* text : {"-c12 -s14", "-s14 -c12", " /x C:\\a\\update.exe\t-c12 /q -s14x extra -z7 "}) {
    const auto v = ParseUpdateCommandLine(text);
    EXPECT_EQ(12, v.current) << text;
    EXPECT_EQ(14, v.target) << text;
    EXPECT_TRUE(CallsForUpdate(v)) << text;
  }
  for (const char* text : {"-c14 -s14", "-c15 -s14", "-c0 -s3", "-c3", "-c -s3", "-c-2 -s3", "-c12-s14",
                           "--c1 -s3", "-C1 -s3", ""})
    EXPECT_FALSE(CallsForUpdate(ParseUpdateCommandLine(text))) << text;
  EXPECT_EQ(2147483647, ParseUpdateCommandLine("-s99999999999999999999").target);  // clamped
}

TEST(UpdateCommandLineTest, PacketBaseUrlOverrides) {
  corvane_test::TempDir dir;
  ::unsetenv("CORVANE_UPDATE_URL");
  EXPECT_EQ(update::kDefaultPacketBaseUrl, update::PacketBaseUrl(dir.path()));
  corvane_test::WriteWholeFile(dir.File("UpdateUrl.txt"), "  http://127.0.0.1:8/update/packet/ \r\nx\n");
  EXPECT_EQ("http://127.0.0.1:8/update/packet", update::PacketBaseUrl(dir.path()));
  ::setenv("CORVANE_UPDATE_URL", "http://localhost:9/update/packet", 1);
  EXPECT_EQ("http://localhost:9/update/packet", update::PacketBaseUrl(dir.path()));
  ::setenv("CORVANE_UPDATE_URL", "  ", 1);  // blank is no override
  EXPECT_EQ("http://127.0.0.1:8/update/packet", update::PacketBaseUrl(dir.path()));
  ::unsetenv("CORVANE_UPDATE_URL");
  EXPECT_EQ("http://h/p/s7.pkg", update::PacketUrl("http://h/p", 7));
}

}  // namespace
