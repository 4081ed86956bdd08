// Starting installed catalogue programs, by id from the pages and by name from the home page and
// the association dialog.
#include "app/assoc/mgr_config.h"
#include "app/catalogue/launch_command.h"
#include "app/catalogue/software_mgr.h"
#include "core/text/path.h"
#include "core/platform/process.h"
#include "core/platform/wine_prefix.h"

namespace {

// Without settings the launcher assumes what the settings record on this platform.
constexpr unsigned kDefaultOsMajorVersion = 10;

unsigned OsMajorVersion() {
  const CMgrConfig* config = GetMgrConfig();
  return config != nullptr ? config->GetOsVersion().dwMajorVersion : kDefaultOsMajorVersion;
}

}  // namespace

bool SoftwareMgr::RunProgram(int id, const char* parameters) {
  return RunProgramArgs(id, ds::SplitParameters(parameters != nullptr ? parameters : ""));
}

bool SoftwareMgr::RunProgramArgs(int id, const std::vector<std::string>& args) {
  SoftwareState* state = FindState(id);
  if (state == nullptr || state->enableuse == 0) return false;
  if (!ds::IsRegularFile(ds::ResolveWindowsPath(state->installedExe))) {
    DetectSoftware(id);
    return false;
  }
  const std::string directory = ds::DirectoryOf(state->installedExe);
  const int result = ds::StartProcessArgs(state->installedExe.c_str(), args, directory.c_str(), nullptr);
  if (result >= 32) return true;
  if (state->type > 0) DetectSoftware(id);
  return false;
}

bool SoftwareMgr::RunProgramByName(const std::string& name, const char* parameters) {
  SoftwareState* state = FindStateByName(name);
  if (state == nullptr || state->enableuse == 0) return false;
  const std::string directory = LaunchWorkingDirectory(state->installedExe, state->type, OsMajorVersion());
  if (!ds::IsRegularFile(ds::ResolveWindowsPath(state->installedExe)) && state->type != -2) {
    // A download in progress owns the status until it ends.
    if (!IsBusyStatus(CurrentStatus(*state))) SetStatus(state, StatusDownloaded);
    return false;
  }
  return LaunchProcess(BuildLaunchCommandLine(state->installedExe, parameters), directory);
}

bool SoftwareMgr::LaunchProcess(const std::string& commandLine, const std::string& workingDir) {
  std::vector<std::string> items = ds::SplitCommandLine(commandLine);
  if (items.empty()) return false;
  const std::string program = items.front();
  items.erase(items.begin());
  return ds::StartProcessArgs(program.c_str(), items, workingDir.c_str(), nullptr) == ds::kSpawnStarted;
}
