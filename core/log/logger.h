// The process-wide logger: one line "[HH:MM:SS] [Level] [module] message\n" per call, handed to
// every registered output.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "core/export.h"
#include "core/thread/singleton.h"
#include "core/thread/sync.h"

namespace ds {

class DS_API LogOutBase {
 public:
  virtual void Print(const char* line) = 0;
  virtual bool IsInMe(const char* name) = 0;
  virtual ~LogOutBase();
};

class DS_API LogOut2File : public LogOutBase {
 public:
  LogOut2File();
  ~LogOut2File() override;
  // Opens `path` empty for reading and writing (created or truncated) and records the path.
  virtual int Init(const char* path);
  void Print(const char* line) override;
  bool IsInMe(const char* name) override;

 private:
  std::FILE* file_ = nullptr;
  char path_[1024] = {0};
};

class DS_API LogOut2Console : public LogOutBase {
 public:
  void Print(const char* line) override;
  bool IsInMe(const char* name) override;
};

// The debugger channel: standard error on this platform.
class DS_API LogOut2Debug : public LogOutBase {
 public:
  void Print(const char* line) override;
  bool IsInMe(const char* name) override;
};

class DS_API Logger : public SingletonBase {
 public:
  static constexpr int kLineSize = 1024;

  Logger();
  ~Logger() override;
  void AddAppender(LogOutBase* output);
  void RemoveAppender(LogOutBase* output);
  // A lock the caller wants held around each line. Lines never interleave even without one:
  // the logger keeps a lock of its own for that.
  void SetLock(LockBase* lock);
  void Print(const char* level, const char* module, const char* message);

 private:
  std::vector<LogOutBase*> outputs_;
  LockBase* lock_ = nullptr;
  SimpleLock own_lock_;
  char line_[kLineSize];
  char time_[16];
};

extern template class DS_API Singleton<Logger, 10>;
using LoggerHolder = Singleton<Logger, 10>;

// Call objects: ds::LogWarn("ds::Config::Load")("can't find file %s.", path);
class DS_API LogInfo {
 public:
  explicit LogInfo(const char* module) : module_(module) {}
  void operator()(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  const char* module_;
  char message_[768];
};

class DS_API LogWarn {
 public:
  explicit LogWarn(const char* module) : module_(module) {}
  void operator()(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  const char* module_;
  char message_[768];
};

// Writes the line, then ends the process at once with exit code 0.
class DS_API LogFatal {
 public:
  explicit LogFatal(const char* module) : module_(module) {}
  [[noreturn]] void operator()(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  const char* module_;
  char message_[768];
};

}  // namespace ds
