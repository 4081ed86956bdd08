// speed_limit_bench URL OUTDIR KIB_PER_S SECONDS: three downloads of URL at once under the
// global speed limit; prints the limit, the total rate measured over SECONDS (after a second
// of warm-up) and their ratio, then stops the downloads.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "vexo/download/http_downloader4.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: speed_limit_bench URL OUTDIR KIB_PER_S SECONDS\n");
    return 2;
  }
  const std::string url = argv[1];
  const std::string out = argv[2];
  const long long limit = std::atoll(argv[3]);
  const int seconds = std::atoi(argv[4]);
  HttpDownloaderBase::InitGlobal();
  HttpDownloader4::SetSpeedLimit(limit);
  IHttpDownloadOperator4 quiet;
  std::unique_ptr<HttpDownloader4> downloads[3];
  for (int i = 0; i < 3; ++i) {
    downloads[i] = std::make_unique<HttpDownloader4>();
    downloads[i]->Init(&quiet, 15000, 10, 10);
    const std::string target = out + "/limited" + std::to_string(i) + ".bin";
    if (downloads[i]->Download(url.c_str(), target.c_str()) != 1) return 3;
  }
  auto total = [&] {
    std::int64_t sum = 0;
    for (auto& d : downloads) sum += d->GetCompletedSize();
    return sum;
  };
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const auto begin = std::chrono::steady_clock::now();
  const std::int64_t first = total();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const std::int64_t last = total();
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  const double rate = static_cast<double>(last - first) / elapsed / 1024.0;
  std::printf("%lld %.1f %.4f\n", limit, rate, rate / static_cast<double>(limit));
  for (auto& d : downloads) d->Stop();
  for (auto& d : downloads)
    while (!d->CanDelete()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  HttpDownloaderBase::FiniGlobal();
  return 0;
}
