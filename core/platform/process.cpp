#include "core/platform/process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/text/ascii.h"
#include "core/log/logger.h"
#include "core/text/path.h"
#include "core/platform/wine_prefix.h"

extern char** environ;

// Children must not inherit descriptors we did not mean to pass (the single-instance lock, the
// local socket, HTTP connections). O_CLOEXEC on our own opens is not enough: libraries open
// descriptors of their own without it. The spawn therefore closes every descriptor from 3 up in
// the child (close_range, with glibc's /proc/self/fd fallback) through
// posix_spawn_file_actions_addclosefrom_np, glibc 2.34 and later.
#if !defined(__GLIBC__) || !__GLIBC_PREREQ(2, 34)
#error "process.cpp needs posix_spawn_file_actions_addclosefrom_np (glibc 2.34 or later)"
#endif

namespace ds {
namespace {


bool EndsWithIgnoreCase(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && AsciiEqualsIgnoreCase(text.substr(text.size() - tail.size()), tail);
}

std::string BaseName(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// Reads a small /proc file whole; "" when it cannot be read.
std::string ReadProcFile(const std::string& path) {
  std::string data;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return data;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
    if (data.size() > (1u << 20)) break;
  }
  close(fd);
  return data;
}

// The state letter of /proc/<pid>/stat ('R', 'S', 'Z', ...), or 0 when there is no such process.
char ProcessState(ProcessId pid) {
  std::string stat = ReadProcFile("/proc/" + std::to_string(pid) + "/stat");
  // "pid (comm) S ...": comm may itself contain ") ", so look for the last one.
  std::size_t close_paren = stat.rfind(") ");
  if (close_paren == std::string::npos || close_paren + 2 >= stat.size()) return 0;
  return stat[close_paren + 2];
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsWineLoader(const std::string& name) {
  return name == "wine" || name == "wine64" || name == "wine-preloader" || name == "wine64-preloader";
}

// The file name of a Windows or POSIX path.
std::string WindowsBaseName(std::string_view path) {
  std::size_t separator = path.find_last_of("\\/");
  return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int SpawnErrorCode(int error) {
  switch (error) {
    case ENOENT: return kSpawnFileNotFound;
    case ENOTDIR: return kSpawnPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return kSpawnAccessDenied;
    case ENOMEM:
    case EAGAIN: return kSpawnOutOfMemory;
    case ENOEXEC:
    case ELIBBAD: return kSpawnBadFormat;
    case ETXTBSY: return kSpawnSharingViolation;
    default: return 0;
  }
}

// Our environment with `overrides` ("NAME=value") replacing or adding those variables.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& overrides) {
  std::vector<std::string> env;
  for (char** item = environ; item != nullptr && *item != nullptr; ++item) {
    const std::string_view entry(*item);
    bool replaced = false;
    for (const std::string& o : overrides) {
      const std::size_t eq = o.find('=');
      if (entry.size() > eq && entry.substr(0, eq + 1) == std::string_view(o).substr(0, eq + 1)) replaced = true;
    }
    if (!replaced) env.emplace_back(entry);
  }
  env.insert(env.end(), overrides.begin(), overrides.end());
  return env;
}

// What Wine's programs run with: the prefix we read, and quiet (Wine's debug channels would
// flood our standard error).
std::vector<std::string> WineEnvironment() {
  const std::string prefix = WinePrefix();
  std::vector<std::string> overrides{"WINEDEBUG=-all"};
  if (!prefix.empty()) overrides.push_back("WINEPREFIX=" + prefix);
  return EnvironmentWith(overrides);
}

// Spawns `program` with `argv` (argv[0] included) and our environment, or `env` when given.
// See the header for what the child gets.
int Spawn(const std::string& program, const std::vector<std::string>& argv,
          const std::string& working_dir, ProcessId* pid_out,
          const std::vector<std::string>* env = nullptr) {
  std::vector<char*> pointers;
  pointers.reserve(argv.size() + 1);
  for (const std::string& item : argv) pointers.push_back(const_cast<char*>(item.c_str()));
  pointers.push_back(nullptr);
  std::vector<char*> env_pointers;
  if (env != nullptr) {
    for (const std::string& item : *env) env_pointers.push_back(const_cast<char*>(item.c_str()));
    env_pointers.push_back(nullptr);
  }

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&actions) != 0) return kSpawnOutOfMemory;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return kSpawnOutOfMemory;
  }
  sigset_t no_signals, all_signals;
  sigemptyset(&no_signals);
  sigfillset(&all_signals);
  int error = posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  if (error == 0 && !working_dir.empty())
    error = posix_spawn_file_actions_addchdir_np(&actions, working_dir.c_str());
  if (error == 0) error = posix_spawnattr_setsigmask(&attributes, &no_signals);
  if (error == 0) error = posix_spawnattr_setsigdefault(&attributes, &all_signals);
  if (error == 0)
    error = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t child = -1;
  if (error == 0)
    error = posix_spawn(&child, program.c_str(), &actions, &attributes, pointers.data(),
                        env != nullptr ? env_pointers.data() : environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    LogWarn("ds::StartProcess")("can't start %s: %s.", program.c_str(), std::strerror(error));
    return SpawnErrorCode(error);
  }
  if (pid_out != nullptr)
    *pid_out = child;
  else if (!WatchProcess(child, nullptr))
    LogWarn("ds::StartProcess")("no thread to reap process %d.", static_cast<int>(child));
  return kSpawnStarted;
}

int DecodeStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// The program item at the start of `text` (see SplitCommandLine) and where the rest begins.
std::string ProgramItem(std::string_view text, std::size_t* rest) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  std::string program;
  if (i < text.size() && text[i] == '"') {
    std::size_t close = text.find('"', i + 1);
    if (close == std::string_view::npos) close = text.size();
    program.assign(text.substr(i + 1, close - i - 1));
    i = close < text.size() ? close + 1 : close;
  } else {
    std::size_t start = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    program.assign(text.substr(start, i - start));
  }
  *rest = i;
  return program;
}

// A path handed to another program as an argument must not read as an option.
std::string AsArgument(const std::string& path) {
  return !path.empty() && path[0] == '-' ? "./" + path : path;
}

bool LooksLikeUrl(std::string_view text) {
  std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    char c = text[i];
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!letter && !(i > 0 && other)) return false;
  }
  return true;
}

}  // namespace

std::string GetProcessExecutable(ProcessId pid) {
  const std::string link = pid == 0 ? std::string("/proc/self/exe") : "/proc/" + std::to_string(pid) + "/exe";
  char target[4096];
  const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
  if (length <= 0) return std::string();
  std::string exe(target, static_cast<std::size_t>(length));
  constexpr std::string_view kDeleted = " (deleted)";
  if (exe.size() > kDeleted.size() && std::string_view(exe).substr(exe.size() - kDeleted.size()) == kDeleted)
    exe.resize(exe.size() - kDeleted.size());
  return exe;
}

std::vector<ProcessId> FindProcessByName(std::string_view name, bool include_self) {
  std::vector<ProcessId> found;
  if (name.empty()) return found;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return found;
  const ProcessId self = getpid();
  while (struct dirent* entry = readdir(proc)) {
    char* end = nullptr;
    long value = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || value <= 0) continue;
    ProcessId pid = static_cast<ProcessId>(value);
    if (pid == self && !include_self) continue;
    std::string base = "/proc/" + std::string(entry->d_name);

    bool matches = false;
    const std::string exe = GetProcessExecutable(pid);
    if (!exe.empty()) {
      matches = AsciiEqualsIgnoreCase(BaseName(exe), name);
      // A Windows program runs in Wine's loader, which puts the program's path in argv[0].
      if (!matches && IsWineLoader(BaseName(exe))) {
        std::string cmdline = ReadProcFile(base + "/cmdline");
        matches = AsciiEqualsIgnoreCase(WindowsBaseName(cmdline.substr(0, cmdline.find('\0'))), name);
      }
    } else {
      // Not ours to inspect (or a kernel thread): argv[0], then the short name. The kernel keeps
      // at most 15 bytes of that name.
      std::string cmdline = ReadProcFile(base + "/cmdline");
      std::string argv0 = cmdline.substr(0, cmdline.find('\0'));
      if (!argv0.empty()) matches = AsciiEqualsIgnoreCase(BaseName(argv0), name);
      if (!matches) {
        std::string comm = ReadProcFile(base + "/comm");
        if (!comm.empty() && comm.back() == '\n') comm.pop_back();
        matches = !comm.empty() &&
                  (AsciiEqualsIgnoreCase(comm, name) ||
                   (comm.size() == 15 && name.size() > 15 && AsciiEqualsIgnoreCase(comm, name.substr(0, 15))));
      }
    }
    if (!matches) continue;
    char state = ProcessState(pid);
    if (state == 0 || state == 'Z' || state == 'X' || state == 'x') continue;
    found.push_back(pid);
  }
  closedir(proc);
  return found;
}

bool IsProcessAlive(ProcessId pid) {
  if (pid <= 0) return false;
  char state = ProcessState(pid);
  if (state != 0) return state != 'Z' && state != 'X' && state != 'x';
  // No /proc entry: either gone, or /proc is not mounted.
  if (access("/proc/self/stat", F_OK) == 0) return false;
  return kill(pid, 0) == 0 || errno == EPERM;
}

std::string FindOnPath(std::string_view name) {
  if (name.empty() || name.find('/') != std::string_view::npos) return std::string();
  const char* path = std::getenv("PATH");
  std::string_view dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    std::size_t colon = dirs.find(':');
    std::string_view dir = dirs.substr(0, colon);
    if (!dir.empty()) {
      std::string candidate = std::string(dir) + "/" + std::string(name);
      if (IsRegularFile(candidate) && access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    if (colon == std::string_view::npos) break;
    dirs.remove_prefix(colon + 1);
  }
  return std::string();
}

int StartProcessArgs(const char* path, const std::vector<std::string>& args,
                     const char* working_dir, ProcessId* pid) {
  if (pid != nullptr) *pid = -1;
  if (path == nullptr || path[0] == '\0') return kSpawnFileNotFound;
  // Windows paths (from a registry value, an uninstall command) name files inside the prefix.
  std::string file = ResolveWindowsPath(path);
  bool by_name = false;  // a Windows program wine finds itself (msiexec.exe, regedit.exe)
  if (file.find('/') == std::string::npos) {
    std::string resolved = FindOnPath(file);
    if (resolved.empty()) {
      if (!EndsWithIgnoreCase(file, ".exe")) return kSpawnFileNotFound;
      by_name = true;
    } else {
      file = resolved;
    }
  } else {
    struct stat st;
    if (stat(file.c_str(), &st) != 0)
      return errno == EACCES ? kSpawnAccessDenied : kSpawnFileNotFound;
  }
  std::string directory = working_dir != nullptr ? ResolveWindowsPath(working_dir) : std::string();
  if (!directory.empty() && !IsDirectory(directory)) return kSpawnPathNotFound;

  std::vector<std::string> argv;
  std::string program = file;
  bool is_exe = EndsWithIgnoreCase(file, ".exe");
  bool is_msi = EndsWithIgnoreCase(file, ".msi");
  if (is_exe || is_msi) {
    const WineStatus status = CheckWineFor(file);
    if (status != WineStatus::kReady) {
      LogWarn("ds::StartProcess")("%s", WineStatusMessage(status, file).c_str());
      return status == WineStatus::kNoWine ? kSpawnNoAssociation : kSpawnBadFormat;
    }
    program = FindOnPath("wine");
    argv.push_back(program);
    if (is_msi) {
      argv.push_back("msiexec");
      argv.push_back("/i");
    }
  }
  if (is_msi) {
    // msiexec reads its package name as a Windows path; a POSIX one would be taken from the
    // current drive's root. Wine's loader maps a program's POSIX path itself.
    const std::string windows = WindowsPathOf(file);
    argv.push_back(windows.empty() ? AsArgument(file) : windows);
  } else {
    argv.push_back(is_exe ? (by_name ? file : AsArgument(file)) : file);
  }
  argv.insert(argv.end(), args.begin(), args.end());
  if (!(is_exe || is_msi)) return Spawn(program, argv, directory, pid);
  const std::vector<std::string> env = WineEnvironment();
  return Spawn(program, argv, directory, pid, &env);
}

int WaitForWineServer(int timeout_ms) {
  const std::string server = FindOnPath("wineserver");
  if (server.empty()) return -1;
  const std::vector<std::string> env = WineEnvironment();
  ProcessId pid = -1;
  if (Spawn(server, {server, "-w"}, std::string(), &pid, &env) != kSpawnStarted) return -1;
  int code = 0;
  if (WaitProcess(pid, timeout_ms, &code) == 1) return 1;
  kill(pid, SIGTERM);  // only the waiting client: the server itself goes on
  WaitProcess(pid, -1, &code);
  return 0;
}

int StartProcess(const char* path, const char* parameters, const char* working_dir,
                 ProcessId* pid) {
  return StartProcessArgs(path, SplitParameters(parameters != nullptr ? parameters : ""),
                          working_dir, pid);
}

int WaitProcess(ProcessId pid, int timeout_ms, int* exit_code) {
  if (pid <= 0) return -1;
  int status = 0;
  if (timeout_ms < 0) {
    pid_t result;
    do {
      result = waitpid(pid, &status, 0);
    } while (result < 0 && errno == EINTR);
    if (result != pid) return -1;
    if (exit_code != nullptr) *exit_code = DecodeStatus(status);
    return 1;
  }
  // A pidfd becomes readable when the process ends, so the wait needs no polling loop.
  // (glibc 2.36's <sys/pidfd.h> lacks C linkage for C++, hence the raw system call.)
  int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  int outcome = 0;
  for (;;) {
    pid_t result = waitpid(pid, &status, WNOHANG);
    if (result == pid) {
      if (exit_code != nullptr) *exit_code = DecodeStatus(status);
      outcome = 1;
      break;
    }
    if (result < 0 && errno != EINTR) {
      outcome = -1;
      break;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) break;
    if (pidfd >= 0) {
      struct pollfd watch = {pidfd, POLLIN, 0};
      poll(&watch, 1, static_cast<int>(left));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(left < 10 ? left : 10));
    }
  }
  if (pidfd >= 0) close(pidfd);
  return outcome;
}

int WatchProcess(ProcessId pid, ProcessCallback callback) {
  try {
    std::thread([pid, callback = std::move(callback)]() {
      int code = -1;
      if (WaitProcess(pid, -1, &code) != 1) code = -1;
      if (!callback) return;
      try {
        callback(pid, code);
      } catch (...) {
        LogWarn("ds::WatchProcess")("the callback for process %d threw.", static_cast<int>(pid));
      }
    }).detach();
  } catch (...) {
    return 0;
  }
  return 1;
}

std::vector<std::string> SplitParameters(std::string_view text) {
  std::vector<std::string> items;
  std::size_t i = 0;
  const std::size_t n = text.size();
  for (;;) {
    while (i < n && IsBlank(text[i])) ++i;
    if (i >= n) break;
    std::string item;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(text[i]))) {
      char c = text[i];
      if (c == '\\') {
        std::size_t count = 0;
        while (i < n && text[i] == '\\') {
          ++count;
          ++i;
        }
        if (i < n && text[i] == '"') {
          item.append(count / 2, '\\');
          if (count % 2 == 1) {  // escaped quote
            item += '"';
            ++i;
          }                      // else the quote is handled as a quote next round
        } else {
          item.append(count, '\\');
        }
      } else if (c == '"') {
        if (quoted && i + 1 < n && text[i + 1] == '"') {
          item += '"';
          quoted = false;
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        item += c;
        ++i;
      }
    }
    items.push_back(std::move(item));
  }
  return items;
}

std::vector<std::string> SplitCommandLine(std::string_view text) {
  std::vector<std::string> items;
  std::size_t rest = 0;
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return items;
  items.push_back(ProgramItem(text, &rest));
  std::vector<std::string> others = SplitParameters(text.substr(rest));
  items.insert(items.end(), others.begin(), others.end());
  return items;
}

int RunCommandLine(const char* command_line, ProcessId* pid) {
  if (pid != nullptr) *pid = -1;
  std::string_view text = command_line != nullptr ? command_line : "";
  std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return kSpawnFileNotFound;
  text.remove_prefix(start);

  std::size_t rest = 0;
  std::string program = ProgramItem(text, &rest);
  if (text[0] != '"') {
    // An unquoted program path may contain blanks: try the prefixes ending before each blank,
    // shortest first, as Windows does.
    for (std::size_t end = 0; end <= text.size(); ++end) {
      if (end < text.size() && !IsBlank(text[end])) continue;
      std::string candidate(text.substr(0, end));
      if (candidate.find_first_of("/\\") != std::string::npos &&
          IsRegularFile(ResolveWindowsPath(candidate))) {
        program = candidate;
        rest = end;
        break;
      }
    }
  }
  return StartProcessArgs(program.c_str(), SplitParameters(text.substr(rest)), nullptr, pid);
}

int OpenWithShell(const char* path_or_url) {
  if (path_or_url == nullptr || path_or_url[0] == '\0') return kSpawnFileNotFound;
  std::string target = path_or_url;
  if (!LooksLikeUrl(target)) {
    target = NativePath(target);
    if (!PathExists(target)) return kSpawnFileNotFound;
    target = AsArgument(target);
  }
  std::string opener = FindOnPath("xdg-open");
  if (opener.empty()) {
    LogWarn("ds::OpenWithShell")("xdg-open is not installed; can't open %s.", target.c_str());
    return kSpawnNoAssociation;
  }
  return Spawn(opener, {opener, target}, std::string(), nullptr);
}

}  // namespace ds
