// The resource manager over a real encrypted pack in a temporary work directory: image caching,
// loose files, premultiplication, fonts, colours, icons, cursors, entry reads, and the pack
// builder's output.
#include <gtest/gtest.h>
#include <zip.h>

#include <QApplication>
#include <QBuffer>
#include <QFontMetrics>
#include <QImage>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/common/temp_dir.h"
#include "core/files/file_system.h"
#include "core/text/path.h"
#include "core/zip/unzip_file.h"
#include "vexo/ui/render/cursor.h"
#include "vexo/ui/render/font.h"
#include "vexo/ui/render/icon.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/pack_password.h"
#include "vexo/ui/resources/resource_mgr.h"

using corvane_test::TempDir;
using corvane_test::WriteWholeFile;

namespace {

void EnsureApp() {
  static int argc = 1;
  static char name[] = "ui_resource_mgr_test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

std::string Png(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::string SolidPng(QRgb colour, int size = 4) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(colour);
  return Png(image);
}

// A pack whose entries are encrypted with `password`.
void WritePack(const std::string& path, const char* password,
               const std::vector<std::pair<std::string, std::string>>& entries) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr);
  for (const auto& entry : entries) {
    char* copy = static_cast<char*>(std::malloc(entry.second.size()));
    std::memcpy(copy, entry.second.data(), entry.second.size());
    zip_source_t* source = zip_source_buffer(archive, copy, entry.second.size(), 1);
    const zip_int64_t index = zip_file_add(archive, entry.first.c_str(), source, ZIP_FL_ENC_UTF_8);
    ASSERT_GE(index, 0);
    ASSERT_EQ(zip_file_set_encryption(archive, static_cast<zip_uint64_t>(index), ZIP_EM_TRAD_PKWARE, password), 0);
  }
  ASSERT_EQ(zip_close(archive), 0);
}

class ResourceMgrTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApp(); }

  void SetUp() override {
    ds::FileSystem::Instance()->SetWorkPath(dir_.path().c_str());
    WritePack(dir_.File("soft.dat"), kVexoPackPassword,
              {{"img/bg.png", SolidPng(qRgb(255, 0, 0))},
               {"img/alpha.png", SolidPng(qRgba(200, 100, 50, 128))},
               {"software/soft.xml", "<?xml version=\"1.0\"?><r/>"}});
    mgr_ = VEXO_ResourceMgr::Instance();
  }
  void TearDown() override { mgr_->Fini(); }

  void Loose(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(ds::MakeDirectories(ds::DirectoryOf(dir_.File(name))));
    WriteWholeFile(dir_.File(name), bytes);
  }

  TempDir dir_;
  VEXO_ResourceMgr* mgr_ = nullptr;
};

TEST_F(ResourceMgrTest, PackImagesAreCachedUnderOneName) {
  ASSERT_EQ(mgr_->Init(kVexoPackFileName, kVexoPackPassword), 1);
  VEXO_Image* image = mgr_->GetImage("img/bg.png");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetQImage().pixel(1, 1), qRgb(255, 0, 0));
  EXPECT_EQ(mgr_->GetImage("/img/bg.png"), image);
  EXPECT_EQ(mgr_->GetImage("\\img/bg.png"), image);
  EXPECT_EQ(mgr_->GetImage("img/bg.png"), image);
  // Every entry is indexed, the XML too, and can be read back whole.
  EXPECT_TRUE(mgr_->HasEntry("/software/soft.xml"));
  std::string xml;
  EXPECT_EQ(mgr_->ReadEntry("software/soft.xml", xml), 1);
  EXPECT_EQ(xml, "<?xml version=\"1.0\"?><r/>");
  EXPECT_EQ(mgr_->ReadEntry("software/none.xml", xml), 0);
  EXPECT_TRUE(mgr_->GetUnzipFile()->IsOpen());
}

TEST_F(ResourceMgrTest, LooseFileWinsOverThePackEntry) {
  Loose("img/bg.png", SolidPng(qRgb(0, 0, 255)));
  ASSERT_EQ(mgr_->Init(kVexoPackFileName, kVexoPackPassword), 1);
  VEXO_Image* image = mgr_->GetImage("/img/bg.png");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetQImage().pixel(0, 0), qRgb(0, 0, 255));
  const ImageResInfo* record = mgr_->FindImageRecord("img/bg.png");
  ASSERT_NE(record, nullptr);
  EXPECT_GE(record->index, 0);  // still the pack's record
  EXPECT_EQ(record->image, image);
}

TEST_F(ResourceMgrTest, LoosePngOutsideThePackIsPremultipliedOnce) {
  Loose("img/extra/soft.png", SolidPng(qRgba(200, 100, 50, 128)));
  ASSERT_EQ(mgr_->Init(kVexoPackFileName, kVexoPackPassword), 1);
  VEXO_Image* image = mgr_->GetImage("img/extra/soft.png");
  ASSERT_NE(image, nullptr);
  EXPECT_TRUE(image->HasAlpha());
  auto raw = [&] { return reinterpret_cast<const QRgb*>(image->GetQImage().constScanLine(0))[0]; };
  const QRgb first = raw();
  EXPECT_EQ(qAlpha(first), 128);
  EXPECT_NEAR(qRed(first), 200 * 128 / 255, 1);
  EXPECT_NEAR(qGreen(first), 100 * 128 / 255, 1);
  EXPECT_NEAR(qBlue(first), 50 * 128 / 255, 1);
  EXPECT_EQ(mgr_->GetImage("/img/extra/soft.png"), image);
  EXPECT_EQ(raw(), first);
  const ImageResInfo* record = mgr_->FindImageRecord("img/extra/soft.png");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->index, -1);
  EXPECT_EQ(record->size, -1);

  // Pack images are held the same way (drawn source-over as premultiplied pixels).
  VEXO_Image* packed = mgr_->GetImage("img/alpha.png");
  ASSERT_NE(packed, nullptr);
  const QRgb p = reinterpret_cast<const QRgb*>(packed->GetQImage().constScanLine(0))[0];
  EXPECT_NEAR(qRed(p), 100, 1);
}

TEST_F(ResourceMgrTest, MissingImagesAreNotCached) {
  ASSERT_EQ(mgr_->Init(kVexoPackFileName, kVexoPackPassword), 1);
  EXPECT_EQ(mgr_->GetImage("img/none.png"), nullptr);
  EXPECT_EQ(mgr_->GetImage("img/none.png"), nullptr);
  EXPECT_EQ(mgr_->FindImageRecord("img/none.png"), nullptr);
  // A file appearing later is found on the next request.
  Loose("img/none.png", SolidPng(qRgb(1, 2, 3)));
  EXPECT_NE(mgr_->GetImage("img/none.png"), nullptr);
  // Neither a corrupt loose file nor the XML entry decodes as an image.
  Loose("img/bad.png", "not an image");
  EXPECT_EQ(mgr_->GetImage("img/bad.png"), nullptr);
  EXPECT_EQ(mgr_->GetImage("software/soft.xml"), nullptr);
  EXPECT_EQ(mgr_->FindImageRecord("software/soft.xml")->image, nullptr);
}

TEST_F(ResourceMgrTest, WrongPasswordIndexesButDecodesNothing) {
  ASSERT_EQ(mgr_->Init(kVexoPackFileName, "not the password"), 1);
  EXPECT_TRUE(mgr_->HasEntry("img/bg.png"));
  EXPECT_EQ(mgr_->GetImage("img/bg.png"), nullptr);
  std::string xml;
  EXPECT_EQ(mgr_->ReadEntry("software/soft.xml", xml), 0);
  mgr_->Fini();
  // A missing pack: no index, loose files still served.
  Loose("img/loose.png", SolidPng(qRgb(9, 9, 9)));
  ASSERT_EQ(mgr_->Init("missing.dat", kVexoPackPassword), 1);
  EXPECT_FALSE(mgr_->HasEntry("img/bg.png"));
  EXPECT_NE(mgr_->GetImage("img/loose.png"), nullptr);
}

TEST_F(ResourceMgrTest, FontsAndColoursLiveFromInitToFini) {
  EXPECT_EQ(mgr_->GetFont("hfont"), nullptr);  // before Init
  ASSERT_EQ(mgr_->Init(kVexoPackFileName, kVexoPackPassword), 1);
  VEXO_Font* hfont = mgr_->GetFont("hfont");
  ASSERT_NE(hfont, nullptr);
  EXPECT_EQ(hfont->GetQFont().pixelSize(), 12);
  EXPECT_EQ(hfont->GetQFont().weight(), QFont::Normal);
  EXPECT_EQ(mgr_->GetFont("hboldfont")->GetQFont().weight(), QFont::Bold);
  EXPECT_EQ(mgr_->GetFont("Userfont")->GetQFont().pixelSize(), 14);
  EXPECT_EQ(mgr_->GetFont("vfont")->GetEscapement(), 900);
  // A positive height is the cell height: ascent plus descent fit within it.
  const QFontMetrics metrics(mgr_->GetFont("Userfont16")->GetQFont());
  EXPECT_LE(metrics.ascent() + metrics.descent(), 20);
  EXPECT_GE(metrics.ascent() + metrics.descent(), 14);
  EXPECT_EQ(mgr_->GetFont("unknown"), nullptr);

  EXPECT_EQ(mgr_->GetColor("WhisperColor"), 0xEA35F8u);
  EXPECT_EQ(mgr_->GetColor("talkcolor"), 0u);
  EXPECT_EQ(mgr_->GetColor("unknown"), 0u);
  mgr_->SetColor("row", 0xC86446);
  EXPECT_EQ(mgr_->GetColor("row"), 0xC86446u);

  mgr_->Fini();
  EXPECT_EQ(mgr_->GetFont("hfont"), nullptr);
  EXPECT_EQ(mgr_->GetColor("WhisperColor"), 0u);
  EXPECT_EQ(mgr_->GetImage("img/bg.png"), nullptr);
  mgr_->Init(kVexoPackFileName, kVexoPackPassword);
  VEXO_Font* again = mgr_->GetFont("hfont");
  EXPECT_NE(again, nullptr);
  // A second Init keeps the fonts windows may still hold.
  mgr_->Init(kVexoPackFileName, kVexoPackPassword);
  EXPECT_EQ(mgr_->GetFont("hfont"), again);
}

// A 16 x 16, 32-bit cursor file with the given hotspot.
std::string CursorFile(int hx, int hy) {
  std::string b;
  auto u16 = [&](unsigned v) { b.push_back(char(v & 255)); b.push_back(char(v >> 8)); };
  auto u32 = [&](unsigned v) { u16(v & 0xFFFF); u16(v >> 16); };
  const unsigned xor_size = 16 * 16 * 4, and_size = 4 * 16;
  u16(0); u16(2); u16(1);
  b.push_back(16); b.push_back(16); b.push_back(0); b.push_back(0);
  u16(static_cast<unsigned>(hx)); u16(static_cast<unsigned>(hy));
  u32(40 + xor_size + and_size); u32(22);
  u32(40); u32(16); u32(32); u16(1); u16(32); u32(0); u32(xor_size + and_size);
  u32(0); u32(0); u32(0); u32(0);
  for (unsigned i = 0; i < 16 * 16; ++i) u32(0xFF102030u);
  b.append(and_size, '\0');
  return b;
}

TEST_F(ResourceMgrTest, CursorsAndIconsAreCachedEvenWhenMissing) {
  Loose("game/hand.cur", CursorFile(5, 7));
  Loose("res/arrow.cur", CursorFile(1, 2));
  QImage big(32, 32, QImage::Format_ARGB32);
  big.fill(qRgb(0, 90, 0));
  Loose("icons/app.png", Png(big));
  ASSERT_EQ(mgr_->Init(kVexoPackFileName, kVexoPackPassword), 1);

  VEXO_Cursor* hand = mgr_->GetCursor("hand");
  ASSERT_NE(hand, nullptr);
  EXPECT_EQ(hand->GetQCursor().hotSpot(), QPoint(5, 7));
  VEXO_Cursor* arrow = mgr_->GetCursor("res/arrow");
  ASSERT_NE(arrow, nullptr);
  EXPECT_EQ(arrow->GetQCursor().hotSpot(), QPoint(1, 2));
  EXPECT_EQ(mgr_->GetCursor("res/arrow"), arrow);
  EXPECT_EQ(mgr_->GetCursor("nothing"), nullptr);
  Loose("nothing.cur", CursorFile(0, 0));
  EXPECT_EQ(mgr_->GetCursor("nothing"), nullptr);  // the miss was cached

  VEXO_Icon* icon = mgr_->GetIcon("/icons/app.png");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->Small().size(), QSize(16, 16));
  EXPECT_EQ(mgr_->GetIcon("/icons/app.png"), icon);
  EXPECT_EQ(mgr_->GetIcon("/icons/none.ico"), nullptr);

  int x = 0, y = 0;
  EXPECT_FALSE(VEXO_Cursor::ReadHotspot("\0\0\1\0\1\0", &x, &y));  // an icon, not a cursor
}

TEST(PackBuilderTest, BuildsAPackTheReaderOpensWithThePassword) {
  // The tool is built beside the test programs.
  char self[4096] = {0};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  const std::string tool = ds::DirectoryOf(std::string(self, static_cast<std::size_t>(n))) + "/pack_builder";
  if (!ds::PathExists(tool)) GTEST_SKIP() << "pack_builder not built";
  TempDir dir;
  ASSERT_TRUE(ds::MakeDirectories(dir.File("a/img/face")));
  ASSERT_TRUE(ds::MakeDirectories(dir.File("b/img")));
  WriteWholeFile(dir.File("a/README"), "sources");
  WriteWholeFile(dir.File("a/img/face/1.png"), "one");
  WriteWholeFile(dir.File("a/img/x.txt"), "old");
  WriteWholeFile(dir.File("b/img/x.txt"), "new");
  ASSERT_EQ(corvane_test::RunCommand("'" + tool + "' '" + dir.File("out/soft.dat") + "' '" +
                                     dir.File("a") + "' '" + dir.File("b") + "'"),
            0);
  ds::UnzipFile pack;
  ASSERT_EQ(pack.OpenFile(dir.File("out/soft.dat").c_str(), kVexoPackPassword), 1);
  EXPECT_EQ(pack.GetEntryCount(), 2);  // README left out
  std::string bytes;
  EXPECT_EQ(pack.ReadEntry("img/face/1.png", bytes), 1);
  EXPECT_EQ(bytes, "one");
  EXPECT_EQ(pack.ReadEntry("img/x.txt", bytes), 1);
  EXPECT_EQ(bytes, "new");  // the later folder wins
  ds::UnzipFile wrong;
  ASSERT_EQ(wrong.OpenFile(dir.File("out/soft.dat").c_str(), "wrong"), 1);
  EXPECT_EQ(wrong.ReadEntry("img/x.txt", bytes), 0);
  // A missing source folder fails and leaves no pack behind.
  EXPECT_NE(corvane_test::RunCommand("'" + tool + "' '" + dir.File("bad.dat") + "' '" +
                                     dir.File("none") + "' 2>/dev/null"),
            0);
  EXPECT_FALSE(ds::PathExists(dir.File("bad.dat")));
}

}  // namespace

namespace {

std::string SourceFile(const std::string& relative) {
  std::string root = __FILE__;  // <root>/tests/vexo/ui/resources/ui_resource_mgr_test.cpp
  for (int i = 0; i < 5; ++i) root = root.substr(0, root.find_last_of('/'));
  return corvane_test::ReadWholeFile(root + "/" + relative);
}

QRgb Centre(const QPixmap& pixmap) {
  const QImage image = pixmap.toImage();
  return image.pixel(image.width() / 2, image.height() / 2) | 0xFF000000u;
}

}  // namespace

TEST_F(ResourceMgrTest, ProgramIconsComeFromTheExecutableOrTheSkin) {
  // The fixture's icon: 16 red, 32 green, 48 blue.
  Loose("prog/icon.exe", SourceFile("tests/core/pe/fixtures/icon_x86.exe"));
  Loose("prog/damaged.exe", SourceFile("tests/core/pe/fixtures/damaged_icon_x64.exe"));
  Loose("software/other.gif", SourceFile("data/pack/software/other.gif"));
  ASSERT_EQ(mgr_->Init(kVexoPackFileName, kVexoPackPassword), 1);

  VEXO_Icon* icon = mgr_->GetIcon("/prog/icon.exe");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->Sizes(), (std::vector<int>{16, 32, 48}));
  EXPECT_EQ(icon->Small().size(), QSize(16, 16));
  EXPECT_EQ(Centre(icon->Small()), qRgb(0xE0, 0x20, 0x20));
  EXPECT_EQ(Centre(icon->Pixmap(32)), qRgb(0x20, 0xB0, 0x20));
  // A size the icon lacks comes from the next larger one, or the largest.
  EXPECT_EQ(icon->Pixmap(24).size(), QSize(24, 24));
  EXPECT_EQ(Centre(icon->Pixmap(24)), qRgb(0x20, 0xB0, 0x20));
  EXPECT_EQ(Centre(icon->Pixmap(64)), qRgb(0x20, 0x40, 0xE0));
  EXPECT_EQ(mgr_->GetIcon("/prog/icon.exe"), icon);
  VEXO_Icon* by_path = mgr_->GetPathIcon(dir_.File("prog/icon.exe").c_str());
  ASSERT_NE(by_path, nullptr);
  EXPECT_EQ(Centre(by_path->Pixmap(48)), qRgb(0x20, 0x40, 0xE0));

  // A damaged icon directory, or no program at all: the skin's generic program icon.
  VEXO_Icon* generic = mgr_->GetProgramIcon();
  ASSERT_NE(generic, nullptr);
  const QImage expected = generic->Pixmap(32).toImage();
  for (const char* name : {"/prog/damaged.exe", "/prog/missing.EXE"}) {
    VEXO_Icon* fallback = mgr_->GetIcon(name);
    ASSERT_NE(fallback, nullptr) << name;
    EXPECT_EQ(fallback->Pixmap(32).toImage(), expected) << name;
  }
  // Its magenta is transparent.
  EXPECT_EQ(qAlpha(expected.pixel(0, 0)), 0);
  // A missing icon file is no program: no icon.
  EXPECT_EQ(mgr_->GetIcon("/prog/missing.ico"), nullptr);
}
