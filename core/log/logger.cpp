#include "core/log/logger.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <unistd.h>

#include "core/text/path.h"
#include "core/thread/singleton_impl.h"

namespace ds {

template class Singleton<Logger, 10>;

LogOutBase::~LogOutBase() = default;

LogOut2File::LogOut2File() = default;

LogOut2File::~LogOut2File() {
  if (file_) std::fclose(file_);
}

int LogOut2File::Init(const char* path) {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (path == nullptr) return 0;
  std::strncpy(path_, path, sizeof(path_) - 1);
  path_[sizeof(path_) - 1] = '\0';
  file_ = std::fopen(NativePath(path).c_str(), "w+e");
  return file_ ? 1 : 0;
}

void LogOut2File::Print(const char* line) {
  if (file_ == nullptr) return;
  std::fputs(line, file_);
  std::fflush(file_);
}

bool LogOut2File::IsInMe(const char* name) {
  return name != nullptr && std::strcmp(name, path_) == 0;
}

void LogOut2Console::Print(const char* line) {
  std::fputs(line, stdout);
  std::fflush(stdout);
}

bool LogOut2Console::IsInMe(const char*) { return true; }

void LogOut2Debug::Print(const char* line) { std::fputs(line, stderr); }

bool LogOut2Debug::IsInMe(const char*) { return true; }

Logger::Logger() {
  line_[0] = '\0';
  time_[0] = '\0';
}

Logger::~Logger() = default;

void Logger::AddAppender(LogOutBase* output) { outputs_.push_back(output); }

void Logger::RemoveAppender(LogOutBase* output) {
  outputs_.erase(std::remove(outputs_.begin(), outputs_.end(), output), outputs_.end());
}

void Logger::SetLock(LockBase* lock) { lock_ = lock; }

void Logger::Print(const char* level, const char* module, const char* message) {
  // The line buffer is shared, so lines are built and written one at a time even when no lock
  // was set: worker threads log too. The caller's lock comes first: it may be a lock the
  // program holds elsewhere, and a thread holding it while it logs must find our own lock free.
  LockGuard caller(lock_);
  LockGuard own(&own_lock_);
  std::time_t now = std::time(nullptr);
  std::tm local;
  localtime_r(&now, &local);
  std::snprintf(time_, sizeof(time_), "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
  int n = std::snprintf(line_, sizeof(line_), "[%s] [%s] [%s] %s\n", time_, level ? level : "",
                        module ? module : "", message ? message : "");
  // A cut line keeps its line feed, so the next line still starts on a line of its own.
  if (n >= static_cast<int>(sizeof(line_))) line_[sizeof(line_) - 2] = '\n';
  for (LogOutBase* output : outputs_) output->Print(line_);
}

namespace {

// Formats the message into the call object's buffer and hands it to the logger.
void FormatAndPrint(const char* level, const char* module, char (&buffer)[768], const char* format,
                    va_list args) {
  if (format == nullptr) {
    buffer[0] = '\0';
  } else {
    std::vsnprintf(buffer, sizeof(buffer), format, args);
  }
  LoggerHolder::Instance()->Print(level, module, buffer);
}

}  // namespace

void LogInfo::operator()(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatAndPrint("Info", module_, message_, format, args);
  va_end(args);
}

void LogWarn::operator()(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatAndPrint("Warn", module_, message_, format, args);
  va_end(args);
}

void LogFatal::operator()(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatAndPrint("Fatal", module_, message_, format, args);
  va_end(args);
  // Ends the process on the spot, as a process termination does: no destructors, no exit
  // handlers. Every file output has flushed its line already.
  std::fflush(stdout);
  ::_exit(0);
}

}  // namespace ds
