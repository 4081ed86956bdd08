// catalogue_list [program folder]
//
// Opens the data pack soft.dat of a program folder (default: the build's dist folder beside this
// tool) with the pack password, reads the catalogue the way the program does (loose files in the
// folder win), detects every program on this machine and prints one line per program:
//   id  category  status  catalogue version  name  [executable]
// followed by a summary. Settings in the folder's Config/MgrSet.xml (the download directory)
// apply. Exit code 0, or 1 when the pack cannot be opened or holds no programs.
#include <cstdio>
#include <string>

#include "app/assoc/mgr_config.h"
#include "app/catalogue/dict_mgr.h"
#include "app/catalogue/software_mgr.h"
#include "app/shell/update_info.h"
#include "core/files/file_system.h"
#include "core/text/path.h"
#include "core/platform/process.h"
#include "vexo/ui/resources/pack_password.h"
#include "vexo/ui/resources/resource_mgr.h"

namespace {

std::string DefaultFolder() {
  const std::string self = ds::GetProcessExecutable(0);
  return ds::JoinPath(ds::DirectoryOf(ds::DirectoryOf(self)), "dist");
}

const char* StatusName(const SoftwareState& state) {
  const int status = CurrentStatus(state);
  if (status == StatusDownloaded) return "已下载";
  const char* text = StatusText(status, state.upgradeable);
  return *text != '\0' ? text : "-";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : DefaultFolder();
  ds::FileSystem::Instance()->SetWorkPath(folder.c_str());
  // Pack names are resolved against the work path, which is the folder now.
  const std::string pack = ds::FileNameOf(ds::FindCaseInsensitive(folder, kVexoPackFileName));
  VEXO_ResourceMgr::Instance()->Init(pack.c_str(), kVexoPackPassword);
  if (!VEXO_ResourceMgr::Instance()->GetUnzipFile()->IsOpen()) {
    std::fprintf(stderr, "catalogue_list: cannot open the data pack %s\n", pack.c_str());
    return 1;
  }
  CMgrConfig config;
  config.LoadSettings();
  SetMgrConfig(&config);
  CUpdateInfo updateInfo;
  updateInfo.LoadUpdateInfo();
  SetUpdateInfo(&updateInfo);

  SoftwareMgr manager;
  manager.LoadCategories();
  manager.LoadCommonCategories();
  manager.BuildStates();
  manager.DetectAll();
  manager.ScanInterruptedDownloads(manager.DownloadDir());

  int installed = 0;
  int upgradeable = 0;
  for (auto& entry : manager.States()) {
    SoftwareState& state = entry.second;
    const SoftwareTypeInfo* category = manager.FindCategory(state.type);
    std::string version;
    if (manager.JudgeUpgrade(state, version) == SoftwareMgr::UpgradeVerdict::Newer) {
      manager.ListUpgrade(state, version);
      ++upgradeable;
    }
    if (state.status == StatusInstalled) ++installed;
    std::printf("%5d  %-10s  %-8s  %-14s  %s%s%s\n", state.id, category ? category->name.c_str() : "-",
                StatusName(state), state.verinfo.c_str(), state.name.c_str(),
                state.installedExe.empty() ? "" : "  ", state.installedExe.c_str());
  }
  std::printf("%zu programs in %zu categories; %d installed, %d upgradeable. Download folder: %s\n",
              manager.States().size(), manager.Categories().size(), installed, upgradeable,
              manager.DownloadDir().c_str());
  SetMgrConfig(nullptr);
  SetUpdateInfo(nullptr);
  VEXO_ResourceMgr::Instance()->Fini();
  return manager.States().empty() ? 1 : 0;
}
