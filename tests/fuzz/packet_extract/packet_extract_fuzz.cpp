// The packet installer on arbitrary archive bytes, installing over a folder that already holds
// a link leading out of it and one leading back inside. Checked for any input: nothing outside
// the folder changes, no link is created, and a packet that fails leaves the folder exactly as
// it was (no staged file, no folder it made, no work folder).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/temp_dir.h"
#include "tests/fuzz/fuzz_support.h"
#include "core/update/packet_install.h"

namespace {

constexpr char kSentinel[] = "left alone";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace fs = std::filesystem;
  corvane_test::TempDir dir;
  const std::string packet = dir.File("packet.zip");
  const std::string install = dir.File("install");
  corvane_fuzz::WriteInputFile(packet, data, size);
  corvane_fuzz::WriteInputFile(dir.File("outside.txt"), kSentinel, sizeof kSentinel - 1);
  FUZZ_CHECK(::mkdir(install.c_str(), 0755) == 0, install.c_str());
  FUZZ_CHECK(::symlink("..", (install + "/up").c_str()) == 0, "link up");
  FUZZ_CHECK(::symlink(".", (install + "/here").c_str()) == 0, "link here");

  ds::PacketInstallReport report;
  const int result = ds::InstallPacket(packet, install, &report);
  if (result == 1) FUZZ_CHECK(report.failed == 0 && report.refused == 0, "success with bad entries");
  if (result == 0) {
    FUZZ_CHECK((corvane_test::ListDirectory(install) == std::vector<std::string>{"here", "up"}),
               "a failed packet changed the folder");
  }

  FUZZ_CHECK((corvane_test::ListDirectory(dir.path()) ==
              std::vector<std::string>{"install", "outside.txt", "packet.zip"}),
             "entries beside the folder");
  FUZZ_CHECK(corvane_fuzz::ReadFileBytes(dir.File("outside.txt")) == kSentinel, "outside.txt");

  int files = 0;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(install, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const std::string name = it->path().lexically_relative(install).string();
    if (it->is_symlink()) {
      FUZZ_CHECK(name == "up" || name == "here", name.c_str());
      it.disable_recursion_pending();
      continue;
    }
    if (it->is_regular_file()) ++files;
  }
  FUZZ_CHECK(!ec, "walk");
  if (result == 0) FUZZ_CHECK(files == 0, "files left by a failed packet");
  return 0;
}
