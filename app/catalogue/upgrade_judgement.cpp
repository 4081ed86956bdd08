// The upgrade judgement: is the catalogue's version newer than the installed one?
#include <algorithm>

#include "app/catalogue/software_mgr.h"
#include "core/thread/sync.h"
#include "vexo/ui/util/utilities.h"

namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

void RemoveSpaces(std::string& text) { text.erase(std::remove(text.begin(), text.end(), ' '), text.end()); }

// Installed versions come as "8, 6, 9, 0", "8。6" or "8，6" as often as "8.6.9.0".
std::string NormaliseInstalledVersion(std::string version) {
  ReplaceAll(version, ",", ".");
  ReplaceAll(version, "。", ".");
  ReplaceAll(version, "，", ".");
  RemoveSpaces(version);
  return version;
}

}  // namespace

SoftwareMgr::UpgradeVerdict SoftwareMgr::JudgeUpgrade(SoftwareState& state,
                                                      std::string& installedVersion) {
  if (state.installedExe.empty() || state.verinfo.empty() || state.enableuse == 0 || state.type == -1) {
    return UpgradeVerdict::Skipped;
  }
  std::string installed;
  if (state.regappver.empty()) {
    if (state.vertype == 0 || state.vertype == 1) {
      installed = ReadVersionString(state.installedExe, state.vertype == 0 ? "FileVersion" : "ProductVersion");
    }
  } else if (!ReadRegistryValue(state.verRegRootIndex, state.regappver, state.regnamever, installed)) {
    return UpgradeVerdict::Skipped;
  }
  if (installed.empty()) return UpgradeVerdict::Skipped;

  installed = NormaliseInstalledVersion(installed);
  std::string catalogue = state.verinfo;
  RemoveSpaces(catalogue);
  if (VEXO_CompareVersion(catalogue, installed) > 0) {
    installedVersion = installed;
    return UpgradeVerdict::Newer;
  }
  state.upgradeable = false;
  return UpgradeVerdict::NotNewer;
}

void SoftwareMgr::ListUpgrade(SoftwareState& state, const std::string& installedVersion) {
  {
    ds::LockGuard guard(&stateLock_);
    if (state.status == StatusPaused) {
      state.status = StatusInstalled;
      state.usesUpdateStatus = 1;
      state.updateStatus = StatusPaused;
      state.statusChanged = 1;
      state.updateStatusChanged = 1;
    }
  }
  state.upgradeable = true;
  state.installedVersion = installedVersion;
}
