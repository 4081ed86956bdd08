// The live state of every catalogue program on this computer: built from the catalogue, kept
// current by detection (registry values, executable files and their versions), and shared with
// the download queue and the pages. Runs on the window thread; download workers change the
// status fields only through SetStatus, under the state lock.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "app/catalogue/catalogue_records.h"
#include "app/catalogue/software_state.h"
#include "core/registry/registry_types.h"
#include "core/thread/sync.h"

namespace ds {
class FolderListing;
}  // namespace ds

class SoftwareMgr {
 public:
  SoftwareMgr();
  virtual ~SoftwareMgr();
  SoftwareMgr(const SoftwareMgr&) = delete;
  SoftwareMgr& operator=(const SoftwareMgr&) = delete;

  // The build steps, in this order at start-up; each returns 1.
  int LoadCategories();
  int LoadCommonCategories();
  int BuildStates();

  SoftwareTypeInfo* FindCategory(int id);
  SoftwareTypeInfo* FindCommonCategory(int id);
  SoftwareState* FindState(int id);
  // The first record (ascending id) whose name equals `name` byte for byte.
  SoftwareState* FindStateByName(const std::string& name);
  // The record of the first catalogue program (catalogue order) with this url and a type other
  // than -1, looked up by that program's name.
  SoftwareState* FindStateByUrl(const std::string& url);

  std::map<int, SoftwareTypeInfo>& Categories() { return categories_; }
  std::map<int, SoftwareTypeInfo>& CommonCategories() { return commonCategories_; }
  std::map<int, SoftwareState>& States() { return states_; }

  // Writes `updateStatus` (while `usesUpdateStatus`) or `status` under the state lock and sets
  // its changed flag.
  void SetStatus(SoftwareState* state, int value);
  ds::SimpleLock& StateLock() { return stateLock_; }

  void DetectAll();
  void DetectSoftware(int id) { Detect(id, nullptr); }
  // The executable path the registry names for the program, shaped by its PerformStyle. False
  // when the key or value is missing.
  bool ReadRegistryExePath(const SoftwareState& state, std::string& path);
  void CheckUpgradeInstaller(int id, bool useUpdate) { CheckUpgradeInstaller(id, useUpdate, nullptr); }

  // The upgrade judgement the update page runs over the records.
  enum class UpgradeVerdict {
    Skipped,   // not examined, or no installed version could be read: leave the record alone
    NotNewer,  // the catalogue is not newer (`upgradeable` has been cleared)
    Newer,     // the catalogue is newer: `installedVersion` receives the normalised version
  };
  UpgradeVerdict JudgeUpgrade(SoftwareState& state, std::string& installedVersion);
  // What listing an upgradeable program on the update page does to its record: a paused plain
  // download becomes a paused upgrade download, and the record is marked upgradeable.
  void ListUpgrade(SoftwareState& state, const std::string& installedVersion);

  bool RunProgram(int id, const char* parameters);
  // The same with the arguments already split (a file name stays one argument, whatever it holds).
  bool RunProgramArgs(int id, const std::vector<std::string>& args);
  bool RunProgramByName(const std::string& name, const char* parameters);

  // "FileVersion" or "ProductVersion" of an executable's version resource, or "".
  static std::string ReadVersionString(const std::string& file, const char* name);

  // Start-up: marks every program whose interrupted download left a record file in
  // `directory`'s Temp folder as paused, with the progress the record holds.
  void ScanInterruptedDownloads(const std::string& directory);

  // The configured download directory (work path + "\setup" without settings).
  std::string DownloadDir() const;
  // The registry root of a catalogue root index 0 to 3, or null for any other index.
  HKEY RootKey(int index) const;
  // A registry text value (at most 259 bytes) of `key` under root `rootIndex`, the key opened
  // with full access as detection always has. False when the root, key or value is missing.
  bool ReadRegistryValue(int rootIndex, const std::string& key, const std::string& name,
                         std::string& out) const;

 private:
  // Detection of one program; `installers` is the download folder read once for a whole pass
  // (null: each check looks at the file itself).
  void Detect(int id, const ds::FolderListing* installers);
  void CheckUpgradeInstaller(int id, bool useUpdate, const ds::FolderListing* installers);
  bool HasFinishedInstaller(const SoftwareState& state, const std::string& directory,
                            const ds::FolderListing* installers) const;
  // The recorded version of a downloaded upgrade installer is older than the catalogue's.
  bool IsStaleUpgradeInstaller(const SoftwareState& state) const;
  bool LaunchProcess(const std::string& commandLine, const std::string& workingDir);

  std::map<int, SoftwareTypeInfo> categories_;
  std::map<int, SoftwareTypeInfo> commonCategories_;
  std::map<int, SoftwareState> states_;
  ds::SimpleLock stateLock_;
  HKEY roots_[4];
};

// The process's manager, set by the main window (null before and after).
SoftwareMgr* GetSoftwareMgr();
void SetSoftwareMgr(SoftwareMgr* manager);
