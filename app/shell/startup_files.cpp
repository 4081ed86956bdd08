#include "app/shell/startup_files.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/log/logger.h"
#include "core/platform/process.h"
#include "core/text/path.h"

namespace shell {
namespace {

// The crash handler's folder, fixed before any crash: a handler may not allocate.
char g_errors_dir[4096];

void WriteText(int fd, const char* text) {
  const ssize_t ignored = ::write(fd, text, std::strlen(text));
  (void)ignored;
}

void WriteHex(int fd, unsigned long value) {
  char buffer[2 + sizeof(value) * 2 + 1];
  char* p = buffer + sizeof(buffer) - 1;
  *p = '\0';
  do {
    *--p = "0123456789abcdef"[value & 0xF];
    value >>= 4;
  } while (value != 0);
  *--p = 'x';
  *--p = '0';
  WriteText(fd, p);
}

void OnFatalSignal(int signal_number, siginfo_t* info, void*) {
  ::mkdir(g_errors_dir, 0755);
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char path[sizeof(g_errors_dir) + 128];
  std::snprintf(path, sizeof(path), "%s/%04d%02d%02d-%02d%02d%02d.dmp", g_errors_dir,
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                local.tm_min, local.tm_sec);
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd >= 0) {
    char line[64];
    std::snprintf(line, sizeof(line), "signal %d (%s)\n", signal_number, strsignal(signal_number));
    WriteText(fd, line);
    WriteText(fd, "address ");
    WriteHex(fd, reinterpret_cast<unsigned long>(info ? info->si_addr : nullptr));
    WriteText(fd, "\nbacktrace:\n");
    void* frames[64];
    const int count = backtrace(frames, 64);
    backtrace_symbols_fd(frames, count, fd);
    ::close(fd);
  }
  _exit(128 + signal_number);
}

}  // namespace

int StartFreshLog(const std::string& work_path, ds::LogOut2File& log) {
  const std::string path = ds::JoinPath(work_path, kLogName);
  ::unlink(path.c_str());
  return log.Init(path.c_str());
}

int SwapDataPack(const std::string& work_path, int pack_version) {
  char name[32];
  std::snprintf(name, sizeof(name), "Soft%d.dat", pack_version + 1);
  const std::string next = ds::FindCaseInsensitive(work_path, name);
  if (!ds::IsRegularFile(next)) return 0;
  // A pack spelled in another case ("Soft.dat") would otherwise stay beside the new one.
  const std::string old_pack = ds::FindCaseInsensitive(work_path, kDataPackName);
  const std::string target = ds::JoinPath(work_path, kDataPackName);
  if (std::rename(next.c_str(), target.c_str()) != 0) {
    ds::LogWarn("shell::SwapDataPack")("can't rename %s to %s.", next.c_str(), target.c_str());
    return -1;
  }
  if (old_pack != target) ::unlink(old_pack.c_str());
  return 1;
}

int ReplaceUpdater(const std::string& program_dir) {
  const std::string fresh = ds::JoinPath(program_dir, "update2");
  if (!ds::IsRegularFile(fresh)) return 0;
  const std::string target = ds::JoinPath(program_dir, "update");
  if (std::rename(fresh.c_str(), target.c_str()) != 0) {
    ds::LogWarn("shell::ReplaceUpdater")("can't rename %s to %s.", fresh.c_str(), target.c_str());
    return -1;
  }
  return 1;
}

void InstallCrashHandler(const std::string& work_path) {
  std::snprintf(g_errors_dir, sizeof(g_errors_dir), "%s", ds::JoinPath(work_path, "Errors").c_str());
  // The first backtrace loads its unwinder; do that now, not inside the handler.
  void* frame[1];
  backtrace(frame, 1);
  // A stack overflow needs a stack of its own for the handler.
  static char alternate_stack[64 * 1024];
  stack_t stack{};
  stack.ss_sp = alternate_stack;
  stack.ss_size = sizeof(alternate_stack);
  sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_sigaction = OnFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int number : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(number, &action, nullptr);
}

}  // namespace shell
