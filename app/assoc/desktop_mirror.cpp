#include "app/assoc/desktop_mirror.h"

#include <strings.h>

#include "app/assoc/autostart_entry.h"
#include "app/assoc/mimeapps_list.h"
#include "core/platform/environment.h"
#include "core/platform/file_write.h"
#include "core/platform/process.h"
#include "core/platform/wine_prefix.h"
#include "core/registry/registry.h"
#include "core/text/path.h"

namespace {

constexpr char kProgramEntryPrefix[] = "corvane-soft-";
constexpr int kMenuToolWaitMs = 3000;

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string MimeTypeLine(const std::vector<std::string>& types) {
  std::string line = "MimeType=";
  for (const std::string& type : types) line += autostart::EscapeValue(type) + ";";
  return line + "\n";
}

// An Exec argument, quoted only when it has to be: simple tools that read Exec (xdg-mime among
// them) take its first word as it stands.
std::string ExecArgument(const std::string& argument) {
  const bool plain = !argument.empty() && argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`%=") == std::string::npos;
  return plain ? argument : autostart::QuoteExecArgument(argument);
}

bool IsWindowsProgram(const std::string& path) {
  return path.size() > 4 && strcasecmp(path.c_str() + path.size() - 4, ".exe") == 0;
}

// A kept default: whether one was kept at all (`found`), and the line's value ("" when the
// list had no line for the type).
bool ReadBackup(const std::string& type, std::string* value) {
  ds::Registry reg(HKEY_CURRENT_USER);
  char buffer[1024];
  if (!reg.Open(DesktopMirror::kBackupKey, KEY_READ) || !reg.Read(type.c_str(), buffer, sizeof buffer))
    return false;
  *value = buffer;
  return true;
}

void WriteBackup(const std::string& type, const std::string& value) {
  ds::Registry reg(HKEY_CURRENT_USER);
  reg.ModiyStyle(REG_OPTION_NON_VOLATILE);
  if (reg.CreateKey(DesktopMirror::kBackupKey)) reg.Write(type.c_str(), value.c_str());
}

}  // namespace

std::string DesktopMirror::ApplicationsDir() {
  const std::string data = ds::UserDataDirectory();
  return data.empty() ? "" : data + "/applications";
}

bool DesktopMirror::IsOurEntry(const std::string& id) {
  return id == kOpenEntry || (id.rfind(kProgramEntryPrefix, 0) == 0 && EndsWith(id, ".desktop"));
}

bool DesktopMirror::WriteEntry(const std::string& id, const std::string& text) const {
  const std::string dir = ApplicationsDir();
  if (dir.empty() || !ds::MakeDirectories(dir)) return false;
  const std::string path = dir + "/" + id;
  std::string old;
  if (ds::ReadWholeFile(path, old) && old == text) return true;
  return ds::ReplaceFileAtomically(path, text, ds::CreationMode(0644));
}

bool DesktopMirror::InstallOpenEntry(const std::vector<std::string>& types) const {
  const std::string text = "[Desktop Entry]\n"
                           "Type=Application\n"
                           "Name=Kiv打开方式\n"
                           "Exec=" + autostart::EscapeValue(ExecArgument(program_) + " /a %f") +
                           "\n"
                           "NoDisplay=true\n" +
                           MimeTypeLine(types);
  return WriteEntry(kOpenEntry, text);
}

std::string DesktopMirror::InstallProgramEntry(int id, const std::string& name, const std::string& executable,
                                               const std::vector<std::string>& types) const {
  const std::string path = ds::ResolveWindowsPath(executable);
  std::string exec;
  if (IsWindowsProgram(path)) {
    const std::string prefix = ds::WinePrefix();
    if (!prefix.empty()) exec = "env " + autostart::QuoteExecArgument("WINEPREFIX=" + prefix) + " ";
    exec += "wine ";
  }
  exec += ExecArgument(path) + " %f";
  const std::string entry = kProgramEntryPrefix + std::to_string(id) + ".desktop";
  const std::string text = "[Desktop Entry]\n"
                           "Type=Application\n"
                           "Name=" + autostart::EscapeValue(name) + "\n"
                           "Exec=" + autostart::EscapeValue(exec) + "\n"
                           "NoDisplay=true\n" +
                           MimeTypeLine(types);
  return WriteEntry(entry, text) ? entry : "";
}

bool DesktopMirror::UpdateDefaults(const std::string& entry, const std::vector<std::string>& bind,
                                   const std::vector<std::string>& release) const {
  const std::string path = mimeapps::UserListPath();
  if (path.empty()) return false;
  std::string original;
  ds::ReadWholeFile(path, original);  // a missing list is an empty one
  std::string text = original;
  for (const std::string& type : bind) {
    std::string current;
    const bool had = mimeapps::GetDefault(text, type, &current);
    if (had && current == entry + ";") continue;
    if (!had || !IsOurEntry(mimeapps::FirstEntry(current))) WriteBackup(type, had ? current : "");
    text = mimeapps::SetDefault(text, type, entry + ";");
  }
  for (const std::string& type : release) {
    std::string current;
    if (!mimeapps::GetDefault(text, type, &current) || mimeapps::FirstEntry(current) != entry) continue;
    std::string kept;
    if (!ReadBackup(type, &kept)) continue;  // never ours to give back
    text = kept.empty() ? mimeapps::RemoveDefault(text, type) : mimeapps::SetDefault(text, type, kept);
  }
  if (text == original) return true;
  const std::string dir = ds::DirectoryOf(path);
  if (!ds::MakeDirectories(dir)) return false;
  return ds::ReplaceFileAtomically(path, text, ds::CreationMode(0644));
}

void DesktopMirror::NotifyMenus() const {
  const std::string tool = ds::FindOnPath("update-desktop-database");
  const std::string dir = ApplicationsDir();
  if (tool.empty() || dir.empty()) return;
  // It takes a moment; waiting for it keeps its cache in step with the entries just written.
  ds::ProcessId pid = 0;
  if (ds::StartProcessArgs(tool.c_str(), {"-q", dir}, nullptr, &pid) != ds::kSpawnStarted) return;
  int code = 0;
  if (ds::WaitProcess(pid, kMenuToolWaitMs, &code) == 0) ds::WatchProcess(pid, nullptr);
}
