#include "app/shell/update_info.h"

#include "core/files/file_system.h"
#include "core/text/path.h"

namespace {

CUpdateInfo* g_updateInfo = nullptr;

std::string ConfigFolder() { return ds::FileSystem::Instance()->CombineWorkPath(std::string("\\Config")); }

std::string UpdateInfoPath() { return ConfigFolder() + "\\UpdateInfo.xml"; }

}  // namespace

int CUpdateInfo::LoadUpdateInfo() { return Load(ds::NativePath(UpdateInfoPath()).c_str()); }

int CUpdateInfo::SaveUpdateInfo() const {
  if (!ds::MakeDirectories(ds::NativePath(ConfigFolder()))) return 0;
  return Save(ds::NativePath(UpdateInfoPath()).c_str());
}

std::string CUpdateInfo::RecordedVersion(const std::string& name) const {
  std::string version;
  GetString(name.c_str(), version);
  return version;
}

void CUpdateInfo::RecordVersion(const std::string& name, const std::string& version) {
  SetString(name.c_str(), version.c_str());
}

CUpdateInfo* GetUpdateInfo() { return g_updateInfo; }

void SetUpdateInfo(CUpdateInfo* info) { g_updateInfo = info; }
