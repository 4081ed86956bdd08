// The rules of the system settings page, without a window: the simultaneous-downloads edit, the
// download folder the page applies, and the whole apply, whose outcome the page acts on.
#pragma once
#include <string>

class CMgrConfig;

namespace system_settings {

// The edit's text after a change: 100 or more becomes "99", 0 or less becomes "1"; an empty
// edit stays empty; anything else is left as typed.
std::string ClampDownloadCount(const std::string& text);

// What the page holds when it applies.
struct Form {
  bool ownDirectory = false;
  std::string directory;
  std::string downloadCount;
  bool autoInstall = true;
  bool startup = false;
  std::string speedLimit;  // KiB/s; empty or 0 for no limit
  std::string winePrefix;
};

struct Outcome {
  bool applied = false;   // false: nothing was stored, `message` tells the user why
  std::string message;
  bool startWaiting = false;  // more downloads may run now than are running
};

// The page's fields, as the settings hold them now.
Form Load(const CMgrConfig& config);

// Stores the form in `config` and saves it. An own download folder that is neither there nor
// can be made stops the apply with a message and keeps the previous folder; so does a speed
// limit that is not a number.
Outcome Apply(CMgrConfig& config, const Form& form, int runningDownloads);

}  // namespace system_settings
