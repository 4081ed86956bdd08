#include "app/assoc/system_settings.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "app/assoc/mgr_config.h"
#include "core/files/file_system.h"
#include "core/text/path.h"

namespace system_settings {

namespace {

// The decimal value of an edit's text ("" and non-digits give 0, as the edit's number does).
long NumberOf(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

bool AllDigits(const std::string& text) {
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

std::string ClampDownloadCount(const std::string& text) {
  if (text.empty()) return text;
  const long value = NumberOf(text);
  if (value >= 100) return "99";
  if (value <= 0) return "1";
  return text;
}

Form Load(const CMgrConfig& config) {
  Form form;
  form.ownDirectory = config.GetUserDownloadDir() != 0;
  form.directory = config.GetDownloadDir();
  form.downloadCount = std::to_string(config.GetDownloadCount());
  form.autoInstall = config.GetAutoInstall() != 0;
  form.startup = config.GetStartup() != 0;
  form.speedLimit = config.GetSpeedLimit() > 0 ? std::to_string(config.GetSpeedLimit()) : "";
  form.winePrefix = config.GetWinePrefix();
  return form;
}

Outcome Apply(CMgrConfig& config, const Form& form, int runningDownloads) {
  Outcome outcome;
  if (!AllDigits(form.speedLimit)) {
    outcome.message = "限速请输入整数（KB/秒），0 为不限速";
    return outcome;
  }
  if (form.ownDirectory) {
    const std::string dir = ds::NativePath(form.directory);
    // One level is made, as the folder picker offers only folders whose parent exists.
    const bool usable = !dir.empty() && (ds::IsDirectory(dir) || (::mkdir(dir.c_str(), 0755) == 0));
    if (!usable) {
      outcome.message = "下载目录无法找到或创建，请重新选择";
      return outcome;
    }
  }
  config.SetAutoInstall(form.autoInstall ? 1 : 0);
  if (form.ownDirectory) {
    config.SetDownloadDir(ds::NativePath(form.directory).c_str());
    config.SetUserDownloadDir(1);
  } else {
    const std::string fallback = ds::NativePath(ds::FileSystem::Instance()->GetWorkPath() + std::string("\\setup"));
    config.SetDownloadDir(fallback.c_str());
    config.SetUserDownloadDir(0);
  }
  const int count = static_cast<int>(NumberOf(form.downloadCount));
  config.SetDownloadCount(count);
  outcome.startWaiting = count > runningDownloads;
  config.SetSpeedLimit(static_cast<int>(NumberOf(form.speedLimit)));
  if (form.winePrefix != config.GetWinePrefix()) config.SetWinePrefix(form.winePrefix.c_str());
  config.SetStartup(form.startup ? 1 : 0);
  config.SaveSettings();
  outcome.applied = true;
  return outcome;
}

}  // namespace system_settings
