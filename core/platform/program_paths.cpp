#include "core/platform/program_paths.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "core/platform/environment.h"
#include "core/platform/process.h"
#include "core/text/path.h"

namespace ds {
namespace {

constexpr char kWorkFolder[] = "corvane";
constexpr char kLauncherName[] = "corvane";

std::string RealPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return std::string();
  std::string out(resolved);
  ::free(resolved);
  return out;
}

}  // namespace

std::string ProgramDirectory() {
  const std::string exe = GetProcessExecutable(0);
  return exe.empty() ? std::string() : DirectoryOf(exe);
}

bool IsWritableDirectory(const std::string& dir) {
  // The effective ids and capabilities decide, as they do for the writes themselves.
  return !dir.empty() && IsDirectory(dir) && ::faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::string ChooseWorkPath(const std::string& program_dir, bool (*program_dir_writable)(const std::string&)) {
  if (program_dir_writable == nullptr) program_dir_writable = &IsWritableDirectory;
  if (program_dir_writable(program_dir)) return program_dir;
  const std::string base = UserDataDirectory();
  if (base.empty()) return std::string();
  const std::string work = JoinPath(base, kWorkFolder);
  if (!MakeDirectories(work, 0700) || !IsWritableDirectory(work)) return std::string();
  return work;
}

std::string ProgramLauncher(const std::string& executable) {
  const std::string program_dir = DirectoryOf(executable);
  const std::string lib = DirectoryOf(program_dir);
  if (FileNameOf(program_dir) == kWorkFolder && FileNameOf(lib) == "lib") {
    const std::string launcher = JoinPath(JoinPath(DirectoryOf(lib), "bin"), kLauncherName);
    // Only a launcher that really starts this executable: another installation's stays unused.
    const std::string target = RealPath(launcher);
    if (!target.empty() && target == RealPath(executable) && ::access(launcher.c_str(), X_OK) == 0)
      return launcher;
  }
  return executable;
}

std::string ProgramLauncher() {
  const std::string executable = GetProcessExecutable(0);
  return executable.empty() ? executable : ProgramLauncher(executable);
}

}  // namespace ds
