// The main program's settings: the typed store of "Config/MgrSet.xml" plus the fields the
// program reads all day (download directory, simultaneous downloads, automatic installation,
// start with the session, servers), the per-extension association flags, the association
// templates document and the Windows version the association engine and the launcher test.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/data/config.h"

// Deployment defaults, used until MgrSet.xml names others. The update address is the base the
// updater fetches its packets from too, so both programs agree.
constexpr const char kDefaultUpdateAddress[] = "http://update.corvane.com/update/packet";
constexpr const char kDefaultLoginServer[] = "login.corvane.com";
constexpr unsigned kDefaultLoginPort = 3055;

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}  // namespace tinyxml2

// One extension of the association catalogue and whether it is bound to this program.
struct AssociationSetting {
  std::string name;  // extension without the leading dot
  int bound = 0;     // bound to this program; the value that is saved
  int chosen = 1;    // the user's last choice in the association settings
};

// The Windows version record the association engine reads (OSVERSIONINFOEXA's fields).
struct OsVersionInfo {
  std::uint32_t dwOSVersionInfoSize = 0;
  std::uint32_t dwMajorVersion = 0;
  std::uint32_t dwMinorVersion = 0;
  std::uint32_t dwBuildNumber = 0;
  std::uint32_t dwPlatformId = 0;
  char szCSDVersion[128] = {};
  std::uint16_t wServicePackMajor = 0;
  std::uint16_t wServicePackMinor = 0;
  std::uint16_t wSuiteMask = 0;
  std::uint8_t wProductType = 0;
  std::uint8_t wReserved = 0;
};

// The parsed association templates and a cursor over the root's child elements.
class AssociationTemplates {
 public:
  AssociationTemplates();
  ~AssociationTemplates();
  // Discards the current document, then reads the loose file `name` under the work path, else
  // the pack entry of that name when its size is above 0. 1 when a document with a root loaded.
  int Load(const char* name);
  void Clear();
  tinyxml2::XMLDocument* Document() { return document_.get(); }
  // Cursor over the root's child elements, in document order; null at the end or without a
  // document.
  tinyxml2::XMLElement* MoveFirst();
  tinyxml2::XMLElement* MoveNext();
  // The first element whose "softid" equals `softid`, or null.
  tinyxml2::XMLElement* FindBySoftId(int softid);

 private:
  std::unique_ptr<tinyxml2::XMLDocument> document_;
  tinyxml2::XMLElement* cursor_ = nullptr;
};

class CMgrConfig : public ds::Config {
 public:
  CMgrConfig();
  ~CMgrConfig() override;
  CMgrConfig(const CMgrConfig&) = delete;
  CMgrConfig& operator=(const CMgrConfig&) = delete;

  // Reads "Config/MgrSet.xml" and the rest: templates, start-up state, association list, OS
  // version. 1 when the file loaded; on 0 the defaults stay in force.
  int LoadSettings();
  // Writes the keys saved at exit and one "<ext>Set" per association entry, then the file.
  int SaveSettings();
  // Creates "Config" under the work path when missing and saves the store there as MgrSet.xml.
  int WriteSettingsFile();

  void SetDownloadDir(const char* directory);
  void SetStartup(int flag);
  void SetSoftAttention(int softId, int flag);
  int RecordLastUsedSoft(int softId);

  int GetDownloadCount() const { return downloadCount_; }
  void SetDownloadCount(int count) { downloadCount_ = count; }
  const std::string& GetDownloadDir() const { return downloadDir_; }
  int GetAutoInstall() const { return autoInstall_; }
  void SetAutoInstall(int flag) { autoInstall_ = flag; }
  // The speed limit of all downloads together in KiB/s ("SpeedLimit"); 0 for none.
  int GetSpeedLimit() const { return speedLimit_; }
  void SetSpeedLimit(int kibPerSecond) { speedLimit_ = kibPerSecond > 0 ? kibPerSecond : 0; }
  int GetUserDownloadDir() const { return userDownloadDir_; }
  void SetUserDownloadDir(int flag) { userDownloadDir_ = flag; }
  const std::string& GetUpdateAddress() const { return updateAddress_; }
  int GetOpenAssociateWnd() const { return openAssociateWnd_; }
  void SetOpenAssociateWnd(int flag) { openAssociateWnd_ = flag; }
  int GetStartup() const { return startup_; }
  const std::string& GetSoftData() const { return softData_; }
  std::vector<AssociationSetting*>& Associations() { return associations_; }
  const std::string& GetServer() const { return server_; }
  unsigned GetPort() const { return port_; }
  const OsVersionInfo& GetOsVersion() const { return osVersion_; }
  // "WinePrefix": the Wine prefix Windows programs install into when $WINEPREFIX is not set
  // ("" for ~/.wine). Setting it takes effect at once (registry reads, started programs).
  const std::string& GetWinePrefix() const { return winePrefix_; }
  void SetWinePrefix(const char* prefix);
  AssociationTemplates& Templates() { return *templates_; }

 private:
  // Full path of a file under the work path's "Config" folder.
  static std::string ConfigPath(const char* name);
  void ReadKeys();
  void ReadStartupState();
  void ReadAssociations();
  void ClearAssociations();

  int downloadCount_ = 5;
  std::string downloadDir_;
  int autoInstall_ = 1;
  int speedLimit_ = 0;
  int userDownloadDir_ = 0;
  std::string updateAddress_;
  int openAssociateWnd_ = 0;
  int startup_ = 0;
  std::string softData_;
  std::string winePrefix_;
  std::vector<AssociationSetting*> associations_;
  std::string server_;
  unsigned port_ = kDefaultLoginPort;
  OsVersionInfo osVersion_;
  std::unique_ptr<AssociationTemplates> templates_;
};

// The process's settings object, set by start-up (null before and after).
CMgrConfig* GetMgrConfig();
void SetMgrConfig(CMgrConfig* config);
