// The skin: the image table parses strictly, the GIF writer round-trips through Qt's decoder, and the
// committed images under data/pack/ match the table (sizes, formats, distinct state cells, captions,
// stretch-safe bands, hard-edged shapes, keyed pictures).
#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>

#include <cstdlib>
#include <set>

// The generator's own table parser and GIF writer are tested where they are compiled for the tool;
// they are plain sources, so the test compiles them in directly.
#include "tools/skin/gif_writer.cpp"
#include "tools/skin/image_spec.cpp"

namespace {

std::string SourceRoot() {
  std::string file = __FILE__;  // <root>/tests/vexo/ui/resources/ui_skin_images_test.cpp
  for (int i = 0; i < 5; ++i) file = file.substr(0, file.find_last_of('/'));
  return file;
}

std::vector<skin::ImageSpec> Table() {
  std::vector<skin::ImageSpec> specs;
  std::string error;
  EXPECT_TRUE(skin::LoadImageTable(SourceRoot() + "/tools/skin/image_table.tsv", &specs, &error)) << error;
  return specs;
}

QImage LoadPackImage(const std::string& name) {
  QImage image(QString::fromStdString(SourceRoot() + "/data/pack/" + name));
  return image.convertToFormat(QImage::Format_ARGB32);
}

QImage Cell(const QImage& image, int states, int index) {
  int width = image.width() / states;
  return image.copy(index * width, 0, width, image.height());
}

int Distance(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) +
         std::abs(qAlpha(a) - qAlpha(b));
}

const std::string kRow = "img/a.png\t40\t20\tbutton\t确定\tprimary\tglyph=up;cuts=1,2,3,4\tuse";

TEST(SkinTableTest, ParsesRowsWithOptionsCaptionsAndComments) {
  std::vector<skin::ImageSpec> specs;
  std::string error;
  ASSERT_TRUE(skin::ParseImageTable("# comment\n\n" + kRow + "\r\nimg/b.gif\t8\t8\tface\ta|b\t-\t-\n", &specs, &error))
      << error;
  ASSERT_EQ(specs.size(), 2u);
  EXPECT_EQ(specs[0].name, "img/a.png");
  EXPECT_EQ(specs[0].width, 40);
  EXPECT_EQ(specs[0].caption, "确定");
  EXPECT_EQ(specs[0].Option("glyph"), "up");
  EXPECT_EQ(specs[0].IntListOption("cuts"), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(specs[0].use, "use");
  EXPECT_EQ(specs[0].line, 3);
  EXPECT_EQ(specs[0].StateCount(), 4);
  EXPECT_EQ(specs[1].CaptionLines(), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(specs[1].role.empty());
  EXPECT_TRUE(specs[1].options.empty());
}

TEST(SkinTableTest, OptionsAndStateCounts) {
  std::vector<skin::ImageSpec> specs;
  std::string error;
  ASSERT_TRUE(skin::ParseImageTable("a.png\t280\t12\tdigits\t-\t-\tstates=4;cuts=1,x,3;pos=0\n"
                                    "b.png\t70\t12\tdigits\t-\t-\t-\n"
                                    "c.png\t80\t22\tedit\t-\t-\t-\n",
                                    &specs, &error))
      << error;
  EXPECT_EQ(specs[0].StateCount(), 4);
  EXPECT_TRUE(specs[0].IntListOption("cuts").empty());  // malformed lists are not half read
  EXPECT_EQ(specs[0].IntOption("pos", 7), 0);
  EXPECT_EQ(specs[0].IntOption("missing", 7), 7);
  EXPECT_EQ(specs[1].StateCount(), 1);
  EXPECT_EQ(specs[2].StateCount(), 2);
  // Digit strips declare their states; the width must divide into them.
  EXPECT_FALSE(skin::ParseImageTable("a.png\t70\t12\tdigits\t-\t-\tstates=4\n", &specs, &error));
}

TEST(SkinTableTest, RejectsRowsThatWouldWriteWrongOrUnsafeFiles) {
  const char* bad_rows[] = {
      "img/a.png\t40\t20\tbutton\t-\t-",                 // too few columns
      "../a.png\t40\t20\tbutton\t-\t-\t-",               // leaves the pack folder
      "/abs/a.png\t40\t20\tbutton\t-\t-\t-",             // absolute
      "img//a.png\t40\t20\tbutton\t-\t-\t-",             // empty segment
      "img/a.bmp\t40\t20\tbutton\t-\t-\t-",              // neither png nor gif
      "img/a.png\t0\t20\tbutton\t-\t-\t-",               // zero width
      "img/a.png\t4x\t20\tbutton\t-\t-\t-",              // not a number
      "img/a.png\t42\t20\tbutton\t-\t-\t-",              // four states do not divide 42
      "img/a.png\t40\t20\tbutton\t-\t-\tglyph",          // option without value
      "img/a.png\t40\t20\t-\t-\t-\t-",                   // no kind
  };
  for (const char* row : bad_rows) {
    std::vector<skin::ImageSpec> specs;
    std::string error;
    EXPECT_FALSE(skin::ParseImageTable(std::string("# x\n") + row + "\n", &specs, &error)) << row;
    EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
  }
  std::vector<skin::ImageSpec> specs;
  std::string error;
  EXPECT_FALSE(skin::ParseImageTable(kRow + "\n" + kRow + "\n", &specs, &error));
  EXPECT_NE(error.find("duplicate"), std::string::npos);
}

// Qt decodes what the writer encodes: exact for up to 256 colours (the noise pattern overflows the
// 4096-code LZW table many times), close for photographs of many colours, transparent where alpha is.
TEST(SkinGifTest, RoundTripsThroughQtDecoder) {
  QRandomGenerator random(7);
  std::vector<QRgb> colours;
  for (int i = 0; i < 200; ++i) colours.push_back(0xFF000000u | random.generate());
  QImage noise(256, 256, QImage::Format_ARGB32);
  for (int y = 0; y < noise.height(); ++y) {
    for (int x = 0; x < noise.width(); ++x) {
      noise.setPixel(x, y, (x + y) % 97 == 0 ? qRgba(0, 0, 0, 0) : colours[random.bounded(200)]);
    }
  }
  QImage decoded;
  ASSERT_TRUE(decoded.loadFromData(QByteArray::fromStdString(skin::EncodeGif(skin::Quantize(noise))), "GIF"));
  decoded = decoded.convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(decoded.size(), noise.size());
  int mismatches = 0;
  for (int y = 0; y < noise.height(); ++y) {
    for (int x = 0; x < noise.width(); ++x) {
      QRgb want = noise.pixel(x, y);
      QRgb got = decoded.pixel(x, y);
      bool same = qAlpha(want) == 0 ? qAlpha(got) == 0 : got == want;
      if (!same) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);

  QImage gradient(300, 120, QImage::Format_ARGB32);
  for (int y = 0; y < gradient.height(); ++y) {
    for (int x = 0; x < gradient.width(); ++x) gradient.setPixel(x, y, qRgb(x * 255 / 299, y * 2, (x ^ y) & 0xFF));
  }
  skin::IndexedImage indexed = skin::Quantize(gradient);
  EXPECT_LE(indexed.palette.size(), 256u);
  EXPECT_EQ(indexed.transparent, -1);
  ASSERT_TRUE(decoded.loadFromData(QByteArray::fromStdString(skin::EncodeGif(indexed)), "GIF"));
  decoded = decoded.convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(decoded.size(), gradient.size());
  long long total = 0;
  int worst = 0;
  for (int y = 0; y < gradient.height(); ++y) {
    for (int x = 0; x < gradient.width(); ++x) {
      int d = Distance(gradient.pixel(x, y), decoded.pixel(x, y));
      total += d;
      worst = std::max(worst, d);
    }
  }
  EXPECT_LT(total / (gradient.width() * gradient.height()), 24);
  EXPECT_LT(worst, 120);
}

TEST(SkinImagesTest, EveryTableImageIsInThePackAtItsSizeAndFormat) {
  std::vector<skin::ImageSpec> specs = Table();
  ASSERT_GT(specs.size(), 100u);
  for (const skin::ImageSpec& spec : specs) {
    QFile file(QString::fromStdString(SourceRoot() + "/data/pack/" + spec.name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << spec.name;
    QByteArray magic = file.read(6);
    if (spec.name.size() > 4 && spec.name.substr(spec.name.size() - 4) == ".gif") {
      EXPECT_EQ(magic, QByteArray("GIF89a")) << spec.name;
    } else {
      EXPECT_EQ(magic.mid(1, 3), QByteArray("PNG")) << spec.name;
    }
    QImage image = LoadPackImage(spec.name);
    EXPECT_EQ(image.width(), spec.width) << spec.name;
    EXPECT_EQ(image.height(), spec.height) << spec.name;
  }
}

// Every strip shows a different look per state, and captioned cells carry visible text.
TEST(SkinImagesTest, StripStatesDifferAndCaptionsAreDrawn) {
  for (const skin::ImageSpec& spec : Table()) {
    const int states = spec.StateCount();
    if (states < 2) continue;
    QImage image = LoadPackImage(spec.name);
    for (int a = 0; a < states; ++a) {
      for (int b = a + 1; b < states; ++b) {
        EXPECT_FALSE(Cell(image, states, a) == Cell(image, states, b)) << spec.name << " states " << a << ", " << b;
      }
    }
    if (spec.caption.empty() || spec.kind == "userinfo") continue;
    for (int state = 0; state < states; ++state) {
      QImage cell = Cell(image, states, state);
      QRgb background = cell.pixel(cell.width() / 2, 1);
      int ink = 0;
      for (int y = 2; y < cell.height() - 2; ++y) {
        for (int x = cell.width() / 5; x < cell.width() * 4 / 5; ++x) {
          if (Distance(cell.pixel(x, y), background) > 150) ++ink;
        }
      }
      EXPECT_GE(ink, 12) << spec.name << " state " << state << " shows no caption";
    }
  }
}

// Rows and bars are stretched to any width, and the main background's middle column and row are
// stretched by the nine-grid: there every column (row) must be the same, or stretching smears detail.
// Plain buttons (roles "normal" and "light") must not look the same under the mouse and pressed: the
// two cells differ by more than a shade on average.
TEST(SkinImagesTest, PlainButtonsLookDifferentHotAndPressed) {
  int checked = 0;
  for (const skin::ImageSpec& spec : Table()) {
    if (spec.kind != "button" || (spec.role != "normal" && spec.role != "light")) continue;
    const QImage image = LoadPackImage(spec.name);
    const QImage hot = Cell(image, 4, 1);
    const QImage pressed = Cell(image, 4, 2);
    long long total = 0;
    for (int y = 0; y < hot.height(); ++y)
      for (int x = 0; x < hot.width(); ++x) total += Distance(hot.pixel(x, y), pressed.pixel(x, y));
    EXPECT_GT(total / (3 * hot.width() * hot.height()), 20) << spec.name;
    ++checked;
  }
  EXPECT_GT(checked, 10);
}

TEST(SkinImagesTest, StretchedPartsAreUniform) {
  int checked = 0;
  for (const skin::ImageSpec& spec : Table()) {
    QImage image = LoadPackImage(spec.name);
    int x_from = -1, x_to = -1, y_from = -1, y_to = -1;
    if (spec.kind == "row" || spec.kind == "splitbar" || spec.kind == "listhead") {
      x_from = 0;
      x_to = image.width();
    } else if (spec.kind == "window" && spec.role == "main") {
      std::vector<int> cuts = spec.IntListOption("cuts");
      ASSERT_EQ(cuts.size(), 4u) << spec.name;
      x_from = cuts[0];
      x_to = cuts[1];
      y_from = cuts[2];
      y_to = cuts[3];
    } else {
      continue;
    }
    ++checked;
    for (int x = x_from + 1; x < x_to; ++x) {
      for (int y = 0; y < image.height(); ++y) {
        ASSERT_EQ(image.pixel(x, y), image.pixel(x_from, y)) << spec.name << " column " << x << " row " << y;
      }
    }
    for (int y = y_from + 1; y_from >= 0 && y < y_to; ++y) {
      for (int x = 0; x < image.width(); ++x) {
        ASSERT_EQ(image.pixel(x, y), image.pixel(x, y_from)) << spec.name << " row " << y << " column " << x;
      }
    }
  }
  EXPECT_GE(checked, 10);
}

// A window cut to its image's shape has only fully transparent or fully opaque pixels; keyed GIF
// pictures leave their surroundings transparent and are drawn where they stand.
TEST(SkinImagesTest, ShapesAreHardAndKeyedPicturesTransparentAround) {
  int shaped = 0;
  int keyed = 0;
  for (const skin::ImageSpec& spec : Table()) {
    QImage image = LoadPackImage(spec.name);
    if (spec.Option("shaped") == "1") {
      ++shaped;
      EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << spec.name;
      EXPECT_EQ(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 0) << spec.name;
      EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255) << spec.name;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
          int alpha = qAlpha(image.pixel(x, y));
          ASSERT_TRUE(alpha == 0 || alpha == 255) << spec.name << " at " << x << "," << y;
        }
      }
    }
    if (spec.kind == "face" || spec.kind == "hair" || (spec.kind == "appicon" && spec.role != "logo")) {
      ++keyed;
      EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << spec.name;
      int opaque = 0;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) opaque += qAlpha(image.pixel(x, y)) == 255;
      }
      EXPECT_GT(opaque, image.width() * image.height() / 20) << spec.name;
      EXPECT_LT(opaque, image.width() * image.height()) << spec.name;
    }
  }
  EXPECT_GE(shaped, 1);
  EXPECT_GE(keyed, 5);
}

// Digit strips: ten distinct digits per state cell, each with ink inside its own cell.
TEST(SkinImagesTest, DigitStripsHoldTenDistinctDigits) {
  for (const skin::ImageSpec& spec : Table()) {
    if (spec.kind != "digits") continue;
    QImage image = LoadPackImage(spec.name);
    const int cell = image.width() / spec.StateCount() / 10;
    std::set<QByteArray> seen;
    for (int d = 0; d < 10; ++d) {
      QImage digit = image.copy(d * cell, 0, cell, image.height());
      int ink = 0;
      for (int y = 0; y < digit.height(); ++y) {
        for (int x = 0; x < digit.width(); ++x) ink += qAlpha(digit.pixel(x, y)) > 128;
      }
      EXPECT_GE(ink, 4) << spec.name << " digit " << d;
      seen.insert(QByteArray(reinterpret_cast<const char*>(digit.constBits()), static_cast<int>(digit.sizeInBytes())));
    }
    EXPECT_EQ(seen.size(), 10u) << spec.name;
  }
}

}  // namespace
