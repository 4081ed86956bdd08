// The real program under Xvfb with its own HOME, registry and program folder: it shows the
// window "Kiv软件", a second start brings it forward and ends, and Escape (the window's close
// path) ends the run cleanly with the settings saved and the instance lock free again.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "core/platform/named_mutex.h"
#include "core/platform/process.h"
#include "tests/app/corvane_fixture.h"

namespace {

using corvane_test::CorvaneCopy;
using corvane_test::ReadWholeFile;

TEST(CorvaneSlowTest, StartsShowsForwardsAndClosesUnderXvfb) {
  if (ds::FindOnPath("xvfb-run").empty() || ds::FindOnPath("xdotool").empty())
    GTEST_SKIP() << "xvfb-run and xdotool are needed";
  CorvaneCopy copy;
  const std::string out = copy.root() + "/result.txt";
  const std::string shot = corvane_test::DistDirectory() + "/../corvane_slow_test.png";
  const std::string script =
      "cd '" + copy.dir() + "' && env -u QT_QPA_PLATFORM timeout 120 xvfb-run -a -s '-screen 0 1280x800x24' "
      "bash -c '"
      "./Corvane & pid=$!; "
      "for i in $(seq 100); do w=$(xdotool search --name \"^Kiv软件$\" 2>/dev/null | head -1); "
      "[ -n \"$w\" ] && break; sleep 0.2; done; "
      "echo window=$w; "
      "./Corvane; echo second=$?; "
      "kill -0 $pid && echo alive_after_second; "
      "import -window root \"$1\" 2>/dev/null; "
      "xdotool mousemove --window $w 400 300 click 1; sleep 0.5; xdotool key Escape; "
      "for i in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done; "
      "kill -0 $pid 2>/dev/null && { echo still_running; kill -9 $pid; }; "
      "wait $pid; echo first=$?' _ '" + shot + "' > '" + out + "' 2>&1";
  corvane_test::RunCommand(script);
  const std::string result = ReadWholeFile(out);
  EXPECT_NE(std::string::npos, result.find("window=")) << result;
  EXPECT_EQ(std::string::npos, result.find("window=\n")) << result;
  EXPECT_NE(std::string::npos, result.find("second=0")) << result;
  EXPECT_NE(std::string::npos, result.find("alive_after_second")) << result;
  EXPECT_NE(std::string::npos, result.find("first=0")) << result;
  EXPECT_EQ(std::string::npos, result.find("still_running")) << result;
  EXPECT_NE(std::string::npos, copy.Log().find("a second start forwarded \"\".")) << copy.Log();
  EXPECT_TRUE(ds::PathExists(copy.dir() + "/Config/MgrSet.xml"));
  EXPECT_FALSE(ds::NamedMutex::Exists("Corvane"));
}

}  // namespace
