#include "app/pages/update_list.h"

#include <cstdio>

#include "app/assoc/mgr_config.h"
#include "core/thread/sync.h"

UpdateList::AttentionReader UpdateList::SettingsReader() {
  return [](int id, int& value) {
    CMgrConfig* config = GetMgrConfig();
    if (config == nullptr) return false;
    char key[32];
    std::snprintf(key, sizeof key, "Soft%d", id);
    return config->GetInteger(key, value) == 1;
  };
}

UpdateList::UpdateList(SoftwareMgr& manager, AttentionReader attention)
    : manager_(manager), attention_(std::move(attention)) {}

bool UpdateList::Rebuild(int mode, bool force) {
  mode_ = mode;
  listed_.clear();
  for (auto& entry : manager_.States()) {
    SoftwareState& state = entry.second;
    if (state.installedExe.empty() || state.enableuse == 0 || state.verinfo.empty() || state.type == -1) continue;
    int value = 0;
    if (attention_ && attention_(state.id, value)) {
      state.attention = value == 1 ? 1 : 0;
      if (state.attention == 1) state.listed = 1;
    } else {
      state.attention = 1;
      state.listed = 1;
    }
    std::string installed;
    if (manager_.JudgeUpgrade(state, installed) != SoftwareMgr::UpgradeVerdict::Newer) continue;
    const bool list = mode == kAll ? (force || state.listed == 1) : state.attention == 1;
    if (!list) continue;
    manager_.ListUpgrade(state, installed);
    if (force) state.listed = 1;
    listed_.push_back(&state);
  }
  const bool changed = static_cast<int>(listed_.size()) != count_;
  count_ = static_cast<int>(listed_.size());
  return changed;
}

bool UpdateList::Remove(int id) {
  for (auto it = listed_.begin(); it != listed_.end(); ++it) {
    if ((*it)->id != id) continue;
    (*it)->listed = 0;
    listed_.erase(it);
    count_ = static_cast<int>(listed_.size());
    return true;
  }
  return false;
}

SoftwareState* UpdateList::Find(int id) const {
  for (SoftwareState* state : listed_)
    if (state->id == id) return state;
  return nullptr;
}

UpdateAction ActionFor(int updateStatus) {
  if (updateStatus == StatusDownloaded) return UpdateAction::kInstall;
  // An installed program that never had an upgrade download keeps upgrade status 0 (or the
  // "stopped" or "cancelled" of an earlier one): it is ready for one, like status 1.
  if (IsBusyStatus(updateStatus)) return UpdateAction::kBusy;
  return UpdateAction::kDownload;
}

int UpgradeActionStatus(const SoftwareState& state) {
  if (state.usesUpdateStatus) return state.updateStatus;
  return IsBusyStatus(state.status) ? state.status : StatusInstalled;
}

std::string UpgradeInstallerPath(const SoftwareMgr& manager, const SoftwareState& state) {
  return FinishedInstallerPath(manager.DownloadDir(), state.url);
}

void MarkUpgradeDownloading(SoftwareMgr& manager, SoftwareState& state) {
  ds::LockGuard guard(&manager.StateLock());
  state.usesUpdateStatus = 1;
  state.updateStatus = StatusDownloading;
  state.updateStatusChanged = 1;
}
