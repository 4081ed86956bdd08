// Binding file extensions in the registry: to this program's own "ZEPLO.<ext>" ProgIDs (switched
// per extension from the association settings, backed up so they can be undone) and to a chosen
// catalogue program by its template in AssociateEx.xml. Every binding is mirrored to the
// desktop (our desktop entries and mimeapps.list defaults), so the desktop follows it.
#pragma once
#include <string>
#include <vector>

#include "app/assoc/desktop_mirror.h"

class CMgrConfig;
struct AssociateFile;

class CAssociationEngine {
 public:
  static constexpr const char* kOwnProgIdPrefix = "ZEPLO.";
  static constexpr const char* kBackupValue = "ZEPLO.backup";
  static constexpr const char* kOwnCaption = "用 ZEPLO 打开";
  static constexpr const char* kVerbCaption = "&ZEPLO打开方式";
  static constexpr const char* kVerbCommandKey = "*\\shell\\ZEPLO\\command";
  static constexpr const char* kFileExtsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

  // `program`: this program's executable, which the open commands start with "/a". Windows
  // major version and association list come from `config`.
  CAssociationEngine(CMgrConfig& config, std::string program);

  // This program's executable: the program folder's "Corvane".
  static std::string ProgramPath();

  // The Windows major version the variants follow (above 5: Vista and later).
  void SetWindowsMajor(unsigned major) { major_ = major; }
  bool IsVistaOrLater() const { return major_ > 5; }
  // program + " /a  %1".
  std::string OwnCommand() const;
  DesktopMirror& Mirror() { return mirror_; }

  // The all-files context-menu verb; nothing is written when it is in place already.
  void RegisterZeploVerb();
  // Binds or unbinds every extension of the association list by its bound flag.
  void ApplyZeploAssociations();
  // Each entry's bound flag from the registry.
  void RefreshAssociationStates();
  // Binds `dotExt` (".txt") to catalogue program `id` by its template.
  void AssociateSoft(const std::string& caption, const std::string& dotExt, int id, const std::string& command);
  // Whether program `id` handles `dotExt` now.
  bool IsSoftAssociated(int id, const std::string& dotExt);
  // The program's parameter template for the extension; `param` is left as it is without one.
  void GetAssociateParam(int id, const std::string& dotExt, std::string& param);
  // Opens a per-user key to everyone interactive and to administrators.
  static void GrantKeyAccess(const std::string& subkey);

 private:
  void BindOwn(const std::string& ext, bool bind);
  std::string IconFile(const AssociateFile* record) const;
  void WriteOwnProgId(const std::string& progId, const std::string& caption, const std::string& command,
                      const std::string& icon);

  CMgrConfig& config_;
  std::string program_;
  unsigned major_;
  DesktopMirror mirror_;
};
