// Detection: whether each catalogue program is installed, where its executable is, and whether
// its installer (or an upgrade installer) is waiting in the download directory.
#include <cstdlib>

#include "app/catalogue/registry_exe_path.h"
#include "app/catalogue/software_mgr.h"
#include "core/files/file_system.h"
#include "core/files/folder_listing.h"
#include "core/text/path.h"
#include "core/platform/wine_prefix.h"
#include "core/registry/registry.h"
#include "core/registry/registry_store.h"

namespace {

// Catalogue entries that stand for one major version of a product that installs several majors
// side by side; the executable's major version must match the catalogue's.
bool IsMajorVersionEntry(int id) {
  return id == 37 || id == 38 || id == 39 || id == 52 || id == 53 || id == 54 || id == 430;
}

int MajorVersion(const std::string& version) { return std::atoi(version.c_str()); }

}  // namespace

void SoftwareMgr::DetectAll() {
  // One check of the registry files and one read of the download folder for the whole pass.
  const ds::reg::ReadBatch snapshot;
  const ds::FolderListing installers(DownloadDir());
  for (auto& entry : states_) Detect(entry.first, &installers);
}

bool SoftwareMgr::HasFinishedInstaller(const SoftwareState& state, const std::string& directory,
                                       const ds::FolderListing* installers) const {
  if (installers == nullptr) return ds::IsRegularFile(FinishedInstallerPath(directory, state.url));
  return installers->HasRegularFile(InstallerFileName(state.url));
}

void SoftwareMgr::Detect(int id, const ds::FolderListing* installers) {
  SoftwareState* state = FindState(id);
  if (state == nullptr) return;
  if (state->usesUpdateStatus == 1) CheckUpgradeInstaller(id, true, installers);

  const bool busy = IsBusyStatus(CurrentStatus(*state));
  if (!busy) SetStatus(state, state->usesUpdateStatus ? StatusInstalled : StatusNotInstalled);

  // An upgrade record whose installer was downloaded for an older catalogue version keeps 1,
  // as CheckUpgradeInstaller decided: offering that installer would install the old version.
  const std::string downloadDir = DownloadDir();
  if (!busy && HasFinishedInstaller(*state, downloadDir, installers) &&
      !(state->usesUpdateStatus && IsStaleUpgradeInstaller(*state))) {
    SetStatus(state, StatusDownloaded);
  }
  if (state->usesUpdateStatus && state->type != -2) return;

  std::string path;
  if (state->RegRootIndex == 5) {
    if (!state->Defaultexe.empty()) {
      path = ds::FileSystem::Instance()->CombineWorkPath(std::string("\\") + state->Defaultexe);
    } else if (state->exe.empty()) {
      path = FinishedInstallerPath(downloadDir, state->url);
    } else {
      path = downloadDir + "\\" + state->exe;
    }
  } else if (state->PerformStyle == 4) {
    HKEY root = RootKey(state->RegRootIndex);
    if (root == nullptr) return;
    ds::Registry registry(root);
    if (!registry.Open(state->regapp.c_str(), KEY_ALL_ACCESS)) return;
    path = KeyEncodedExePath(state->regapp);
  } else if (state->RegRootIndex == 4) {
    path = state->regapp;
  } else if (!ReadRegistryExePath(*state, path)) {
    return;
  }

  // Registry values name Windows paths ("C:\Program Files\..."): files inside the Wine prefix.
  // A type -2 entry (a system program, its path possibly followed by arguments) keeps its text;
  // starting it resolves the program part.
  const std::string resolved = ds::ResolveWindowsPath(path);
  if (state->type != -2) path = resolved;
  if (!ds::IsRegularFile(resolved) && state->type != -2) return;
  if (IsMajorVersionEntry(state->id) &&
      MajorVersion(ReadVersionString(path, "ProductVersion")) != MajorVersion(state->verinfo)) {
    return;
  }
  state->installedExe = path;
  if (!busy) SetStatus(state, StatusInstalled);
}

bool SoftwareMgr::ReadRegistryExePath(const SoftwareState& state, std::string& path) {
  std::string value;
  if (!ReadRegistryValue(state.RegRootIndex, state.regapp, state.regname, value)) return false;
  return ShapeRegistryExePath(value, state.PerformStyle, state.exe, state.regapp, path);
}

void SoftwareMgr::CheckUpgradeInstaller(int id, bool useUpdate, const ds::FolderListing* installers) {
  SoftwareState* state = FindState(id);
  if (state == nullptr) return;
  if (IsBusyStatus(useUpdate ? state->updateStatus : state->status)) return;
  SetStatus(state, StatusInstalled);
  if (HasFinishedInstaller(*state, DownloadDir(), installers)) {
    if (IsStaleUpgradeInstaller(*state)) return;
    SetStatus(state, StatusDownloaded);
  } else {
    state->usesUpdateStatus = 0;
  }
}
