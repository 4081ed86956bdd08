// The updater's command line: "-c<current> -s<target>", tokens separated by blanks.
#pragma once

#include <string_view>

namespace update {

struct UpdateVersions {
  int current = 0;  // c: the installed version
  int target = 0;   // s: the version to reach
};

// A token "-c" followed by a decimal number sets the current version, "-s" followed by one the
// target; the digits are read as a leading decimal integer (none gives 0, a sign is not a
// digit, values past the int range are clamped). A later switch of the same kind replaces an
// earlier one. Every other token is skipped.
UpdateVersions ParseUpdateCommandLine(std::string_view text);

// True when the versions call for an update: both non-zero and current below target.
bool CallsForUpdate(const UpdateVersions& versions);

}  // namespace update
