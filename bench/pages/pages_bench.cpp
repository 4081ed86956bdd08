// Times, with a generated catalogue of 5,000 programs, the switch to the all-software page and a
// search (query typed, Enter) each up to the painted result, in the real main window offscreen;
// beside it, in the same run, the floor: Qt's QListView over a QSortFilterProxyModel showing and
// filtering the same 5,000 names. Usage: pages_bench [programs] [rounds]
#include <QApplication>
#include <QListView>
#include <QSortFilterProxyModel>
#include <QStringListModel>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/assoc/mgr_config.h"
#include "app/pages/dlg_software.h"
#include "app/shell/control_ids.h"
#include "app/shell/corvane_dlg.h"
#include "bench/common/timing.h"
#include "core/files/file_system.h"
#include "core/text/path.h"
#include "core/text/text_codec.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/edit.h"

namespace {

using bench::Clock;
using bench::Median;
using bench::Ms;

std::vector<std::string> Names(int count) {
  const std::vector<std::string> brands = {"飞云", "青松", "银河", "白鹭", "晨风", "海浪", "彩虹", "蓝天", "明月", "长江"};
  const std::vector<std::string> kinds = {"音乐", "影音", "播放器", "浏览器", "输入法", "杀毒", "卫士", "下载", "看图", "词典"};
  std::mt19937 random(7);
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i)
    names.push_back(brands[random() % brands.size()] + kinds[random() % kinds.size()] + " " + std::to_string(i));
  return names;
}

void WriteGbk(const std::string& path, const std::string& rows) {
  ds::MakeDirectories(ds::DirectoryOf(path));
  std::ofstream(path, std::ios::binary)
      << ds::Utf8ToGbk("<?xml version=\"1.0\" encoding=\"gb2312\"?>\n<root>\n" + rows + "</root>\n");
}

}  // namespace

int main(int argc, char** argv) {
  const int programs = argc > 1 ? std::atoi(argv[1]) : 5000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 15;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("CORVANE_UPDATE_URL", "http://127.0.0.1:9/update/packet", 1);
  QApplication app(argc, argv);
  const std::vector<std::string> names = Names(programs);

  // The work folder: the build's pack and a loose catalogue of `programs` programs.
  char folder[] = "/tmp/pages_bench.XXXXXX";
  if (!mkdtemp(folder)) return 1;
  const std::string work = folder;
  const std::string dist = ds::DirectoryOf(ds::DirectoryOf(QCoreApplication::applicationFilePath().toStdString())) + "/dist";
  setenv("CORVANE_REGISTRY", (work + "/registry.reg").c_str(), 1);
  setenv("WINEPREFIX", (work + "/wine").c_str(), 1);
  ds::FileSystem::Instance()->SetWorkPath(dist.c_str());
  VEXO_ResourceMgr::Instance()->Init("soft.dat", "kfqe~rmt@zp!4821~vcn");
  ds::FileSystem::Instance()->SetWorkPath(work.c_str());
  std::string rows;
  for (int i = 0; i < programs; ++i)
    rows += "<s id=\"" + std::to_string(i + 1) + "\" name=\"" + names[static_cast<std::size_t>(i)] + "\" type=\"" +
            std::to_string(1 + i % 12) + "\" url=\"http://127.0.0.1:9/p" + std::to_string(i) + ".exe\" size=\"2.5\"/>";
  WriteGbk(work + "/software/software.xml", rows);
  std::string types = "<t id=\"0\" name=\"全部软件\" Num=\"13\"/>";
  for (int i = 1; i <= 12; ++i) types += "<t id=\"" + std::to_string(i) + "\" name=\"类" + std::to_string(i) + "\"/>";
  WriteGbk(work + "/software/type.xml", types + "<t id=\"108\" name=\"其他\"/>");
  WriteGbk(work + "/software/TypeReq.xml", "<t id=\"0\" name=\"常用\"/>");
  CMgrConfig config;
  config.SetDownloadDir((work + "/setup").c_str());
  SetMgrConfig(&config);

  std::vector<double> ours_switch, ours_search, floor_switch, floor_search;
  {
    CCorvaneDlg window;
    window.Create();
    window.show();
    auto* edit = static_cast<VEXO_Edit*>(window.FindWidget(shell_ids::kSearchEdit));
    const char* queries[] = {"yinle", "wx", "boqi", "qs"};
    for (int round = 0; round < rounds + 1; ++round) {
      QTest::mouseClick(window.PageButton(CCorvaneDlg::kHome), Qt::LeftButton);
      QApplication::processEvents();
      Clock::time_point start = Clock::now();
      QTest::mouseClick(window.PageButton(CCorvaneDlg::kAll), Qt::LeftButton);
      window.repaint();
      if (round > 0) ours_switch.push_back(Ms(start));
      QTest::mouseClick(edit, Qt::LeftButton);
      edit->clear();
      QTest::keyClicks(edit, queries[round % 4]);
      start = Clock::now();
      QTest::keyClick(edit, Qt::Key_Return);
      window.repaint();
      if (round > 0) ours_search.push_back(Ms(start));
    }
    std::printf("last search found %zu programs\n", window.AllSoftwarePage()->Results().size());
  }
  {
    QStringList list;
    for (const std::string& name : names) list << QString::fromStdString(name);
    QWidget holder;
    holder.resize(801, 590);
    holder.show();
    const char* queries[] = {"音乐", "飞云", "播放器", "青松"};
    for (int round = 0; round < rounds + 1; ++round) {
      Clock::time_point start = Clock::now();
      auto* model = new QStringListModel(list, &holder);
      auto* proxy = new QSortFilterProxyModel(&holder);
      proxy->setSourceModel(model);
      auto* view = new QListView(&holder);
      view->setModel(proxy);
      view->setGeometry(130, 0, 660, 440);
      view->show();
      holder.repaint();
      if (round > 0) floor_switch.push_back(Ms(start));
      start = Clock::now();
      proxy->setFilterFixedString(QString::fromUtf8(queries[round % 4]));
      holder.repaint();
      if (round > 0) floor_search.push_back(Ms(start));
      delete view;
      delete proxy;
      delete model;
    }
  }
  SetMgrConfig(nullptr);
  VEXO_ResourceMgr::Instance()->Fini();
  std::system(("rm -rf '" + work + "'").c_str());

  const double os = Median(ours_switch), oq = Median(ours_search), fs = Median(floor_switch), fq = Median(floor_search);
  std::printf("programs: %d, rounds: %d (medians)\n", programs, rounds);
  std::printf("                          ours (ms)   floor (ms)   ratio\n");
  std::printf("switch to the page        %9.2f    %9.2f   %6.2f\n", os, fs, os / fs);
  std::printf("search to painted result  %9.2f    %9.2f   %6.2f\n", oq, fq, oq / fq);
  std::printf("goal: ratio <= 1 and under 50 ms: %s\n", os <= fs && oq <= fq && os < 50 && oq < 50 ? "met" : "not met");
  return 0;
}
