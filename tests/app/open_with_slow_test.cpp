// "Corvane /a FILE" under Xvfb: the manager starts hidden with the open-with chooser showing for
// the file, start-up has registered the all-files verb and our desktop entry, and the chooser's
// cancel leaves the program running hidden until the session ends it.
#include <string>

#include <gtest/gtest.h>

#include "core/platform/process.h"
#include "tests/app/corvane_fixture.h"

namespace {

using corvane_test::CorvaneCopy;
using corvane_test::ReadWholeFile;

TEST(OpenWithSlowTest, SlashAStartsHiddenWithTheChooserOpen) {
  if (ds::FindOnPath("xvfb-run").empty() || ds::FindOnPath("xdotool").empty())
    GTEST_SKIP() << "xvfb-run and xdotool are needed";
  CorvaneCopy copy;
  const std::string file = copy.root() + "/read me.txt";
  corvane_test::WriteWholeFile(file, "text\n");
  const std::string out = copy.root() + "/result.txt";
  const std::string shot = corvane_test::DistDirectory() + "/../open_with_slow_test.png";
  const std::string script =
      "cd '" + copy.dir() + "' && env -u QT_QPA_PLATFORM timeout 120 xvfb-run -a -s '-screen 0 1280x800x24' "
      "bash -c '"
      "./Corvane /a \"$2\" & pid=$!; "
      "for i in $(seq 100); do c=$(xdotool search --onlyvisible --name \"^Kiv打开方式$\" 2>/dev/null | head -1); "
      "[ -n \"$c\" ] && break; sleep 0.2; done; "
      "echo chooser=$c; "
      "m=$(xdotool search --onlyvisible --name \"^Kiv软件$\" 2>/dev/null | head -1); echo manager=$m; "
      "import -window root \"$1\" 2>/dev/null; "
      "xdotool mousemove --window $c 348 441 click 1; "
      "for i in $(seq 50); do xdotool search --onlyvisible --name \"^Kiv打开方式$\" >/dev/null 2>&1 || break; sleep 0.2; done; "
      "xdotool search --onlyvisible --name \"^Kiv打开方式$\" >/dev/null 2>&1 && echo chooser_still_shown; "
      "kill -0 $pid && echo alive_after_cancel; "
      "kill -TERM $pid; wait $pid; echo first=$?' _ '" + shot + "' '" + file + "' > '" + out + "' 2>&1";
  corvane_test::RunCommand(script);
  const std::string result = ReadWholeFile(out);
  EXPECT_EQ(std::string::npos, result.find("chooser=\n")) << result;
  EXPECT_NE(std::string::npos, result.find("manager=\n")) << result;
  EXPECT_EQ(std::string::npos, result.find("chooser_still_shown")) << result;
  EXPECT_NE(std::string::npos, result.find("alive_after_cancel")) << result;
  EXPECT_NE(std::string::npos, result.find("first=0")) << result;
  const std::string registry = ReadWholeFile(copy.root() + "/registry.reg");
  EXPECT_NE(std::string::npos, registry.find(copy.program() + " /a  %1")) << registry;
  const std::string entry = ReadWholeFile(copy.root() + "/home/.local/share/applications/corvane-open.desktop");
  EXPECT_NE(std::string::npos, entry.find("Exec=" + copy.program() + " /a %f")) << entry;
}

}  // namespace
