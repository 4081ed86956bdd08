// Fixed settings of the updater: program names, the update server's packet address and the
// vendor's web pages.
#pragma once

#include <string>

namespace update {

#if defined(_WIN32)
constexpr const char kMainProgramName[] = "Corvane.exe";
constexpr const char kUpdaterProgramName[] = "update.exe";
#else
constexpr const char kMainProgramName[] = "Corvane";
constexpr const char kUpdaterProgramName[] = "update";
#endif

// The named mutex the main program holds while it runs.
constexpr const char kMainProgramMutex[] = "Corvane";

// Where packets are fetched from ("<base>/s<N>.pkg") unless overridden, see PacketBaseUrl.
constexpr const char kDefaultPacketBaseUrl[] = "http://update.corvane.com/update/packet";
// Environment variable that overrides the packet base URL.
constexpr const char kPacketBaseUrlVariable[] = "CORVANE_UPDATE_URL";
// A file in the program directory whose first line overrides the packet base URL.
constexpr const char kPacketBaseUrlFile[] = "UpdateUrl.txt";

// Opened by the "manual download" button and after a failed update.
constexpr const char kVendorSiteUrl[] = "http://www.corvane.com/";
constexpr const char kVendorDownloadUrl[] = "http://www.corvane.com/download.html";

// The packet base URL: $CORVANE_UPDATE_URL when set and not blank, else the first line of
// UpdateUrl.txt in `program_dir` when it holds one, else the default. Surrounding blanks and
// trailing '/' are removed.
std::string PacketBaseUrl(const std::string& program_dir);

// "<base>/s<N>.pkg".
std::string PacketUrl(const std::string& base_url, int number);

// Said instead of updating an installation this user cannot write to (a system-wide package).
constexpr const char kPackageManagerNotice[] = "请使用系统的软件包管理器更新";

}  // namespace update
