// One row of the skin's image table: what to draw and where it goes in the pack.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace skin {

struct ImageSpec {
  std::string name;     // pack name, e.g. "img/bg.png"
  int width = 0;
  int height = 0;
  std::string kind;     // how it is drawn: "button", "check", "window", ...
  std::string caption;  // UTF-8, empty for none; lines separated by '|'
  std::string role;     // palette role the kind interprets
  std::map<std::string, std::string> options;
  std::string use;      // free text: which window uses it
  int line = 0;         // line in the table, for messages

  std::string Option(const std::string& key, const std::string& fallback = "") const;
  int IntOption(const std::string& key, int fallback) const;
  // Comma-separated integers of an option ("cuts=6,34,6,34"); empty when absent or malformed.
  std::vector<int> IntListOption(const std::string& key) const;
  std::vector<std::string> CaptionLines() const;
  // Number of equal state cells side by side the kind stores (1 for single images).
  int StateCount() const;
};

// Parses the table text. Lines that are empty or start with '#' are skipped. Fails with a message naming
// the line for a wrong column count, a size that is not a positive integer, an unsafe or duplicate name,
// an extension other than png or gif, or a strip whose width does not divide into its states.
bool ParseImageTable(const std::string& text, std::vector<ImageSpec>* specs, std::string* error);
bool LoadImageTable(const std::string& path, std::vector<ImageSpec>* specs, std::string* error);

}  // namespace skin
