// Times the uninstall page over 1,000 generated Uninstall keys (native, 32-bit and the user's):
// from an empty page to a painted one with every key scanned and the rows laid out, and one
// search keystroke (the pinyin match over the last scan and the layout), and a refresh. The floor is the registry reader
// alone enumerating the same keys and values. Medians of several runs, in the same process.
// Usage: uninstall_bench [keys]
#include <QApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/pages/dlg_uninstall_software.h"
#include "bench/common/timing.h"
#include "core/files/file_system.h"
#include "core/registry/registry.h"
#include "vexo/ui/resources/resource_mgr.h"

namespace {

using bench::Clock;
using bench::Median;
using bench::Ms;

// The registry reader alone: every subkey of the three keys and every value of each.
std::size_t ReadFloor() {
  std::size_t values_read = 0;
  for (const UninstallLocation& location : UninstallLocations()) {
    ds::Registry key(location.root);
    if (!key.Open(location.path, KEY_READ)) continue;
    unsigned long subkeys = 0, values = 0;
    key.QueryInfoKey(&subkeys, &values);
    char name[513];
    std::vector<char> data(16384);
    std::vector<char> value_name(16384);
    for (unsigned long i = 0; i < subkeys; ++i) {
      if (!key.EnumKey(i, name, sizeof name)) continue;
      ds::Registry sub(location.root);
      if (!sub.Open((std::string(location.path) + "\\" + name).c_str(), KEY_READ)) continue;
      unsigned long sub_keys = 0, sub_values = 0;
      sub.QueryInfoKey(&sub_keys, &sub_values);
      for (unsigned long v = 0; v < sub_values; ++v) {
        unsigned long size = static_cast<unsigned long>(data.size());
        unsigned long type = 0;
        if (sub.EnumValue(v, value_name.data(), static_cast<unsigned long>(value_name.size()), &type, data.data(), &size))
          ++values_read;
      }
    }
  }
  return values_read;
}

// Writes the store file directly in its text format (one change per key through the registry
// would take a locked, synced write each).
void Generate(const std::string& store, int count) {
  const char* words[] = {"飞云", "青松", "银河", "白鹭", "音乐", "影音", "浏览器", "输入法", "看图", "词典"};
  const char* roots[] = {"HKEY_LOCAL_MACHINE\\", "HKEY_LOCAL_MACHINE\\", "HKEY_CURRENT_USER\\"};
  std::string text = "Windows Registry Editor Version 5.00\r\n";
  for (int i = 0; i < count; ++i) {
    const std::size_t where = static_cast<std::size_t>(i % 3);
    std::string path = std::string(roots[where]) + UninstallLocations()[where].path + "\\Program" + std::to_string(i);
    const std::string n = std::to_string(i);
    text += "\r\n[" + path + "]\r\n";
    text += "\"DisplayName\"=\"" + std::string(words[i % 10]) + words[(i / 10) % 10] + " " + n + "\"\r\n";
    text += "\"UninstallString\"=\"\\\"C:\\\\Program Files\\\\P" + n + "\\\\uninst.exe\\\" /S\"\r\n";
    text += "\"DisplayIcon\"=\"C:\\\\Program Files\\\\P" + n + "\\\\app.exe,0\"\r\n";
    text += "\"DisplayVersion\"=\"1.0\"\r\n";
  }
  std::FILE* f = std::fopen(store.c_str(), "wb");
  if (f == nullptr || std::fwrite(text.data(), 1, text.size(), f) != text.size()) std::exit(2);
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
  char folder[] = "/tmp/uninstall-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) return 2;
  const std::string store = std::string(folder) + "/registry.reg";
  setenv("CORVANE_REGISTRY", store.c_str(), 1);
  setenv("WINEPREFIX", (std::string(folder) + "/wine").c_str(), 1);  // an empty prefix
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  ds::FileSystem::Instance()->SetWorkPath(CORVANE_DIST_DIR);
  VEXO_ResourceMgr::Instance()->Init("soft.dat", "kfqe~rmt@zp!4821~vcn");
  Generate(store, count);

  std::vector<double> floor, show, keystroke, rescan;
  std::size_t values = 0, shown = 0, hits = 0;
  for (int run = 0; run < 9; ++run) {
    Clock::time_point start = Clock::now();
    values = ReadFloor();
    floor.push_back(Ms(start));

    QWidget host;
    host.resize(801, 590);
    CdlgUninstallSoftware page(&host);
    start = Clock::now();
    page.ShowPage();
    QImage painted = page.grab().toImage();  // the page painted with its rows
    show.push_back(Ms(start));
    shown = page.List().Shown().size();

    start = Clock::now();
    page.SearchInstalled("yinle");
    painted = page.grab().toImage();
    keystroke.push_back(Ms(start));
    hits = page.List().Shown().size();

    start = Clock::now();
    page.Rescan();  // the refresh button: the registry read again, the search kept
    painted = page.grab().toImage();
    rescan.push_back(Ms(start));
  }
  const double floor_ms = Median(floor);
  std::printf("uninstall keys: %d (%zu values), listed %zu, search hits %zu\n", count, values, shown, hits);
  std::printf("floor, registry reader alone:   %8.2f ms\n", floor_ms);
  std::printf("scan and lay out, painted page: %8.2f ms  (%.1f x floor; goal < 100 ms)\n", Median(show),
              Median(show) / floor_ms);
  std::printf("search keystroke, painted:      %8.2f ms  (%.1f x floor; goal < 10 ms)\n", Median(keystroke),
              Median(keystroke) / floor_ms);
  std::printf("refresh with the search kept:   %8.2f ms  (%.1f x floor)\n", Median(rescan), Median(rescan) / floor_ms);
  VEXO_ResourceMgr::Instance()->Fini();
  std::system((std::string("rm -rf '") + folder + "'").c_str());
  return shown == static_cast<std::size_t>(count) ? 0 : 1;
}
