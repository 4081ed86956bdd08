#include "vexo/ui/resources/resource_mgr.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QThread>
#include <fstream>
#include <iterator>

#include "core/files/file_system.h"
#include "core/text/ascii.h"
#include "core/text/path.h"
#include "core/thread/singleton_impl.h"
#include "vexo/ui/render/cursor.h"
#include "vexo/ui/render/font.h"
#include "vexo/ui/render/icon.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/skin_colors.h"
#include "vexo/ui/resources/sound_window.h"

template class ds::Singleton<VEXO_ResourceMgr, 1>;

namespace {

// Names may carry one leading separator ("/img/SysTip.png").
std::string ImageKey(const char* name) {
  if (name == nullptr) return std::string();
  if (*name == '/' || *name == '\\') ++name;
  return std::string(name);
}

// Fonts, icons and cursors are window-system objects: made only on the application's thread of
// a GUI application.
bool OnGuiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return qobject_cast<QGuiApplication*>(app) != nullptr && QThread::currentThread() == app->thread();
}

struct FontSpec {
  const char* name;
  const char* face;
  int height;
  int width;
  int escapement;
  int weight;
};

const FontSpec kFonts[] = {
    {"vfont", "新宋体", -12, 0, 900, 400},
    {"vfontUser12", "新宋体", -12, 0, 0, 400},
    {"vfontUser12B", "新宋体", -12, 0, 0, 700},
    {"vfontUser13", "新宋体", -13, 0, 0, 400},
    {"hfont", "新宋体", -12, 0, 0, 400},
    {"Userfont", "新宋体", -14, 0, 0, 400},
    {"Userfont16", "MS Sans Serif", 20, 0, 0, 700},
    {"vUserfont12", "MS Sans Serif", 56, 20, 2700, 400},
    {"hboldfont", "新宋体", -12, 0, 0, 700},
};

}  // namespace

VEXO_ResourceMgr* VEXO_ResourceMgr::Instance() { return VEXO_ResourceMgrHolder::Instance(); }

VEXO_ResourceMgr::VEXO_ResourceMgr() = default;

VEXO_ResourceMgr::~VEXO_ResourceMgr() { Fini(); }

int VEXO_ResourceMgr::Init(const char* pack, const char* password) {
  if (pack != nullptr && pack_.Open(pack, password, nullptr)) {
    ds::ZipEntryInfo info;
    for (int i = 0; i < pack_.GetEntryCount() && pack_.GetEntryInfo(i, info); ++i) {
      ImageResInfo& record = images_[info.name];
      record.index = info.index;
      record.size = info.size;
    }
  }
  colours_["talkcolor"] = 0x000000;
  colours_["WhisperColor"] = 0xEA35F8;
  LoadSkinColors();
  fonts_pending_ = true;
  cursor_pending_ = true;
  return 1;
}

void VEXO_ResourceMgr::Fini() {
  for (auto& entry : images_) delete entry.second.image;
  images_.clear();
  fonts_.clear();
  colours_.clear();
  icons_.clear();
  path_icons_.clear();
  program_icon_.reset();
  cursors_.clear();
  fonts_pending_ = false;
  cursor_pending_ = false;
  pack_.Close();
  sound_.reset();
}

const ImageResInfo* VEXO_ResourceMgr::FindImageRecord(const char* name) const {
  auto it = images_.find(ImageKey(name));
  return it == images_.end() ? nullptr : &it->second;
}

VEXO_Image* VEXO_ResourceMgr::GetImage(const char* name) {
  if (name == nullptr) return nullptr;
  const std::string key = ImageKey(name);
  if (key.empty()) return nullptr;
  auto it = images_.find(key);
  if (it != images_.end()) {
    ImageResInfo& record = it->second;
    if (record.image != nullptr) return record.image;
    // A loose file of the same name wins over the pack entry.
    VEXO_Image* image = CreateImageFromFile(key.c_str());
    if (image == nullptr) image = CreateImageFromZip(key.c_str(), record);
    record.image = image;
    return image;
  }
  // Not in the pack: a loose file only. Every image is held premultiplied from decoding on, so
  // a loose PNG with alpha gets its one premultiplication there and never again.
  VEXO_Image* image = CreateImageFromFile(key.c_str());
  if (image == nullptr) return nullptr;
  ImageResInfo record;
  record.image = image;
  images_.emplace(key, record);
  return image;
}

VEXO_Image* VEXO_ResourceMgr::CreateImageFromFile(const char* name) {
  const std::string path = ds::FileSystem::Instance()->CombineWorkPath(std::string(name));
  if (!ds::PathExists(ds::NativePath(path))) return nullptr;
  auto image = std::make_unique<VEXO_Image>();
  if (!image->LoadPath(path.c_str())) return nullptr;
  return image.release();
}

VEXO_Image* VEXO_ResourceMgr::CreateImageFromZip(const char* name, const ImageResInfo& info) {
  if (info.index < 0 || info.size <= 0 || !pack_.IsOpen()) return nullptr;
  // Read by name: the reader grows its buffer with the data actually inflated, so a damaged
  // directory claiming a huge size cannot make us allocate it up front.
  std::string bytes;
  if (!pack_.ReadEntry(name, bytes)) return nullptr;
  auto image = std::make_unique<VEXO_Image>();
  if (!image->Load(bytes.data(), bytes.size())) return nullptr;
  return image.release();
}

int VEXO_ResourceMgr::ReadEntry(const char* name, std::string& out) {
  out.clear();
  if (name == nullptr || !pack_.IsOpen()) return 0;
  return pack_.ReadEntry(ImageKey(name).c_str(), out);
}

bool VEXO_ResourceMgr::HasEntry(const char* name) const {
  const ImageResInfo* record = FindImageRecord(name);
  return record != nullptr && record->index >= 0;
}

void VEXO_ResourceMgr::CreateFonts() {
  if (!fonts_pending_ || !OnGuiThread()) return;
  fonts_pending_ = false;
  // A second Init keeps the fonts already handed out: windows may still hold them.
  for (const FontSpec& spec : kFonts) {
    std::unique_ptr<VEXO_Font>& font = fonts_[spec.name];
    if (!font)
      font = std::make_unique<VEXO_Font>(spec.height, spec.width, spec.escapement, spec.weight,
                                         spec.face);
  }
}

VEXO_Font* VEXO_ResourceMgr::GetFont(const char* name) {
  if (name == nullptr) return nullptr;
  CreateFonts();
  auto it = fonts_.find(name);
  return it == fonts_.end() ? nullptr : it->second.get();
}

std::uint32_t VEXO_ResourceMgr::GetColor(const char* name) const {
  if (name == nullptr) return 0;
  auto it = colours_.find(name);
  return it == colours_.end() ? 0 : it->second;
}

bool VEXO_ResourceMgr::FindColor(const char* name, std::uint32_t* colour) const {
  if (name == nullptr) return false;
  auto it = colours_.find(name);
  if (it == colours_.end()) return false;
  if (colour != nullptr) *colour = it->second;
  return true;
}

void VEXO_ResourceMgr::LoadSkinColors() {
  // A loose file wins over the pack entry, as for images.
  std::string xml;
  const std::string path =
      ds::NativePath(ds::FileSystem::Instance()->CombineWorkPath(std::string(vexo_color::kFile)));
  std::ifstream loose(path, std::ios::binary);
  if (loose) {
    xml.assign(std::istreambuf_iterator<char>(loose), std::istreambuf_iterator<char>());
  } else if (!ReadEntry(vexo_color::kFile, xml)) {
    return;
  }
  std::map<std::string, std::uint32_t> skin;
  VEXO_ParseSkinColors(xml, &skin);
  for (const auto& entry : skin) colours_[entry.first] = entry.second;
}

void VEXO_ResourceMgr::SetColor(const char* name, std::uint32_t colour) {
  if (name != nullptr) colours_[name] = colour;
}

VEXO_Icon* VEXO_ResourceMgr::GetIcon(const char* name) {
  if (name == nullptr) return nullptr;
  // The work directory followed by the name; callers begin it with a separator, and one is put
  // in when they do not.
  return LoadIcon(icons_, name,
                  ds::NativePath(ds::FileSystem::Instance()->CombineWorkPath(std::string(name))));
}

VEXO_Icon* VEXO_ResourceMgr::GetPathIcon(const char* path) {
  if (path == nullptr || *path == '\0') return nullptr;
  return LoadIcon(path_icons_, path, ds::NativePath(path));
}

VEXO_Icon* VEXO_ResourceMgr::LoadIcon(std::map<std::string, std::unique_ptr<VEXO_Icon>>& cache,
                                      const std::string& key, const std::string& path) {
  auto it = cache.find(key);
  if (it != cache.end()) return it->second.get();
  if (!OnGuiThread()) return nullptr;
  std::unique_ptr<VEXO_Icon> icon(VEXO_Icon::FromFile(path.c_str()));
  // A program shows the generic program icon rather than none.
  const bool program =
      path.size() >= 4 && ds::AsciiEqualsIgnoreCase(std::string_view(path).substr(path.size() - 4), ".exe");
  if (!icon && program) {
    if (VEXO_Icon* fallback = GetProgramIcon()) icon = std::make_unique<VEXO_Icon>(*fallback);
  }
  VEXO_Icon* result = icon.get();
  cache[key] = std::move(icon);
  return result;
}

VEXO_Icon* VEXO_ResourceMgr::GetProgramIcon() {
  if (program_icon_) return program_icon_->IsNull() ? nullptr : program_icon_.get();
  if (!OnGuiThread()) return nullptr;
  VEXO_Image* image = GetImage("software/other.gif");
  program_icon_ = std::make_unique<VEXO_Icon>();
  if (image != nullptr && !image->IsNull()) {
    program_icon_ = std::make_unique<VEXO_Icon>(std::vector<QImage>{image->KeyedCopy(0xFF00FF)});
  }
  return program_icon_->IsNull() ? nullptr : program_icon_.get();
}

void VEXO_ResourceMgr::CreateHandCursor() {
  if (!cursor_pending_ || !OnGuiThread()) return;
  cursor_pending_ = false;
  if (cursors_.count("hand") != 0) return;  // kept across a second Init
  const std::string path =
      ds::NativePath(ds::FileSystem::Instance()->CombineWorkPath(std::string("/game/hand.cur")));
  cursors_["hand"].reset(VEXO_Cursor::FromFile(path.c_str()));
}

VEXO_Cursor* VEXO_ResourceMgr::GetCursor(const char* name) {
  if (name == nullptr) return nullptr;
  CreateHandCursor();
  auto it = cursors_.find(name);
  if (it != cursors_.end()) return it->second.get();
  if (!OnGuiThread()) return nullptr;
  const std::string path = ds::NativePath(
      ds::JoinPath(ds::FileSystem::Instance()->GetWorkPath(), std::string(name) + ".cur"));
  VEXO_Cursor* cursor = VEXO_Cursor::FromFile(path.c_str());
  cursors_[name].reset(cursor);
  return cursor;
}

void VEXO_ResourceMgr::CreateSoundWnd(ds::MsgHandle parent) {
  if (!sound_) sound_ = std::make_unique<CSoundWnd>(parent);
}

void VEXO_ResourceMgr::Sound(const char* name) {
  if (name == nullptr) return;
  if (!sound_) CreateSoundWnd(0);
  sound_->Play(ds::FileSystem::Instance()->CombineWorkPath(std::string(name)).c_str());
}
