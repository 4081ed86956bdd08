#include "app/assoc/mgr_config.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "app/assoc/autostart_entry.h"
#include "app/catalogue/dict_mgr.h"
#include "core/files/file_system.h"
#include "core/log/logger.h"
#include "core/text/path.h"
#include "core/platform/process.h"
#include "core/platform/program_paths.h"
#include "core/platform/wine_prefix.h"
#include "core/registry/registry.h"

namespace {

constexpr char kSettingsFile[] = "MgrSet.xml";
constexpr char kWinePrefixKey[] = "WinePrefix";
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\windows\\currentversion\\run";
constexpr char kRunValue[] = "RURUZOV";
constexpr unsigned long kRunValueSize = 512;
constexpr int kRecentCount = 10;

CMgrConfig* g_mgrConfig = nullptr;

std::string WorkPath() { return ds::FileSystem::Instance()->GetWorkPath(); }

// The run value's rule: the text up to its first '.', with ".exe" appended, must be a file.
bool RunValueNamesProgram(const char* value) {
  std::string program(value);
  const std::size_t dot = program.find('.');
  if (dot != std::string::npos) program.erase(dot);
  program += ".exe";
  return ds::PathExists(program);
}

// A session entry is ours to remove when it starts this program, or starts nothing that still
// exists (left by an installation that is gone). An entry of another installation stays.
bool EntryRemovable(const autostart::EntryInfo& entry, const std::string& executable) {
  if (entry.program.empty()) return true;
  struct stat st;
  return autostart::SameProgram(entry.program, executable) || ::stat(entry.program.c_str(), &st) != 0;
}

}  // namespace

CMgrConfig* GetMgrConfig() { return g_mgrConfig; }
void SetMgrConfig(CMgrConfig* config) { g_mgrConfig = config; }

CMgrConfig::CMgrConfig()
    : downloadDir_(ds::NativePath(WorkPath() + "\\setup")),
      updateAddress_(kDefaultUpdateAddress),
      server_(kDefaultLoginServer),
      templates_(std::make_unique<AssociationTemplates>()) {}

CMgrConfig::~CMgrConfig() { ClearAssociations(); }

std::string CMgrConfig::ConfigPath(const char* name) {
  std::string path = WorkPath() + "\\Config";
  if (name != nullptr) path += std::string("\\") + name;
  return ds::NativePath(path);
}

void CMgrConfig::ClearAssociations() {
  for (AssociationSetting* entry : associations_) delete entry;
  associations_.clear();
}

int CMgrConfig::LoadSettings() {
  const std::string file = ConfigPath(kSettingsFile);
  const int loaded = Load(file.c_str());
  if (!loaded && ds::PathExists(file)) {
    // The save at exit rewrites the file from the defaults; keep the damaged one for the user.
    const std::string aside = file + ".bad";
    if (std::rename(file.c_str(), aside.c_str()) == 0) {
      ds::LogWarn("CMgrConfig::LoadSettings")("%s is damaged; kept as %s.", file.c_str(), aside.c_str());
    }
  }
  if (loaded) ReadKeys();
  templates_->Load(kAssociateExFile);
  ReadStartupState();
  ReadAssociations();

  // The version the association engine and the launcher treat as Vista and later (major 6 or
  // more): programs here run through wine, whose default prefix reports Windows 10.
  osVersion_ = OsVersionInfo();
  osVersion_.dwOSVersionInfoSize = 156;
  osVersion_.dwMajorVersion = 10;
  osVersion_.dwMinorVersion = 0;
  osVersion_.dwBuildNumber = 19045;
  osVersion_.dwPlatformId = 2;  // VER_PLATFORM_WIN32_NT
  return loaded;
}

void CMgrConfig::ReadKeys() {
  int number = 0;
  if (GetInteger("DownloadCount", number) && number > 0) downloadCount_ = number;
  GetInteger("AutoInstall", autoInstall_);
  // A negative limit is no limit.
  if (GetInteger("SpeedLimit", number)) SetSpeedLimit(number);
  GetInteger("UserDowloaddir", userDownloadDir_);
  if (userDownloadDir_ != 0) {
    const char* dir = GetString("Downloadadd");
    if (dir[0] != '\0') downloadDir_ = dir;
  }
  const char* update = GetString("Updateadd");
  if (update[0] != '\0') updateAddress_ = update;
  const char* server = GetString("server");
  server_ = server[0] != '\0' ? server : kDefaultLoginServer;
  port_ = kDefaultLoginPort;
  if (GetInteger("port", number)) {
    // A TCP port is 1 to 65535; anything else would be cut to some other port on connecting.
    if (number > 0 && number <= 65535) {
      port_ = static_cast<unsigned>(number);
    } else {
      ds::LogWarn("CMgrConfig::LoadSettings")("port %d out of range, using %u.", number,
                                              kDefaultLoginPort);
    }
  }
  GetInteger("OpenAssociateWnd", openAssociateWnd_);
  const char* soft = GetString("Softdata");
  if (soft[0] != '\0') softData_ = soft;
  winePrefix_ = GetString(kWinePrefixKey);
  ds::SetConfiguredWinePrefix(winePrefix_);
}

void CMgrConfig::SetWinePrefix(const char* prefix) {
  if (prefix == nullptr) return;
  winePrefix_ = prefix;
  SetString(kWinePrefixKey, prefix);
  ds::SetConfiguredWinePrefix(winePrefix_);
}

void CMgrConfig::ReadStartupState() {
  startup_ = 0;
  ds::Registry reg(HKEY_LOCAL_MACHINE);
  char value[kRunValueSize];
  if (reg.Open(kRunKey, KEY_ALL_ACCESS) && reg.Read(kRunValue, value, sizeof value)) {
    value[sizeof value - 1] = '\0';
    if (RunValueNamesProgram(value)) startup_ = 1;
  }
  // What starts the program here is the session's autostart entry.
  const autostart::EntryInfo entry = autostart::ReadEntry(autostart::EntryPath());
  if (entry.present && entry.enabled &&
      autostart::SameProgram(entry.program, ds::GetProcessExecutable(0))) {
    startup_ = 1;
  }
}

void CMgrConfig::ReadAssociations() {
  ClearAssociations();
  ds::VecDict<AssociateFile>& files = CDictMgr::Instance()->AssociateFiles();
  const int count = files.Count();
  for (int i = 0; i < count; ++i) {
    const AssociateFile* file = files.At(i);
    if (file == nullptr) continue;
    auto* entry = new AssociationSetting;
    entry->name = file->name;
    int value = 0;
    if (GetInteger((file->name + "Set").c_str(), value)) entry->bound = entry->chosen = value;
    associations_.push_back(entry);
  }
}

int CMgrConfig::SaveSettings() {
  SetInteger("DownloadCount", downloadCount_);
  SetString("Downloadadd", downloadDir_.c_str());
  SetInteger("AutoInstall", autoInstall_);
  SetInteger("SpeedLimit", speedLimit_);
  SetInteger("UserDowloaddir", userDownloadDir_);
  SetInteger("Startup", startup_);
  SetInteger("OpenAssociateWnd", openAssociateWnd_);
  for (const AssociationSetting* entry : associations_) {
    SetInteger((entry->name + "Set").c_str(), entry->bound);
  }
  return WriteSettingsFile();
}

int CMgrConfig::WriteSettingsFile() {
  const std::string dir = ConfigPath(nullptr);
  if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
    ds::LogWarn("CMgrConfig::WriteSettingsFile")("can't create %s: %s.", dir.c_str(),
                                                 std::strerror(errno));
    return 0;
  }
  return Save(ConfigPath(kSettingsFile).c_str());
}

void CMgrConfig::SetDownloadDir(const char* directory) {
  if (directory == nullptr) return;
  downloadDir_ = directory;
  SetString("Downloadadd", directory);
}

void CMgrConfig::SetStartup(int flag) {
  startup_ = flag;
  // An installed program is started through its launcher in <prefix>/bin, as the menu does.
  const std::string executable = ds::ProgramLauncher();
  if (executable.empty()) {
    ds::LogWarn("CMgrConfig::SetStartup")("can't find the program's own path.");
    return;
  }

  ds::Registry reg(HKEY_LOCAL_MACHINE);
  reg.ModiyStyle(REG_OPTION_NON_VOLATILE);
  if (flag != 0) {
    const std::string command = executable + " /r";
    if (reg.CreateKey(kRunKey)) reg.Write(kRunValue, command.c_str());
  } else if (reg.Open(kRunKey, KEY_ALL_ACCESS)) {
    reg.DeleteValue(kRunValue);
  }

  const std::string path = autostart::EntryPath();
  if (flag != 0) {
    if (!autostart::WriteEntry(path, executable)) {
      ds::LogWarn("CMgrConfig::SetStartup")("can't write %s.", path.c_str());
    }
    return;
  }
  const autostart::EntryInfo entry = autostart::ReadEntry(path);
  if (entry.present && EntryRemovable(entry, executable) && ::unlink(path.c_str()) != 0 &&
      errno != ENOENT) {
    ds::LogWarn("CMgrConfig::SetStartup")("can't remove %s: %s.", path.c_str(),
                                          std::strerror(errno));
  }
}

void CMgrConfig::SetSoftAttention(int softId, int flag) {
  char key[32];
  std::snprintf(key, sizeof key, "Soft%d", softId);
  SetInteger(key, flag);
}

int CMgrConfig::RecordLastUsedSoft(int softId) {
  char key[32];
  auto slot = [&key](int i) {
    std::snprintf(key, sizeof key, "LastUseSoft%d", i);
    return key;
  };
  // Slot 0 is the newest; the ids shift down one slot until the id's older place (or a free
  // slot) absorbs the shift. What falls out of the last slot is dropped.
  int carry = -1;
  GetInteger(slot(0), carry);
  SetInteger(slot(0), softId);
  if (carry != -1 && carry != softId) {
    for (int i = 1; i < kRecentCount; ++i) {
      int current = 0;
      if (GetInteger(slot(i), current)) {
        if (carry == -1 || carry == current) break;
        SetInteger(slot(i), carry);
        carry = current == softId ? -1 : current;
      } else {
        if (carry == -1) break;
        SetInteger(slot(i), carry);
        carry = -1;
      }
    }
  }
  return WriteSettingsFile();
}
