#include <atomic>
#include <chrono>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "core/log/logger.h"
#include "tests/common/temp_dir.h"

namespace {

using corvane_test::ReadWholeFile;
using corvane_test::TempDir;

struct Capture : ds::LogOutBase {
  void Print(const char* line) override { lines.push_back(line); }
  bool IsInMe(const char*) override { return true; }
  std::vector<std::string> lines;
};

class LoggerTest : public ::testing::Test {
 protected:
  void SetUp() override { ds::LoggerHolder::Instance()->AddAppender(&capture); }
  void TearDown() override { ds::LoggerHolder::Instance()->RemoveAppender(&capture); }
  Capture capture;
};

TEST_F(LoggerTest, LineFormatAndPercentSigns) {
  ds::LogWarn("m")("x=%d", 5);
  ds::LogInfo("ds::Config::Load")("can't find file %s.", "C:/a%20b/%s%d.xml");
  ASSERT_EQ(capture.lines.size(), 2u);
  EXPECT_TRUE(std::regex_match(capture.lines[0], std::regex(R"(\[\d\d:\d\d:\d\d\] \[Warn\] \[m\] x=5\n)")))
      << capture.lines[0];
  // The finished line is never used as a format: the percent signs arrive as they are.
  EXPECT_NE(capture.lines[1].find("[Info] [ds::Config::Load] can't find file C:/a%20b/%s%d.xml.\n"),
            std::string::npos);
}

TEST_F(LoggerTest, LongMessagesAndLinesAreCut) {
  ds::LogInfo("m")("%s", std::string(2000, 'q').c_str());
  ASSERT_EQ(capture.lines.size(), 1u);
  const std::string& line = capture.lines[0];
  EXPECT_EQ(line.size() - line.find("] q") - 2, 767u + 1u);  // 767 characters and the line feed

  std::string module(1500, 'M');
  ds::LogWarn(module.c_str())("tail");
  ASSERT_EQ(capture.lines.size(), 2u);
  EXPECT_EQ(capture.lines[1].size(), 1023u);
  EXPECT_EQ(capture.lines[1].back(), '\n');
}

TEST_F(LoggerTest, OutputAddedTwiceGetsEveryLineTwiceAndIsRemovedWhole) {
  Capture twice;
  ds::Logger* logger = ds::LoggerHolder::Instance();
  logger->AddAppender(&twice);
  logger->AddAppender(&twice);
  ds::LogInfo("m")("one");
  EXPECT_EQ(twice.lines.size(), 2u);
  logger->RemoveAppender(&twice);
  ds::LogInfo("m")("two");
  EXPECT_EQ(twice.lines.size(), 2u);
  EXPECT_EQ(capture.lines.size(), 2u);
}

TEST_F(LoggerTest, ThreadsNeverInterleaveLines) {
  TempDir dir;
  ds::LogOut2File file;
  ASSERT_EQ(file.Init(dir.File("Error.log").c_str()), 1);
  ds::LoggerHolder::Instance()->AddAppender(&file);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 500; ++i) ds::LogInfo("worker")("thread %d line %d %s", t, i, "payload-payload");
    });
  }
  for (auto& th : threads) th.join();
  ds::LoggerHolder::Instance()->RemoveAppender(&file);
  std::string text = ReadWholeFile(dir.File("Error.log"));
  std::regex line(R"(\[\d\d:\d\d:\d\d\] \[Info\] \[worker\] thread \d line \d+ payload-payload)");
  size_t count = 0, start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1, ++count)
    ASSERT_TRUE(std::regex_match(text.substr(start, end - start), line)) << text.substr(start, end - start);
  EXPECT_EQ(count, 2000u);
}

// The lock given to SetLock is usually one the program holds elsewhere too (a state lock). A
// thread that logs while holding it must not deadlock with a thread that is waiting for it
// inside Print.
TEST(LoggerDeathTest, CallerLockHeldWhileLoggingDoesNotDeadlock) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        alarm(5);  // a deadlock ends the child with SIGALRM
        struct CountingLock : ds::LockBase {
          void Lock() override {
            ++entered;
            inner.Lock();
          }
          void Unlock() override { inner.Unlock(); }
          ds::SimpleLock inner;
          std::atomic<int> entered{0};
        } state;
        ds::Logger* logger = ds::LoggerHolder::Instance();
        logger->SetLock(&state);
        state.inner.Lock();  // this thread holds the state lock, as application code would
        std::thread other([] { ds::LogInfo("worker")("waits for the state lock"); });
        while (state.entered == 0) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ds::LogInfo("holder")("logs while holding it");
        state.inner.Unlock();
        other.join();
        logger->SetLock(nullptr);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(LogOut2File, InitEmptiesAnExistingFileAndKnowsItsPath) {
  TempDir dir;
  std::string path = dir.File("Error.log");
  corvane_test::WriteWholeFile(path, "old contents\n");
  ds::LogOut2File out;
  ASSERT_EQ(out.Init(path.c_str()), 1);
  EXPECT_EQ(ReadWholeFile(path), "");
  out.Print("[x] line\n");
  EXPECT_EQ(ReadWholeFile(path), "[x] line\n");  // flushed at once
  EXPECT_TRUE(out.IsInMe(path.c_str()));
  EXPECT_FALSE(out.IsInMe((path + "x").c_str()));
}

TEST(LogOut2File, UnopenableFileDropsLinesSilently) {
  ds::LogOut2File out;
  EXPECT_EQ(out.Init("/nonexistent-dir/for/sure/Error.log"), 0);
  out.Print("dropped\n");
}

TEST(LogFatal, WritesTheLineThenEndsTheProcessWithCodeZero) {
  TempDir dir;
  std::string path = dir.File("fatal.log");
  EXPECT_EXIT(
      {
        ds::LogOut2File out;
        out.Init(path.c_str());
        ds::LoggerHolder::Instance()->AddAppender(&out);
        ds::LogFatal("ds::Config::GetInteger")("can't find %s.", "Width");
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_NE(ReadWholeFile(path).find("[Fatal] [ds::Config::GetInteger] can't find Width.\n"), std::string::npos);
}

}  // namespace
