// Keeps the desktop in step with the registry's file bindings: our desktop entries under
// $XDG_DATA_HOME/applications and the defaults in $XDG_CONFIG_HOME/mimeapps.list. A default we
// replace is kept in the registry (per MIME type) and put back when we let go of the type, but
// only while the default is still ours: one chosen elsewhere in the meantime is left alone.
#pragma once
#include <string>
#include <vector>

class DesktopMirror {
 public:
  static constexpr const char* kOpenEntry = "corvane-open.desktop";
  // Where the replaced defaults are kept: HKEY_CURRENT_USER, one value per MIME type.
  static constexpr const char* kBackupKey = "Software\\ZEPLO\\mimeapps";

  // `program`: the executable our own entry starts with "/a".
  explicit DesktopMirror(std::string program) : program_(std::move(program)) {}

  // $XDG_DATA_HOME/applications; "" without a home folder.
  static std::string ApplicationsDir();
  // True for the desktop file ids this program writes.
  static bool IsOurEntry(const std::string& id);

  // Writes our own entry: Exec=<program> /a %f, NoDisplay=true, the MIME types given. An entry
  // whose text would not change is left untouched. False when it could not be written.
  bool InstallOpenEntry(const std::vector<std::string>& types) const;
  // Writes the entry "corvane-soft-<id>.desktop" that opens a file with `executable` (a Windows
  // program through wine, in the configured prefix). Its id, or "" when it could not be written.
  std::string InstallProgramEntry(int id, const std::string& name, const std::string& executable,
                                  const std::vector<std::string>& types) const;

  // Makes `entry` the default of every type in `bind` (keeping a default that is not ours), and
  // restores the kept default of every type in `release` whose default is `entry` now (a kept
  // empty default removes the line). mimeapps.list is written once, atomically, and only when
  // it changes. False when it could not be written.
  bool UpdateDefaults(const std::string& entry, const std::vector<std::string>& bind,
                      const std::vector<std::string>& release) const;

  // Lets menus and file managers see changed entries: update-desktop-database on our
  // applications folder, when it is installed (waited for a few seconds at most).
  void NotifyMenus() const;

 private:
  bool WriteEntry(const std::string& id, const std::string& text) const;
  std::string program_;
};
