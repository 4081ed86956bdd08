// The pack reader side of the resource manager serves programs without any Qt application (the
// catalogue tools): entries and loose images work, window-system objects are simply not made.
#include <gtest/gtest.h>
#include <zip.h>

#include <QCoreApplication>
#include <string>

#include "core/files/file_system.h"
#include "tests/common/temp_dir.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/pack_password.h"
#include "vexo/ui/resources/resource_mgr.h"

namespace {

// A 1 x 1 opaque PNG.
const unsigned char kPng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x90,
    0x77, 0x53, 0xDE, 0x00, 0x00, 0x00, 0x0C, 0x49, 0x44, 0x41, 0x54, 0x08, 0xD7, 0x63, 0xF8,
    0xCF, 0xC0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0x18, 0xDD, 0x8D, 0xB0, 0x00, 0x00, 0x00,
    0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

TEST(ResourcePackTest, WorksWithoutAnApplication) {
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  corvane_test::TempDir dir;
  ds::FileSystem::Instance()->SetWorkPath(dir.path().c_str());
  {
    int error = 0;
    zip_t* archive = zip_open(dir.File("soft.dat").c_str(), ZIP_CREATE, &error);
    ASSERT_NE(archive, nullptr);
    static const char kXml[] = "<r a=\"1\"/>";
    zip_int64_t i = zip_file_add(archive, "software/soft.xml",
                                 zip_source_buffer(archive, kXml, sizeof kXml - 1, 0), 0);
    ASSERT_GE(i, 0);
    zip_file_set_encryption(archive, static_cast<zip_uint64_t>(i), ZIP_EM_TRAD_PKWARE, kVexoPackPassword);
    i = zip_file_add(archive, "img/p.png", zip_source_buffer(archive, kPng, sizeof kPng, 0), 0);
    ASSERT_GE(i, 0);
    zip_file_set_encryption(archive, static_cast<zip_uint64_t>(i), ZIP_EM_TRAD_PKWARE, kVexoPackPassword);
    ASSERT_EQ(zip_close(archive), 0);
  }
  VEXO_ResourceMgr* mgr = VEXO_ResourceMgr::Instance();
  ASSERT_EQ(mgr->Init(kVexoPackFileName, kVexoPackPassword), 1);
  std::string xml;
  EXPECT_EQ(mgr->ReadEntry("/software/soft.xml", xml), 1);
  EXPECT_EQ(xml, "<r a=\"1\"/>");
  VEXO_Image* image = mgr->GetImage("img/p.png");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetWidth(), 1);
  EXPECT_EQ(mgr->GetColor("WhisperColor"), 0xEA35F8u);
  EXPECT_EQ(mgr->GetFont("hfont"), nullptr);
  EXPECT_EQ(mgr->GetCursor("hand"), nullptr);
  EXPECT_EQ(mgr->GetIcon("/none.ico"), nullptr);
  mgr->Fini();
}

}  // namespace
