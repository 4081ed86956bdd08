#include "app/catalogue/launch_command.h"

#include <algorithm>

#include "core/text/ascii.h"
#include "core/text/path.h"

namespace {

std::size_t FindIgnoringCase(const std::string& text, const char* needle, std::size_t from = 0) {
  return ds::AsciiLower(text).find(needle, from);
}

}  // namespace

std::string BuildLaunchCommandLine(const std::string& installedExe, const char* parameters) {
  std::string command = "\"" + installedExe;
  while (command.size() > 1 && (command.back() == ' ' || command.back() == '\t' ||
                                command.back() == '\r' || command.back() == '\n')) {
    command.pop_back();
  }
  const std::size_t exe = FindIgnoringCase(command, ".exe");
  if (exe != std::string::npos) {
    const std::size_t closing = exe + 4;
    command.insert(closing, 1, '"');
    const std::size_t dll = FindIgnoringCase(command, ".dll", closing + 1);
    if (dll != std::string::npos && closing + 2 <= dll) {
      command.insert(closing + 2, 1, '"');
      command.insert(dll + 1 + 4, 1, '"');
    }
  } else {
    // Programs here need not end in ".exe": the whole path is the program.
    command += '"';
  }
  if (parameters != nullptr && *parameters != '\0') {
    std::string extra = parameters;
    if (extra.find(',') != std::string::npos) {
      extra.erase(std::remove(extra.begin(), extra.end(), '"'), extra.end());
    }
    command += extra;
  }
  return command;
}

std::string LaunchWorkingDirectory(const std::string& installedExe, int type, unsigned osMajorVersion) {
  std::string directory = ds::DirectoryOf(installedExe);
  if (type != -2) return directory;
  if (osMajorVersion >= 6) {
    const std::size_t exe = FindIgnoringCase(directory, ".exe");
    if (exe != std::string::npos && exe > 0) {
      directory.resize(exe);
      directory = ds::DirectoryOf(directory);
    }
  } else {
    const std::size_t separator = directory.find_first_of("\\/");
    if (separator != std::string::npos && separator > 2) directory.erase(0, separator - 2);
  }
  return directory;
}
