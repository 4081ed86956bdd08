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
#include "bench/common/timing.h"
#include "core/text/ascii.h"

namespace {

using bench::Clock;
using bench::Median;

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

// One query: afresh (the floor), then the index's plain and ranked searches (median of 21 runs).
bool RunQuery(const std::vector<std::string>& names, const PinyinIndex& index, const std::string& query) {
  Clock::time_point start = Clock::now();
  std::size_t freshHits = 0;
  for (const std::string& name : names)
    if (NameMatchesQuery(name, query)) ++freshHits;
  const double fresh = bench::Ms(start);

  std::vector<double> plain, ranked;
  std::size_t indexHits = 0, rankedHits = 0;
  for (int i = 0; i < 21; ++i) {
    start = Clock::now();
    indexHits = index.Search(query).size();
    plain.push_back(bench::Ms(start));
    start = Clock::now();
    rankedHits = index.SearchRanked(query).size();
    ranked.push_back(bench::Ms(start));
  }
  std::printf("query \"%s\"\n", query.c_str());
  std::printf("  search rendering afresh:  %9.3f ms  (%zu hits)\n", fresh, freshHits);
  std::printf("  search with the index:    %9.3f ms  (%zu hits, median of 21, ratio to afresh %.4f)\n",
              Median(plain), indexHits, Median(plain) / fresh);
  std::printf("  ranked search (pages):    %9.3f ms  (%zu hits, median of 21, ratio to afresh %.4f)\n",
              Median(ranked), rankedHits, Median(ranked) / fresh);
  if (freshHits != indexHits || indexHits != rankedHits) {
    std::printf("MISMATCH: the index and the fresh rendering disagree\n");
    return false;
  }
  return true;
}

}  // namespace

// Usage: pinyin_bench [query] [names]; without a query a full-pinyin query ("yinle") and an
// initials query ("yl") are both timed.
int main(int argc, char** argv) {
  const std::size_t count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 50000;
  const std::vector<std::string> names = GenerateNames(count);

  Clock::time_point start = Clock::now();
  PinyinIndex index;
  index.Reserve(names.size());
  for (const std::string& name : names) index.Add(name);
  const double build = bench::Ms(start);
  std::printf("names: %zu, index build (once): %.3f ms\n", names.size(), build);

  std::vector<std::string> queries;
  if (argc > 1)
    queries.push_back(ds::AsciiLower(argv[1]));
  else
    queries = {"yinle", "yl"};
  bool agree = true;
  for (const std::string& query : queries) agree = RunQuery(names, index, query) && agree;
  return agree ? 0 : 1;
}
