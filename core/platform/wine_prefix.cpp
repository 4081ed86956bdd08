#include "core/platform/wine_prefix.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "core/pe/pe_image.h"
#include "core/platform/environment.h"
#include "core/platform/process.h"
#include "core/text/ascii.h"
#include "core/text/path.h"

namespace ds {

namespace {

std::mutex g_mutex;
std::string g_configured;

std::string RealPath(const std::string& path) {
  char buffer[PATH_MAX];
  return ::realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : std::string();
}

bool IsExecutableFile(const std::string& path) {
  return IsRegularFile(path) && ::access(path.c_str(), X_OK) == 0;
}

// The first bytes of a file (enough for the headers of an executable).
std::string ReadHead(const std::string& path, std::size_t limit) {
  std::string data;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return data;
  data.resize(limit);
  std::size_t got = 0;
  while (got < limit) {
    const ssize_t n = ::read(fd, &data[got], limit - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  data.resize(got);
  return data;
}

bool EndsWithIgnoreCase(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() &&
         AsciiEqualsIgnoreCase(text.substr(text.size() - tail.size()), tail);
}

}  // namespace

void SetConfiguredWinePrefix(const std::string& prefix) {
  std::lock_guard<std::mutex> guard(g_mutex);
  g_configured = prefix;
}

std::string ConfiguredWinePrefix() {
  std::lock_guard<std::mutex> guard(g_mutex);
  return g_configured;
}

std::string WinePrefix() {
  const char* env = std::getenv("WINEPREFIX");
  if (env != nullptr && *env != '\0') return NativePath(env);
  std::string configured = ConfiguredWinePrefix();
  if (!configured.empty()) return NativePath(configured);
  const std::string home = HomeDirectory();
  return home.empty() ? std::string() : home + "/.wine";
}

bool IsWindowsDrivePath(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::string ResolveWindowsPath(std::string_view path) {
  std::string_view p = path;
  if (p.substr(0, 4) == "\\\\?\\" || p.substr(0, 4) == "\\??\\") p.remove_prefix(4);
  if (!IsWindowsDrivePath(p)) return NativePath(path);
  const std::string prefix = WinePrefix();
  if (prefix.empty()) return NativePath(path);
  const char drive = static_cast<char>(p[0] >= 'A' && p[0] <= 'Z' ? p[0] - 'A' + 'a' : p[0]);
  std::string current = prefix + "/dosdevices/" + drive + ":";
  // The drive is a link (c: -> ../drive_c, z: -> /); its target is the folder Wine itself
  // shows the program, so paths handed back to wine map to the same drive letter.
  const std::string target = RealPath(current);
  if (!target.empty()) current = target;
  std::vector<std::string> names;
  std::size_t start = 2;
  while (start <= p.size()) {
    std::size_t end = p.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = p.size();
    const std::string_view name = p.substr(start, end - start);
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.emplace_back(name);
    }
    start = end + 1;
  }
  for (const std::string& name : names) current = FindCaseInsensitive(current, name);
  return current;
}

std::string WindowsPathOf(std::string_view path) {
  const std::string prefix = WinePrefix();
  std::string file = NativePath(path);
  if (prefix.empty() || file.empty() || file[0] != '/') return std::string();
  // Compare real folders: the drives are links, and so may be the file's folders.
  const std::string real_dir = RealPath(DirectoryOf(file));
  if (!real_dir.empty()) file = (real_dir == "/" ? std::string() : real_dir) + "/" + FileNameOf(file);
  std::string best_target;
  char best_drive = 0;
  for (char drive = 'a'; drive <= 'z'; ++drive) {
    const std::string target = RealPath(prefix + "/dosdevices/" + drive + ":");
    if (target.empty() || (best_drive != 0 && target.size() <= best_target.size())) continue;
    const bool holds = target == "/" || file == target ||
                       (file.size() > target.size() && file.compare(0, target.size(), target) == 0 &&
                        file[target.size()] == '/');
    if (!holds) continue;
    best_target = target;
    best_drive = drive;
  }
  if (best_drive == 0) return std::string();
  std::string rest = best_target == "/" ? file : file.substr(best_target.size());
  for (char& c : rest) {
    if (c == '/') c = '\\';
  }
  if (rest.empty()) rest = "\\";
  return std::string(1, static_cast<char>(best_drive - 'a' + 'A')) + ":" + rest;
}

bool Wine32Installed() {
  const std::string wine = FindOnPath("wine");
  if (wine.empty()) return false;
  // Debian and Ubuntu: bin/wine is a script choosing lib/wine/wine (wine32) or lib/wine/wine64.
  for (const std::string& bin : {DirectoryOf(wine), DirectoryOf(RealPath(wine))}) {
    if (!bin.empty() && IsExecutableFile(bin + "/../lib/wine/wine")) return true;
  }
  // Upstream builds: bin/wine is the 32-bit loader itself (an ELF of class 1).
  const std::string head = ReadHead(RealPath(wine), 5);
  return head.size() == 5 && head.compare(0, 4, "\x7f" "ELF") == 0 && head[4] == 1;
}

WineStatus CheckWineFor(const std::string& program) {
  if (FindOnPath("wine").empty()) return WineStatus::kNoWine;
  if (EndsWithIgnoreCase(program, ".exe")) {
    // The headers sit near the start; 64 KiB covers any stub a linker puts before them.
    const std::string head = ReadHead(NativePath(program), 64 * 1024);
    const std::uint16_t machine =
        PeMachine(reinterpret_cast<const unsigned char*>(head.data()), head.size());
    if (machine == kPeMachineI386 && !Wine32Installed()) return WineStatus::kNo32Bit;
  }
  return WineStatus::kReady;
}

std::string WineStatusMessage(WineStatus status, const std::string& program) {
  const std::string name = FileNameOf(program);
  switch (status) {
    case WineStatus::kReady:
      return std::string();
    case WineStatus::kNoWine:
      return name + " 是 Windows 程序，需要 Wine 才能运行，但本机没有安装 Wine。\n"
             "请安装 Debian 软件包 wine（它带来 wine、wineboot 和 msiexec；单独的 wine64 只是加载器）：\n"
             "sudo apt-get install wine";
    case WineStatus::kNo32Bit:
      return name + " 是 32 位 Windows 程序，需要 32 位 Wine（软件包 wine32），本机的 Wine 只有 64 位部分。\n"
             "添加方法（先允许安装 i386 架构的软件包）：\n"
             "sudo dpkg --add-architecture i386\n"
             "sudo apt-get update\n"
             "sudo apt-get install wine32:i386";
  }
  return std::string();
}

}  // namespace ds
