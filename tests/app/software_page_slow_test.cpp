// The real program under Xvfb downloads from the all-software page: a loose catalogue points at
// nginx on 127.0.0.1, the page button and the item's download button are clicked where the
// layout puts them, and the installer arrives in the download folder with the SHA-256 the
// catalogue gives. A screenshot of the page is saved in the build folder.
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "core/crypto/sha256.h"
#include "core/platform/process.h"
#include "core/text/text_codec.h"
#include "tests/app/corvane_fixture.h"
#include "tests/common/nginx_server.h"

namespace {

using corvane_test::CorvaneCopy;
using corvane_test::ReadWholeFile;

TEST(SoftwarePageSlowTest, DownloadButtonFetchesTheInstallerUnderXvfb) {
  if (ds::FindOnPath("xvfb-run").empty() || ds::FindOnPath("xdotool").empty() || !corvane_test::NginxServer::Available())
    GTEST_SKIP() << "xvfb-run, xdotool and nginx are needed";
  CorvaneCopy copy;
  const std::string served = copy.root() + "/www";
  ds::MakeDirectories(served);
  std::string installer(3 << 20, '\0');
  std::mt19937 random(21);
  for (char& c : installer) c = static_cast<char>(random());
  std::ofstream(served + "/demo_setup.bin", std::ios::binary) << installer;
  corvane_test::NginxServer nginx(served);
  ASSERT_TRUE(nginx.Start()) << nginx.error();
  const std::string hash = ds::Sha256Hex(installer.data(), installer.size());

  // The loose catalogue wins over the pack's: one program in category 1, with its hash. Its
  // installer is no Windows program, so the install that follows the download fails at once
  // instead of starting Wine.
  ds::MakeDirectories(copy.dir() + "/software");
  std::ofstream(copy.dir() + "/software/software.xml", std::ios::binary)
      << ds::Utf8ToGbk("<?xml version=\"1.0\" encoding=\"gb2312\"?>\n<softs>\n<soft id=\"1\" name=\"演示程序\" type=\"1\" "
                       "desc=\"端到端测试用的安装包\" size=\"3.0\" verinfo=\"1.0\" url=\"" +
                       nginx.Url("/demo_setup.bin") + "\" sha256=\"" + hash + "\" icon=\"software/wechat.png\"/>\n</softs>\n");

  const std::string out = copy.root() + "/result.txt";
  const std::string shot = corvane_test::DistDirectory() + "/../software_page_slow_test.png";
  const std::string target = copy.dir() + "/setup/demo_setup.bin";
  // Page button 1004 at (12 + 2 * 80, 28), 76 x 68; the first item's button: list from x 130 in
  // the page at y 122 + 24 (under the header band), 801 - 130 - 4 - 16 wide, its button 64 x 24
  // ending 14 pixels before.
  const std::string script =
      "cd '" + copy.dir() + "' && env -u QT_QPA_PLATFORM timeout 150 xvfb-run -a -s '-screen 0 1280x800x24' "
      "bash -c '"
      "./Corvane & pid=$!; "
      "for i in $(seq 100); do w=$(xdotool search --name \"^Kiv软件$\" 2>/dev/null | head -1); "
      "[ -n \"$w\" ] && break; sleep 0.2; done; echo window=$w; sleep 1; "
      "xdotool mousemove --window $w 210 62 click 1; sleep 1; "
      "xdotool mousemove --window $w 735 169 click 1; "
      "for i in $(seq 300); do [ -f \"$2\" ] && break; sleep 0.2; done; sleep 2; "
      "import -window root \"$1\" 2>/dev/null; "
      // The notice of the failed install closes first, then the window.
      "xdotool key Escape; sleep 0.5; xdotool windowactivate $w 2>/dev/null; xdotool key --window $w Escape; "
      "for i in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done; "
      "kill -0 $pid 2>/dev/null && { echo still_running; kill -9 $pid; }; "
      "wait $pid; echo first=$?' _ '" + shot + "' '" + target + "' > '" + out + "' 2>&1";
  corvane_test::RunCommand(script);
  const std::string result = ReadWholeFile(out);
  EXPECT_EQ(std::string::npos, result.find("window=\n")) << result;
  ASSERT_TRUE(ds::IsRegularFile(target)) << result << copy.Log();
  EXPECT_EQ(hash, ds::Sha256FileHex(target));
  EXPECT_EQ(std::string::npos, result.find("still_running")) << result;
}

}  // namespace
