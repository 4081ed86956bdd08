// Times one name search over 50,000 generated Chinese names: rendering every name afresh, and
// with the renderings kept in a PinyinIndex. Usage: pinyin_bench [query] [names]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "app/pages/pinyin_index.h"
#include "core/text/ascii.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Names shaped like catalogue entries: a brand, what the program does, sometimes an edition
// and a version ("飞云影音播放器专业版 5.2").
std::vector<std::string> GenerateNames(std::size_t count) {
  const std::vector<std::string> brands = {"飞云", "青松", "银河", "白鹭", "晨风", "海浪", "彩虹",
                                           "蓝天", "明月", "长江", "远山", "春雨", "光速", "极速",
                                           "天天", "快乐", "绿色", "超级", "万能", "星空"};
  const std::vector<std::string> kinds = {"音乐", "影音", "播放器", "浏览器", "输入法", "杀毒",
                                          "卫士", "下载", "压缩", "看图", "词典", "翻译", "办公",
                                          "邮箱", "游戏", "助手", "管家", "文档", "录屏", "云盘"};
  const std::vector<std::string> editions = {"", "", "专业版", "精简版", "绿色版", "企业版", "2024"};
  std::mt19937 random(2024);
  std::vector<std::string> names;
  names.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::string name = brands[random() % brands.size()];
    for (int k = 0, n = 1 + static_cast<int>(random() % 2); k < n; ++k)
      name += kinds[random() % kinds.size()];
    name += editions[random() % editions.size()];
    name += " " + std::to_string(random() % 10) + "." + std::to_string(random() % 100);
    names.push_back(name);
  }
  return names;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string query = ds::AsciiLower(argc > 1 ? argv[1] : "yinle");
  const std::size_t count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 50000;
  const std::vector<std::string> names = GenerateNames(count);

  Clock::time_point start = Clock::now();
  std::size_t freshHits = 0;
  for (const std::string& name : names)
    if (NameMatchesQuery(name, query)) ++freshHits;
  const double fresh = MillisecondsSince(start);

  start = Clock::now();
  PinyinIndex index;
  index.Reserve(names.size());
  for (const std::string& name : names) index.Add(name);
  const double build = MillisecondsSince(start);

  // The index search is short; take the median of several runs.
  std::vector<double> runs;
  std::size_t indexHits = 0;
  for (int i = 0; i < 21; ++i) {
    start = Clock::now();
    indexHits = index.Search(query).size();
    runs.push_back(MillisecondsSince(start));
  }
  std::sort(runs.begin(), runs.end());

  std::printf("names: %zu, query: \"%s\"\n", names.size(), query.c_str());
  std::printf("search rendering afresh:  %9.3f ms  (%zu hits)\n", fresh, freshHits);
  std::printf("index build (once):       %9.3f ms\n", build);
  std::printf("search with the index:    %9.3f ms  (%zu hits, median of %zu, fastest %.3f ms)\n",
              runs[runs.size() / 2], indexHits, runs.size(), runs.front());
  if (freshHits != indexHits) {
    std::printf("MISMATCH: the index and the fresh rendering disagree\n");
    return 1;
  }
  return 0;
}
