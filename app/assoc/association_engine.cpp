#include "app/assoc/association_engine.h"

#include <strings.h>

#include <algorithm>

#include <tinyxml2.h>

#include "app/assoc/mgr_config.h"
#include "app/assoc/mime_globs.h"
#include "app/catalogue/dict_mgr.h"
#include "core/files/file_system.h"
#include "core/log/logger.h"
#include "core/platform/program_version.h"
#include "core/registry/registry.h"
#include "core/text/path.h"

namespace {

constexpr unsigned long kValueSize = 260;

bool ReadString(HKEY root, const std::string& key, const char* name, std::string* out) {
  ds::Registry reg(root);
  char buffer[kValueSize];
  if (!reg.Open(key.c_str(), KEY_READ) || !reg.Read(name, buffer, sizeof buffer)) return false;
  *out = buffer;
  return true;
}

// The value, or "" when it (or its key) is missing.
std::string ReadOrEmpty(HKEY root, const std::string& key, const char* name) {
  std::string value;
  ReadString(root, key, name, &value);
  return value;
}

void WriteString(HKEY root, const std::string& key, const char* name, const std::string& value) {
  ds::Registry reg(root);
  reg.ModiyStyle(REG_OPTION_NON_VOLATILE);
  if (reg.CreateKey(key.c_str())) reg.Write(name, value.c_str());
}

void EnsureKey(HKEY root, const std::string& key) {
  ds::Registry reg(root);
  reg.ModiyStyle(REG_OPTION_NON_VOLATILE);
  reg.CreateKey(key.c_str());
}

void DeleteValue(HKEY root, const std::string& key, const char* name) {
  ds::Registry reg(root);
  if (reg.Open(key.c_str(), KEY_ALL_ACCESS)) reg.DeleteValue(name);
}

void DeleteKey(HKEY root, const std::string& key) {
  ds::Registry reg(root);
  reg.DeleteKey(root, key.c_str());
}

bool KeyExists(HKEY root, const std::string& key) {
  ds::Registry reg(root);
  return reg.Open(key.c_str(), KEY_READ) != 0;
}

bool SameText(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::string WithoutDot(const std::string& dotExt) {
  return !dotExt.empty() && dotExt[0] == '.' ? dotExt.substr(1) : dotExt;
}

// Only the first "*" of a template names the extension.
std::string FillTemplate(std::string text, const std::string& ext) {
  const std::size_t star = text.find('*');
  if (star != std::string::npos) text.replace(star, 1, ext);
  return text;
}

std::string Attribute(const tinyxml2::XMLElement* element, const std::string& name, bool* present = nullptr) {
  const char* value = element->Attribute(name.c_str());
  if (present != nullptr) *present = value != nullptr;
  return value != nullptr ? value : "";
}

const AssociateFile* FindRecord(const std::string& ext, bool ignoreCase) {
  ds::VecDict<AssociateFile>& files = CDictMgr::Instance()->AssociateFiles();
  for (int i = 0; i < files.Count(); ++i) {
    const AssociateFile* file = files.At(i);
    if (file != nullptr && (ignoreCase ? SameText(file->name, ext) : file->name == ext)) return file;
  }
  return nullptr;
}

std::string SoftwareName(int id) {
  ds::VecDict<SoftwareInfo>& softwares = CDictMgr::Instance()->Softwares();
  for (int i = 0; i < softwares.Count(); ++i) {
    const SoftwareInfo* info = softwares.At(i);
    if (info != nullptr && info->id == id) return info->name;
  }
  return std::to_string(id);
}

// The root, user and choice templates for `ext`: from root<ext>/user<ext>/userchoice<ext> when
// the element has root<ext>, else from the "normal" attributes; flags from set<ext> or "set".
struct Templates {
  bool own = false;    // root<ext> present (variant A)
  bool normal = false; // rootnormal present (variant B)
  std::string root, user, choice;
  int flags = 0;
};

Templates ReadTemplates(const tinyxml2::XMLElement* element, const std::string& ext) {
  Templates t;
  Attribute(element, "root" + ext, &t.own);
  Attribute(element, "rootnormal", &t.normal);
  const std::string suffix = t.own ? ext : "";
  t.root = FillTemplate(Attribute(element, t.own ? "root" + ext : "rootnormal"), ext);
  t.user = FillTemplate(Attribute(element, t.own ? "user" + ext : "usernormal"), ext);
  t.choice = FillTemplate(Attribute(element, "userchoice" + suffix), ext);
  t.flags = element->IntAttribute(("set" + suffix).c_str(), 0);
  return t;
}

}  // namespace

CAssociationEngine::CAssociationEngine(CMgrConfig& config, std::string program)
    : config_(config),
      program_(std::move(program)),
      major_(config.GetOsVersion().dwMajorVersion),
      mirror_(program_) {}

std::string CAssociationEngine::ProgramPath() {
  return ds::NativePath(ds::JoinPath(ds::FileSystem::Instance()->GetAppPath(), kProgramName));
}

std::string CAssociationEngine::OwnCommand() const { return program_ + " /a  %1"; }

std::string CAssociationEngine::IconFile(const AssociateFile* record) const {
  const std::string ico = record != nullptr ? record->ico : "";
  return ds::NativePath(std::string(ds::FileSystem::Instance()->GetWorkPath()) + "\\img\\SoftAssociate\\Ico\\" + ico);
}

// Key security has no meaning in our registry store: every key belongs to the user who owns it.
void CAssociationEngine::GrantKeyAccess(const std::string&) {}

void CAssociationEngine::RegisterZeploVerb() {
  // The desktop entry the bindings name follows the program's current place.
  std::vector<std::string> types;
  const std::vector<std::string> globs = mime::LoadGlobs();
  for (const AssociationSetting* entry : config_.Associations()) {
    if (!entry->bound) continue;
    const std::string type = mime::TypeForExtension(entry->name, globs);
    if (!type.empty() && std::find(types.begin(), types.end(), type) == types.end()) types.push_back(type);
  }
  mirror_.InstallOpenEntry(types);

  const std::string command = OwnCommand();
  std::string current;
  if (ReadString(HKEY_CLASSES_ROOT, kVerbCommandKey, "", &current) && current == command) return;
  EnsureKey(HKEY_CLASSES_ROOT, "*\\shell");
  WriteString(HKEY_CLASSES_ROOT, "*\\shell\\ZEPLO", "", kVerbCaption);
  WriteString(HKEY_CLASSES_ROOT, kVerbCommandKey, "", command);
}

void CAssociationEngine::WriteOwnProgId(const std::string& progId, const std::string& caption,
                                        const std::string& command, const std::string& icon) {
  WriteString(HKEY_CLASSES_ROOT, progId + "\\DefaultIcon", "", icon);
  WriteString(HKEY_CLASSES_ROOT, progId + "\\shell", "", "open");
  WriteString(HKEY_CLASSES_ROOT, progId + "\\shell\\Open", "", caption);
  WriteString(HKEY_CLASSES_ROOT, progId + "\\shell\\Open\\command", "", command);
}

void CAssociationEngine::BindOwn(const std::string& ext, bool bind) {
  const std::string dotExt = "." + ext;
  const std::string own = kOwnProgIdPrefix + ext;
  const AssociateFile* record = FindRecord(ext, false);
  // Without a catalogue record there is no root value to write: the default is left as it is.
  const std::string assroot = record != nullptr ? record->assroot : "N";
  // The root value we write counts as ours: backing it up would lose the user's own handler.
  auto ours = [&](const std::string& value) { return value == own || (assroot != "N" && value == assroot); };

  EnsureKey(HKEY_CLASSES_ROOT, dotExt);
  const std::string v = ReadOrEmpty(HKEY_CLASSES_ROOT, dotExt, "");
  if (bind) {
    if (!ours(v)) WriteString(HKEY_CLASSES_ROOT, dotExt, kBackupValue, v);
    if (assroot != "N") WriteString(HKEY_CLASSES_ROOT, dotExt, "", assroot);
  } else if (ours(v)) {
    std::string backup;
    if (ReadString(HKEY_CLASSES_ROOT, dotExt, kBackupValue, &backup)) {
      // An empty backup means there was no default: remove ours rather than write "".
      if (!backup.empty())
        WriteString(HKEY_CLASSES_ROOT, dotExt, "", backup);
      else
        DeleteValue(HKEY_CLASSES_ROOT, dotExt, "");
    }
  }
  WriteOwnProgId(own, kOwnCaption, OwnCommand(), IconFile(record));

  const std::string userKey = std::string(kFileExtsKey) + dotExt;
  const std::string choiceKey = userKey + "\\UserChoice";
  GrantKeyAccess(userKey);
  if (!IsVistaOrLater()) {
    EnsureKey(HKEY_CURRENT_USER, userKey);
    const std::string p = ReadOrEmpty(HKEY_CURRENT_USER, userKey, "ProgID");
    if (bind) {
      if (p != own) WriteString(HKEY_CURRENT_USER, userKey, kBackupValue, p);
      WriteString(HKEY_CURRENT_USER, userKey, "ProgID", own);
      DeleteKey(HKEY_CURRENT_USER, choiceKey);
    } else if (p == own) {
      const std::string backup = ReadOrEmpty(HKEY_CURRENT_USER, userKey, kBackupValue);
      if (backup.empty()) {
        DeleteValue(HKEY_CURRENT_USER, userKey, "ProgID");
      } else {
        WriteString(HKEY_CURRENT_USER, userKey, "ProgID", backup);
        DeleteValue(HKEY_CURRENT_USER, userKey, "Application");
      }
    }
    return;
  }
  GrantKeyAccess(choiceKey);
  EnsureKey(HKEY_CURRENT_USER, choiceKey);
  const std::string p = ReadOrEmpty(HKEY_CURRENT_USER, choiceKey, "ProgID");
  if (bind) {
    if (p != own) WriteString(HKEY_CURRENT_USER, choiceKey, kBackupValue, p);
    WriteString(HKEY_CURRENT_USER, choiceKey, "ProgID", own);
  } else if (p == own) {
    const std::string backup = ReadOrEmpty(HKEY_CURRENT_USER, choiceKey, kBackupValue);
    if (backup.empty())
      DeleteValue(HKEY_CURRENT_USER, choiceKey, "ProgID");
    else
      WriteString(HKEY_CURRENT_USER, choiceKey, "ProgID", backup);
  }
}

void CAssociationEngine::ApplyZeploAssociations() {
  for (const AssociationSetting* entry : config_.Associations()) BindOwn(entry->name, entry->bound != 0);

  // The desktop: our entry is the default of every bound extension's type; a type no bound
  // extension has any more goes back to the default it had before.
  const std::vector<std::string> globs = mime::LoadGlobs();
  std::vector<std::string> types, bound, released;
  for (const AssociationSetting* entry : config_.Associations()) {
    types.push_back(mime::TypeForExtension(entry->name, globs));
    if (!types.back().empty() && entry->bound && std::find(bound.begin(), bound.end(), types.back()) == bound.end())
      bound.push_back(types.back());
  }
  for (std::size_t i = 0; i < types.size(); ++i) {
    const std::string& type = types[i];
    if (!type.empty() && !config_.Associations()[i]->bound && std::find(bound.begin(), bound.end(), type) == bound.end() &&
        std::find(released.begin(), released.end(), type) == released.end())
      released.push_back(type);
  }
  if (!mirror_.InstallOpenEntry(bound) || !mirror_.UpdateDefaults(DesktopMirror::kOpenEntry, bound, released))
    ds::LogWarn("CMgrConfig::ApplyZeploAssociations")("can't update the desktop's file bindings.");
  mirror_.NotifyMenus();
}

void CAssociationEngine::RefreshAssociationStates() {
  for (AssociationSetting* entry : config_.Associations()) {
    const std::string dotExt = "." + entry->name;
    const std::string own = kOwnProgIdPrefix + entry->name;
    const std::string userKey = std::string(kFileExtsKey) + dotExt;
    // Later Windows versions bind through the user choice key alone, so it counts too.
    entry->bound = ReadOrEmpty(HKEY_CLASSES_ROOT, dotExt, "") == own ||
                   ReadOrEmpty(HKEY_CURRENT_USER, userKey, "ProgID") == own ||
                   (IsVistaOrLater() && ReadOrEmpty(HKEY_CURRENT_USER, userKey + "\\UserChoice", "ProgID") == own);
  }
}

bool CAssociationEngine::IsSoftAssociated(int id, const std::string& dotExt) {
  const tinyxml2::XMLElement* element = config_.Templates().FindBySoftId(id);
  if (element == nullptr) {
    if (IsVistaOrLater())
      ds::LogInfo("CMgrConfig::AssociateSoftWin7")("%d,   %s 没找到配置", id, dotExt.c_str());
    return false;
  }
  const std::string ext = WithoutDot(dotExt);
  const std::string d = ReadOrEmpty(HKEY_CLASSES_ROOT, dotExt, "");
  const Templates t = ReadTemplates(element, ext);
  const std::string userKey = std::string(kFileExtsKey) + dotExt;

  if (IsVistaOrLater()) {
    if (t.choice.empty() || !KeyExists(HKEY_CLASSES_ROOT, t.choice)) return false;
    std::string choice;
    if (ReadString(HKEY_CURRENT_USER, userKey + "\\userchoice", "ProgID", &choice)) return SameText(choice, t.choice);
    return (SameText(d, t.root) && t.root != "N") || (SameText(d, t.choice) && t.root == "N");
  }

  std::string p, a;
  const bool hasP = ReadString(HKEY_CURRENT_USER, userKey, "ProgID", &p);
  const bool hasA = ReadString(HKEY_CURRENT_USER, userKey, "Application", &a);
  if (t.user.empty() || !KeyExists(HKEY_CLASSES_ROOT, t.user)) return false;
  if (hasP) return SameText(p, t.user);
  if (hasA && !a.empty()) {
    const std::string app = Lower(a);
    const std::size_t inP = Lower(p).find(app);
    const std::size_t inChoice = Lower(t.choice).find(app);
    return (inP != std::string::npos && inP > 0) || (inChoice != std::string::npos && inChoice > 0);
  }
  return (SameText(d, t.root) && t.root != "N") || (SameText(d, t.user) && t.root == "N");
}

void CAssociationEngine::AssociateSoft(const std::string& caption, const std::string& dotExt, int id,
                                       const std::string& command) {
  const tinyxml2::XMLElement* element = config_.Templates().FindBySoftId(id);
  if (element == nullptr) return;
  const std::string ext = WithoutDot(dotExt);
  const AssociateFile* record = FindRecord(ext, true);
  const std::string assroot = record != nullptr ? record->assroot : "N";
  const std::string own = kOwnProgIdPrefix + ext;

  EnsureKey(HKEY_CLASSES_ROOT, dotExt);
  const std::string v = ReadOrEmpty(HKEY_CLASSES_ROOT, dotExt, "");
  // As when binding to this program: the root value it writes is no handler of the user's.
  if (v != own && !(assroot != "N" && v == assroot)) WriteString(HKEY_CLASSES_ROOT, dotExt, kBackupValue, v);
  const std::string userKey = std::string(kFileExtsKey) + dotExt;
  const std::string choiceKey = userKey + "\\UserChoice";
  GrantKeyAccess(userKey);
  DeleteKey(HKEY_CURRENT_USER, choiceKey);
  if (record == nullptr) return;

  EnsureKey(HKEY_CURRENT_USER, userKey);
  const std::string p = ReadOrEmpty(HKEY_CURRENT_USER, userKey, "ProgID");
  if (p != own) WriteString(HKEY_CURRENT_USER, userKey, kBackupValue, p);

  const Templates t = ReadTemplates(element, ext);
  if ((!t.own && !t.normal) || t.user.empty()) return;
  const std::string icon = IconFile(record);

  // The template's ProgID: made when missing, its parts added only where they are missing.
  EnsureKey(HKEY_CLASSES_ROOT, t.user);
  if (!(t.flags & 1) && !KeyExists(HKEY_CLASSES_ROOT, t.user + "\\DefaultIcon"))
    WriteString(HKEY_CLASSES_ROOT, t.user + "\\DefaultIcon", "", icon);
  if (!(t.flags & 2) && !KeyExists(HKEY_CLASSES_ROOT, t.user + "\\shell"))
    WriteString(HKEY_CLASSES_ROOT, t.user + "\\shell", "", "open");
  if (!(t.flags & 4)) {
    const std::string open =
        t.user + (KeyExists(HKEY_CLASSES_ROOT, t.user + "\\shell") ? "\\shell\\Open" : "\\Open");
    if (!KeyExists(HKEY_CLASSES_ROOT, open)) WriteString(HKEY_CLASSES_ROOT, open, "", caption);
    if (!KeyExists(HKEY_CLASSES_ROOT, open + "\\command")) WriteString(HKEY_CLASSES_ROOT, open + "\\command", "", command);
  }

  if (t.own || t.user.find("ZEPLO") == std::string::npos) {
    WriteString(HKEY_CURRENT_USER, userKey, "ProgID", t.user);
    if (t.root != "N") WriteString(HKEY_CLASSES_ROOT, dotExt, "", t.root);
    if (IsVistaOrLater()) {
      GrantKeyAccess(choiceKey);
      WriteString(HKEY_CURRENT_USER, choiceKey, "ProgID", t.choice);
      DeleteValue(HKEY_CURRENT_USER, choiceKey, "Application");
    } else {
      DeleteValue(HKEY_CURRENT_USER, userKey, "Application");
    }
  } else {
    // Our own ProgID is the template: it now opens the chosen program. A root template "N"
    // leaves the extension's default alone here too.
    if (t.root != "N") WriteString(HKEY_CLASSES_ROOT, dotExt, "", t.root);
    WriteString(HKEY_CLASSES_ROOT, own + "\\shell", "", "open");
    WriteString(HKEY_CLASSES_ROOT, own + "\\shell\\Open", "", caption);
    WriteString(HKEY_CLASSES_ROOT, own + "\\shell\\Open\\command", "", command);
    DeleteValue(HKEY_CURRENT_USER, userKey, "Application");
    if (IsVistaOrLater()) {
      GrantKeyAccess(choiceKey);
      WriteString(HKEY_CURRENT_USER, choiceKey, "ProgID", t.choice);
    } else {
      WriteString(HKEY_CURRENT_USER, userKey, "ProgID", t.user);
    }
  }

  // The desktop opens the type with the chosen program from now on.
  const std::string type = mime::TypeForExtension(ext);
  std::string executable = command;
  const std::string placeholder = " %1";
  if (executable.size() >= placeholder.size() &&
      executable.compare(executable.size() - placeholder.size(), placeholder.size(), placeholder) == 0)
    executable.erase(executable.size() - placeholder.size());
  if (type.empty() || executable.empty()) return;
  const std::string entry = mirror_.InstallProgramEntry(id, SoftwareName(id), executable, {type});
  if (entry.empty() || !mirror_.UpdateDefaults(entry, {type}, {}))
    ds::LogWarn("CMgrConfig::AssociateSoft")("can't make the desktop open %s with program %d.", dotExt.c_str(), id);
  mirror_.NotifyMenus();
}

void CAssociationEngine::GetAssociateParam(int id, const std::string& dotExt, std::string& param) {
  const tinyxml2::XMLElement* element = config_.Templates().FindBySoftId(id);
  if (element == nullptr) return;
  bool present = false;
  std::string value = Attribute(element, WithoutDot(dotExt) + "param", &present);
  if (!present) value = Attribute(element, "normalparam", &present);
  if (present) param = value;
}
