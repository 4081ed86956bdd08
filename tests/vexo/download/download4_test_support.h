// Shared pieces of the block downloader tests: an operator that records what the download
// reported, a range server that sends slowly, and the paths of the command-line tool.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <climits>
#include <cstring>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/common/http_server.h"
#include "vexo/download/http_downloader4.h"

namespace download4_test {

// Sets libcurl up once for a whole test program: register it with
// ::testing::AddGlobalTestEnvironment(new download4_test::CurlEnvironment).
class CurlEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { HttpDownloaderBase::InitGlobal(); }
  void TearDown() override { HttpDownloaderBase::FiniGlobal(); }
};

constexpr int kFinished = -1;
constexpr int kTimedOut = -2;

class Events : public IHttpDownloadOperator4 {
 public:
  void OnStartTest(HttpDownloader4*) override { Add("test"); }
  void OnStartDownload(HttpDownloader4*) override { Add("start"); }
  void OnFinish(HttpDownloader4*) override { End("finish", kFinished); }
  void OnError(HttpDownloader4*, int code) override { End("error " + std::to_string(code), code); }

  // The outcome (kFinished or the error code) once the download thread has reported it, or
  // kTimedOut. Also waits until the downloader may be deleted.
  int Wait(HttpDownloader4& downloader, int seconds = 60) {
    std::unique_lock<std::mutex> hold(mutex_);
    if (!cv_.wait_for(hold, std::chrono::seconds(seconds), [&] { return ended_; })) return kTimedOut;
    hold.unlock();
    for (int i = 0; i < 500 && !downloader.CanDelete(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return outcome_;
  }
  void Reset() {
    std::lock_guard<std::mutex> hold(mutex_);
    ended_ = false;
    log_.clear();
  }
  std::vector<std::string> log() {
    std::lock_guard<std::mutex> hold(mutex_);
    return log_;
  }

 private:
  void Add(const std::string& what) {
    std::lock_guard<std::mutex> hold(mutex_);
    log_.push_back(what);
  }
  void End(const std::string& what, int outcome) {
    std::lock_guard<std::mutex> hold(mutex_);
    log_.push_back(what);
    outcome_ = outcome;
    ended_ = true;
    cv_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<std::string> log_;
  bool ended_ = false;
  int outcome_ = kTimedOut;
};

// Answers like ServeBytes, but sends the body in `chunk`-byte pieces `delayMs` apart.
inline void ServeSlowly(const corvane_test::HttpRequest& request, corvane_test::HttpConnection& connection,
                        const std::string& data, size_t chunk, int delayMs) {
  int64_t begin = 0, end = -1;
  const int64_t size = static_cast<int64_t>(data.size());
  std::string head;
  std::string body;
  if (request.Range(&begin, &end)) {
    if (begin >= size) {
      corvane_test::ServeBytes(request, connection, data);
      return;
    }
    if (end < 0 || end >= size) end = size - 1;
    body = data.substr(static_cast<size_t>(begin), static_cast<size_t>(end - begin + 1));
    head = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + std::to_string(begin) + "-" +
           std::to_string(end) + "/" + std::to_string(size) + "\r\n";
  } else {
    body = data;
    head = "HTTP/1.1 200 OK\r\n";
  }
  head += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  if (!connection.Send(head)) return;
  for (size_t at = 0; at < body.size(); at += chunk) {
    if (!connection.Send(body.substr(at, chunk))) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
  }
}

// The SHA-256 of a file as sha256sum prints it ("" when it cannot be computed).
inline std::string Sha256Of(const std::string& path) {
  std::string command = "sha256sum '" + path + "'";
  FILE* pipe = popen(command.c_str(), "re");
  if (pipe == nullptr) return "";
  char line[128] = {};
  std::string digest;
  if (std::fgets(line, sizeof line, pipe) != nullptr) digest.assign(line, strnlen(line, 64));
  pclose(pipe);
  return digest.size() == 64 ? digest : "";
}

// The command-line downloader, built beside the test programs.
inline std::string ToolPath() {
  char self[PATH_MAX] = {};
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string dir = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
  dir = dir.substr(0, dir.rfind('/'));
  return dir + "/vexo_get";
}

}  // namespace download4_test
