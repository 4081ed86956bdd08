// skin_generator end to end: it draws the rows of a table into nested pack folders in the format the
// extension names, reports bad rows and unknown names as failures, redraws the committed skin exactly,
// and its colour-key and shape helpers keep exactly the pixels they should.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <filesystem>

#include "tests/common/temp_dir.h"
// Plain sources of the tool, compiled in to test its helpers directly.
#include "tools/skin/canvas.cpp"

namespace {

std::string SourceRoot() {
  std::string file = __FILE__;  // <root>/tests/vexo/ui/resources/ui_skin_generator_test.cpp
  for (int i = 0; i < 5; ++i) file = file.substr(0, file.find_last_of('/'));
  return file;
}

std::string GeneratorPath() {
  const char* bin = std::getenv("CORVANE_TEST_BIN");
  return std::string(bin && *bin ? bin : "../bin") + "/skin_generator";
}

int Generate(const std::string& table_text, const std::string& out, const std::string& extra = "",
             std::string* messages = nullptr) {
  corvane_test::TempDir scratch;
  corvane_test::WriteWholeFile(scratch.File("table.tsv"), table_text);
  std::string log = scratch.File("log.txt");
  int status = corvane_test::RunCommand("QT_QPA_PLATFORM=offscreen '" + GeneratorPath() + "' --table '" +
                                        scratch.File("table.tsv") + "' --out '" + out + "' " + extra + " > '" + log +
                                        "' 2>&1");
  if (messages) *messages = corvane_test::ReadWholeFile(log);
  return status;
}

TEST(SkinGeneratorTest, DrawsEveryRowIntoNestedFoldersByExtension) {
  corvane_test::TempDir out;
  const std::string table =
      "img/deep/a/BtOk.png\t120\t24\tbutton\t确定\tprimary\t-\n"
      "Img/box.gif\t64\t16\tcheck\t-\t-\t-\n"
      "face.gif\t88\t100\tface\t-\tface\tsex=m\n";
  std::string messages;
  ASSERT_EQ(Generate(table, out.path(), "", &messages), 0) << messages;
  QImage button(QString::fromStdString(out.File("img/deep/a/BtOk.png")));
  EXPECT_EQ(button.size(), QSize(120, 24));
  EXPECT_EQ(corvane_test::ReadWholeFile(out.File("Img/box.gif")).substr(0, 6), "GIF89a");
  QImage face(QString::fromStdString(out.File("face.gif")));
  EXPECT_EQ(face.size(), QSize(88, 100));
  EXPECT_EQ(qAlpha(face.pixel(0, 0)), 0);  // the key colour became the GIF's transparent entry

  // --only draws the named row and nothing else.
  corvane_test::TempDir only;
  ASSERT_EQ(Generate(table, only.path(), "--only Img/box.gif"), 0);
  EXPECT_EQ(corvane_test::ListDirectory(only.path()), (std::vector<std::string>{"Img"}));
}

TEST(SkinGeneratorTest, FailsOnBadRowsAndUnknownNames) {
  corvane_test::TempDir out;
  std::string messages;
  // A kind no painter knows, a glyph no painter knows, a window role no painter knows.
  EXPECT_NE(Generate("a.png\t40\t20\tsparkle\t-\t-\t-\n", out.path(), "", &messages), 0);
  EXPECT_NE(messages.find("sparkle"), std::string::npos) << messages;
  EXPECT_NE(Generate("a.png\t40\t20\tglyph\t-\ttitle\tglyph=comet\n", out.path(), "", &messages), 0);
  EXPECT_NE(messages.find("comet"), std::string::npos) << messages;
  EXPECT_NE(Generate("a.png\t40\t20\twindow\t-\tballoon\t-\n", out.path(), "", &messages), 0);
  // A table that does not parse writes nothing.
  EXPECT_NE(Generate("b.png\t41\t20\tbutton\t-\t-\t-\n", out.path(), "", &messages), 0);
  EXPECT_NE(messages.find("line 1"), std::string::npos) << messages;
  // A name asked for with --only that the table does not hold.
  EXPECT_NE(Generate("c.png\t40\t20\tbutton\t-\tnormal\t-\n", out.path(), "--only d.png", &messages), 0);
  EXPECT_TRUE(corvane_test::ListDirectory(out.path()).empty());
  // Unknown arguments.
  EXPECT_NE(Generate("c.png\t40\t20\tbutton\t-\tnormal\t-\n", out.path(), "--colour red"), 0);
}

// The images under data/pack/ are what the generator draws: a fresh run over the whole table gives the
// same pixels for every image and the same colour file, so a change to the painters or the table that
// is not followed by a regeneration (or a drawing that depends on the machine) shows here.
TEST(SkinGeneratorTest, AFreshRunRedrawsTheCommittedSkinExactly) {
  corvane_test::TempDir out;
  ASSERT_EQ(corvane_test::RunCommand("QT_QPA_PLATFORM=offscreen '" + GeneratorPath() + "' --out '" + out.path() +
                                     "' > /dev/null 2>&1"),
            0);
  const std::filesystem::path fresh(out.path());
  const std::filesystem::path committed(SourceRoot() + "/data/pack");
  int files = 0;
  std::vector<std::string> differing;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(fresh)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    const std::string name = std::filesystem::relative(entry.path(), fresh).generic_string();
    const std::string other = (committed / name).string();
    if (name.size() > 4 && name.substr(name.size() - 4) == ".xml") {
      if (corvane_test::ReadWholeFile(entry.path().string()) != corvane_test::ReadWholeFile(other)) {
        differing.push_back(name);
      }
      continue;
    }
    const QImage drawn = QImage(QString::fromStdString(entry.path().string())).convertToFormat(QImage::Format_ARGB32);
    const QImage kept = QImage(QString::fromStdString(other)).convertToFormat(QImage::Format_ARGB32);
    if (drawn.isNull() || drawn != kept) differing.push_back(name);
  }
  EXPECT_GT(files, 150);
  EXPECT_TRUE(differing.empty()) << differing.size() << " of " << files << " files differ, first "
                                 << differing.front() << "; redraw them with the target skin_images";
}

// Shaped windows are cut by a region: every pixel ends fully transparent or fully opaque, with its
// colour intact.
TEST(SkinCanvasTest, HardenAlphaLeavesOnlyClearOrSolidPixels) {
  QImage image(3, 1, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(10, 20, 30, 127));
  image.setPixel(1, 0, qRgba(10, 20, 30, 128));
  image.setPixel(2, 0, qRgba(200, 100, 50, 255));
  skin::HardenAlpha(&image);
  EXPECT_EQ(image.pixel(0, 0), qRgba(0, 0, 0, 0));
  EXPECT_EQ(image.pixel(1, 0), qRgba(10, 20, 30, 255));
  EXPECT_EQ(image.pixel(2, 0), qRgba(200, 100, 50, 255));
}

// Keyed pictures: untouched pixels become the key, touched ones are blended over the backdrop, and a
// drawn pixel that happens to be the key colour is nudged so it is not cut away.
TEST(SkinCanvasTest, KeyOutKeysOnlyUntouchedPixels) {
  QImage picture(4, 1, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::transparent);
  picture.setPixel(1, 0, qRgba(0, 0, 0, 255));
  picture.setPixel(2, 0, qPremultiply(qRgba(0, 0, 0, 128)));
  picture.setPixel(3, 0, qRgba(255, 0, 255, 255));
  QImage keyed = skin::KeyOut(picture, QColor(255, 255, 255));
  EXPECT_EQ(keyed.pixel(0, 0) & 0xFFFFFF, 0xFF00FFu);
  EXPECT_EQ(keyed.pixel(1, 0) & 0xFFFFFF, 0x000000u);
  EXPECT_NEAR(qRed(keyed.pixel(2, 0)), 127, 2);  // half black over white
  EXPECT_EQ(qAlpha(keyed.pixel(2, 0)), 255);
  EXPECT_NE(keyed.pixel(3, 0) & 0xFFFFFF, 0xFF00FFu);
}

}  // namespace
