// Reading and changing the default applications of the desktop's "mimeapps.list" as text: only
// the one line asked for changes, every other byte (comments, other sections, blank lines, the
// order of keys) stays as it was.
#pragma once
#include <string>

namespace mimeapps {

constexpr char kDefaultSection[] = "Default Applications";

// $XDG_CONFIG_HOME/mimeapps.list (~/.config/mimeapps.list); "" without a home folder.
std::string UserListPath();

// The value of `type` in the default section; false when the section has no such key.
bool GetDefault(const std::string& text, const std::string& type, std::string* value);

// `text` with `type=value` in the default section: an existing line is rewritten in place, a
// new one follows the section's last entry, and a missing section is appended at the end.
std::string SetDefault(const std::string& text, const std::string& type, const std::string& value);

// `text` without the default section's lines for `type`.
std::string RemoveDefault(const std::string& text, const std::string& type);

// The first desktop file id of a value such as "a.desktop;b.desktop;".
std::string FirstEntry(const std::string& value);

}  // namespace mimeapps
