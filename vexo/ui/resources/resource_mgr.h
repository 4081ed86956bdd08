// The one place where the user interface gets its images, fonts, colours, icons and cursors. It
// opens the data pack (a password-protected zip in the work directory), indexes every entry,
// decodes images on first request and keeps them for the rest of the run. It also lends its open
// pack reader (the catalogue and the settings read their XML through ReadEntry / GetUnzipFile).
//
// The pack reader works without any Qt application; fonts and the cursor are made on first use,
// on the window thread. Everything handed out stays owned by the manager and is valid until
// Fini. Not thread-safe: only the window thread calls it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "core/thread/message_target.h"
#include "core/thread/singleton.h"
#include "core/zip/unzip_file.h"
#include "vexo/export.h"

class VEXO_Image;
class VEXO_Font;
class VEXO_Icon;
class VEXO_Cursor;
class CSoundWnd;

struct ImageResInfo {
  int index = -1;  // entry index in the pack, -1 for a loose file the pack does not hold
  int size = -1;   // uncompressed entry size, -1 for a loose file
  VEXO_Image* image = nullptr;  // null until first requested; owned by the manager
};

class VEXO_API VEXO_ResourceMgr : public ds::SingletonBase {
 public:
  static VEXO_ResourceMgr* Instance();

  VEXO_ResourceMgr();
  ~VEXO_ResourceMgr() override;

  // Opens the pack `pack` in the work directory with `password` and indexes every entry; a pack
  // that fails to open leaves the index empty. Registers the colours, with the skin's own
  // (vexo/ui/resources/skin_colors.h) from a loose file or the pack; fonts and the "hand" cursor
  // follow on first use. Always 1.
  int Init(const char* pack, const char* password);
  // Releases every image, font, icon and cursor, closes the pack, ends the sounds.
  void Fini();

  // The image named by its path in the pack ("img/bg.png"; one leading '/' or '\' is ignored).
  // A loose file of that name under the work directory wins over the pack entry. Null when
  // neither decodes; nothing is cached then.
  VEXO_Image* GetImage(const char* name);
  // The font registered under `name` ("vfont", "hfont", ...), null when unknown or before Init.
  VEXO_Font* GetFont(const char* name);
  // 0x00BBGGRR; 0 when not registered.
  std::uint32_t GetColor(const char* name) const;
  void SetColor(const char* name, std::uint32_t colour);
  // Whether `name` is registered; its colour in `colour`.
  bool FindColor(const char* name, std::uint32_t* colour) const;
  // Icon of the file `name` under the work directory (names begin with a separator; one is put
  // in when missing): an icon or image file, or the first icon group of a Windows executable
  // (".exe"), every size of it (VEXO_Icon::Small, VEXO_Icon::Pixmap pick one). Cached, also
  // when null. An executable without a usable icon gets the skin's generic program icon.
  VEXO_Icon* GetIcon(const char* name);
  // The same for a file named by its full path (an installed program's executable), cached by
  // that path.
  VEXO_Icon* GetPathIcon(const char* path);
  // The skin's generic program icon ("software/other.gif", magenta transparent); null when the
  // skin lacks it.
  VEXO_Icon* GetProgramIcon();
  // Cursor from work directory + "/" + name + ".cur"; cached, also when null.
  VEXO_Cursor* GetCursor(const char* name);

  // The open pack reader, still owned by the manager.
  ds::UnzipFile* GetUnzipFile() { return &pack_; }
  // Reads the whole pack entry `name` (one leading separator ignored) into `out`. 1/0.
  int ReadEntry(const char* name, std::string& out);
  // Whether the pack has an entry `name` (one leading separator ignored).
  bool HasEntry(const char* name) const;

  // Sound output: the sound window receives the players' "done" notices. `parent` is the
  // window it belongs to (kept for reference; the manager owns the sound window).
  void CreateSoundWnd(ds::MsgHandle parent);
  // Plays the wave file `name` under the work directory when an audio output exists; any
  // failure drops the sound silently.
  void Sound(const char* name);

  // The image record under `name` (after dropping a leading separator); null when none.
  const ImageResInfo* FindImageRecord(const char* name) const;

  VEXO_ResourceMgr(const VEXO_ResourceMgr&) = delete;
  VEXO_ResourceMgr& operator=(const VEXO_ResourceMgr&) = delete;

 protected:
  VEXO_Image* CreateImageFromFile(const char* name);
  VEXO_Image* CreateImageFromZip(const char* name, const ImageResInfo& info);

 private:
  void CreateFonts();
  void LoadSkinColors();
  void CreateHandCursor();
  VEXO_Icon* LoadIcon(std::map<std::string, std::unique_ptr<VEXO_Icon>>& cache,
                      const std::string& key, const std::string& path);

  std::map<std::string, ImageResInfo> images_;
  std::map<std::string, std::unique_ptr<VEXO_Font>> fonts_;
  std::map<std::string, std::uint32_t> colours_;
  std::map<std::string, std::unique_ptr<VEXO_Icon>> icons_;
  std::map<std::string, std::unique_ptr<VEXO_Icon>> path_icons_;
  std::unique_ptr<VEXO_Icon> program_icon_;
  std::map<std::string, std::unique_ptr<VEXO_Cursor>> cursors_;
  ds::UnzipFile pack_;
  std::unique_ptr<CSoundWnd> sound_;
  bool fonts_pending_ = false;
  bool cursor_pending_ = false;
};

extern template class VEXO_API ds::Singleton<VEXO_ResourceMgr, 1>;
using VEXO_ResourceMgrHolder = ds::Singleton<VEXO_ResourceMgr, 1>;
