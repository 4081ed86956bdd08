#include "app/catalogue/software_mgr.h"

#include "app/assoc/mgr_config.h"
#include "app/catalogue/dict_mgr.h"
#include "app/shell/update_info.h"
#include "core/files/file_system.h"
#include "core/text/path.h"
#include "core/registry/registry.h"
#include "core/registry/wine_layer.h"
#include "vexo/ui/util/utilities.h"

namespace {

SoftwareMgr* g_softwareMgr = nullptr;

}  // namespace

SoftwareMgr* GetSoftwareMgr() { return g_softwareMgr; }

void SetSoftwareMgr(SoftwareMgr* manager) { g_softwareMgr = manager; }

// Sockets need no library start-up here, so there is nothing to start or to clean up. The
// catalogue's Windows installers write their keys into the Wine prefix: its registry is read
// beneath ours from here on.
SoftwareMgr::SoftwareMgr()
    : roots_{HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_USERS} {
  ds::reg::AttachWineRegistry();
}

SoftwareMgr::~SoftwareMgr() = default;

int SoftwareMgr::LoadCategories() {
  ds::VecDict<SoftwareTypeInfo>& types = CDictMgr::Instance()->Types();
  for (int i = 0; i < types.Count(); ++i) categories_[types.At(i)->id] = *types.At(i);
  return 1;
}

int SoftwareMgr::LoadCommonCategories() {
  ds::VecDict<SoftwareTypeInfo>& types = CDictMgr::Instance()->CommonTypes();
  for (int i = 0; i < types.Count(); ++i) commonCategories_[types.At(i)->id] = *types.At(i);
  return 1;
}

int SoftwareMgr::BuildStates() {
  ds::VecDict<SoftwareInfo>& programs = CDictMgr::Instance()->Softwares();
  for (int i = 0; i < programs.Count(); ++i) {
    SoftwareState state(*programs.At(i));
    state.status = StatusNotInstalled;
    state.statusChanged = 1;
    states_[state.id] = state;
  }
  return 1;
}

SoftwareTypeInfo* SoftwareMgr::FindCategory(int id) {
  auto found = categories_.find(id);
  return found == categories_.end() ? nullptr : &found->second;
}

SoftwareTypeInfo* SoftwareMgr::FindCommonCategory(int id) {
  auto found = commonCategories_.find(id);
  return found == commonCategories_.end() ? nullptr : &found->second;
}

SoftwareState* SoftwareMgr::FindState(int id) {
  auto found = states_.find(id);
  return found == states_.end() ? nullptr : &found->second;
}

SoftwareState* SoftwareMgr::FindStateByName(const std::string& name) {
  for (auto& entry : states_) {
    if (entry.second.name == name) return &entry.second;
  }
  return nullptr;
}

SoftwareState* SoftwareMgr::FindStateByUrl(const std::string& url) {
  ds::VecDict<SoftwareInfo>& programs = CDictMgr::Instance()->Softwares();
  for (int i = 0; i < programs.Count(); ++i) {
    const SoftwareInfo* program = programs.At(i);
    if (program->type != -1 && program->url == url) return FindStateByName(program->name);
  }
  return nullptr;
}

void SoftwareMgr::SetStatus(SoftwareState* state, int value) {
  ds::LockGuard guard(&stateLock_);
  if (state->usesUpdateStatus) {
    state->updateStatus = value;
    state->updateStatusChanged = 1;
  } else {
    state->status = value;
    state->statusChanged = 1;
  }
}

std::string SoftwareMgr::DownloadDir() const {
  if (const CMgrConfig* config = GetMgrConfig()) return config->GetDownloadDir();
  return ds::FileSystem::Instance()->CombineWorkPath(std::string("\\setup"));
}

HKEY SoftwareMgr::RootKey(int index) const {
  return index >= 0 && index < 4 ? roots_[index] : nullptr;
}

bool SoftwareMgr::ReadRegistryValue(int rootIndex, const std::string& key, const std::string& name,
                                    std::string& out) const {
  HKEY root = RootKey(rootIndex);
  if (root == nullptr) return false;
  ds::Registry registry(root);
  if (!registry.Open(key.c_str(), KEY_ALL_ACCESS)) return false;
  char buffer[ds::kMaxPath] = {};
  if (!registry.Read(name.c_str(), buffer, sizeof buffer)) return false;
  out = buffer;
  return true;
}

bool SoftwareMgr::IsStaleUpgradeInstaller(const SoftwareState& state) const {
  const CUpdateInfo* info = GetUpdateInfo();
  if (info == nullptr) return false;
  const std::string recorded = info->RecordedVersion(state.name);
  return !recorded.empty() && VEXO_CompareVersion(state.verinfo, recorded) > 0;
}
