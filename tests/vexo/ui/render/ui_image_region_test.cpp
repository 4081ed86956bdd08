// Regions from images and bitmaps, the transparent-colour stretch, and Rotate90.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "vexo/ui/render/color.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/render/render_image.h"
#include "vexo/ui/render/render_image9.h"
#include "vexo/ui/dialog/window_functions.h"

namespace {

constexpr std::uint32_t kMagenta = 0xFF00FF;

void EnsureApp() {
  static int argc = 1;
  static char name[] = "ui_image_region_test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

long Area(const QRegion& region) {
  long area = 0;
  for (const QRect& r : region) area += static_cast<long>(r.width()) * r.height();
  return area;
}

class RegionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApp(); }
};

TEST_F(RegionTest, ImageRegionExcludesTransparentColourWithinTolerance) {
  QImage source(4, 3, QImage::Format_RGB32);
  source.fill(qRgb(0, 0, 0));
  source.setPixel(0, 0, qRgb(255, 0, 255));
  source.setPixel(1, 1, qRgb(250, 10, 250));  // inside 245..255 / 0..10
  source.setPixel(2, 1, qRgb(244, 0, 250));   // red below the low bound
  source.setPixel(3, 1, qRgb(255, 11, 255));  // green above the high bound
  VEXO_Image image;
  ASSERT_EQ(image.Attach(source), 1);

  const QRegion exact = image.CreateRgn(kMagenta, 0);
  EXPECT_FALSE(exact.contains(QPoint(0, 0)));
  EXPECT_TRUE(exact.contains(QPoint(1, 0)));
  EXPECT_EQ(Area(exact), 11);

  // Colour 245,0,245 with tolerance 20,10,20: the upper bound is capped at 255.
  const QRegion tolerant = image.CreateRgn(VEXO_RGB(245, 0, 245), VEXO_RGB(20, 10, 20));
  EXPECT_FALSE(tolerant.contains(QPoint(0, 0)));
  EXPECT_FALSE(tolerant.contains(QPoint(1, 1)));
  EXPECT_TRUE(tolerant.contains(QPoint(2, 1)));
  EXPECT_TRUE(tolerant.contains(QPoint(3, 1)));
  EXPECT_EQ(Area(tolerant), 10);
}

TEST_F(RegionTest, FullyTransparentPixelsAreNotPartOfTheShape) {
  QImage source(3, 1, QImage::Format_ARGB32);
  source.setPixel(0, 0, qRgba(0, 0, 0, 0));
  source.setPixel(1, 0, qRgba(0, 0, 0, 255));
  source.setPixel(2, 0, qRgba(30, 30, 30, 40));
  VEXO_Image image;
  ASSERT_EQ(image.Attach(source), 1);
  const QRegion region = image.CreateRgn(kMagenta, 0);
  EXPECT_EQ(region, QRegion(1, 0, 2, 1));
}

TEST_F(RegionTest, ManyRunsAreMergedAcrossBatches) {
  // A checkerboard has one run per solid pixel: 5000 rectangles, more than two batches.
  QImage source(100, 100, QImage::Format_RGB32);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x)
      source.setPixel(x, y, (x + y) % 2 == 0 ? qRgb(255, 0, 255) : qRgb(1, 2, 3));
  VEXO_Image image;
  ASSERT_EQ(image.Attach(source), 1);
  const QRegion region = image.CreateRgn(kMagenta, 0);
  EXPECT_EQ(Area(region), 5000);
  EXPECT_TRUE(region.contains(QPoint(99, 98)));
  EXPECT_FALSE(region.contains(QPoint(99, 99)));
  EXPECT_TRUE(region.contains(QPoint(1, 0)));
  EXPECT_EQ(Area(VEXO_Bmp2Rgn(&source, kMagenta, 0)), 5000);
}

TEST_F(RegionTest, ButtonRegionUsesOnlyTheFirstStateStretched) {
  // Four 10 x 10 states; only the first has artwork (a magenta 2 x 2 notch top-left), the other
  // three are all magenta and would give an empty region if they were used.
  QImage strip(40, 10, QImage::Format_RGB32);
  strip.fill(qRgb(255, 0, 255));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      if (x >= 2 || y >= 2) strip.setPixel(x, y, qRgb(0, 128, 0));
  VEXO_Image image;
  ASSERT_EQ(image.Attach(strip), 1);
  VEXO_RenderImage render;
  render.Init(&image);
  const QRegion region = render.CreateRgnBt(QRect(50, 60, 20, 20), kMagenta, 0, 4);
  EXPECT_EQ(Area(region), 400 - 16);
  EXPECT_FALSE(region.contains(QPoint(3, 3)));
  EXPECT_TRUE(region.contains(QPoint(4, 0)));
  EXPECT_TRUE(region.contains(QPoint(19, 19)));
  EXPECT_FALSE(region.contains(QPoint(20, 0)));  // relative to the rectangle, not beyond it
}

TEST_F(RegionTest, NineGridRegionShapesOnlyTheCorners) {
  QImage source(30, 30, QImage::Format_RGB32);
  source.fill(qRgb(0, 0, 200));
  for (QPoint p : {QPoint(0, 0), QPoint(29, 0), QPoint(0, 29), QPoint(29, 29), QPoint(15, 0)})
    source.setPixel(p, qRgb(255, 0, 255));
  VEXO_Image image;
  ASSERT_EQ(image.Attach(source), 1);
  VEXO_RenderImage9 render;
  render.Init(&image, 10, 20, 10, 20);
  const QRegion region = render.CreateRgn(QRect(0, 0, 100, 50), kMagenta, 0);
  EXPECT_FALSE(region.contains(QPoint(0, 0)));
  EXPECT_FALSE(region.contains(QPoint(99, 0)));
  EXPECT_FALSE(region.contains(QPoint(0, 49)));
  EXPECT_FALSE(region.contains(QPoint(99, 49)));
  // The top edge's magenta pixel is not cut out: only corners are shaped.
  EXPECT_TRUE(region.contains(QPoint(50, 0)));
  EXPECT_EQ(Area(region), 5000 - 4);
}

TEST_F(RegionTest, BitmapRegionTestsEachChannelAgainstItsOwnByte) {
  // Pure red key (0x0000FF): red pixels are left out, blue ones are kept.
  QImage bitmap(2, 1, QImage::Format_RGB32);
  bitmap.setPixel(0, 0, qRgb(255, 0, 0));
  bitmap.setPixel(1, 0, qRgb(0, 0, 255));
  const QRegion region = VEXO_Bmp2Rgn(&bitmap, VEXO_RGB(255, 0, 0), 0);
  EXPECT_EQ(region, QRegion(1, 0, 1, 1));
  EXPECT_EQ(Test_Bmp2Rgn(nullptr, &bitmap, VEXO_RGB(255, 0, 0)), region);
  EXPECT_TRUE(VEXO_Bmp2Rgn(nullptr, 0, 0).isEmpty());
}

TEST_F(RegionTest, StretchImageKeepsTheDestinationUnderTheTransparentColour) {
  QImage bitmap(3, 1, QImage::Format_RGB32);
  bitmap.setPixel(0, 0, qRgb(9, 9, 9));
  bitmap.setPixel(1, 0, qRgb(255, 0, 255));
  bitmap.setPixel(2, 0, qRgb(0, 200, 0));
  QImage canvas(4, 2, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(qRgb(255, 255, 255));
  {
    QPainter painter(&canvas);
    // Source pixels 1..2 stretched to 4 x 2.
    EXPECT_TRUE(VEXO_StretchImage(&painter, 0, 0, 4, 2, &bitmap, 1, 0, 2, 1, kMagenta));
  }
  EXPECT_EQ(canvas.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(canvas.pixel(1, 1), qRgb(255, 255, 255));
  EXPECT_EQ(canvas.pixel(2, 0), qRgb(0, 200, 0));
  EXPECT_EQ(canvas.pixel(3, 1), qRgb(0, 200, 0));

  QImage again(4, 2, QImage::Format_ARGB32_Premultiplied);
  again.fill(qRgb(255, 255, 255));
  {
    QPainter painter(&again);
    EXPECT_TRUE(VEXO_StretchBlt(&painter, 0, 0, 4, 2, &bitmap, 1, 0, 2, 1, kMagenta));
  }
  EXPECT_EQ(again, canvas);
}

TEST_F(RegionTest, Rotate90ExchangesRowsAndColumns) {
  QImage source(3, 2, QImage::Format_ARGB32);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) source.setPixel(x, y, qRgb(x * 50, y * 50, 7));
  VEXO_Image image;
  ASSERT_EQ(image.Attach(source), 1);
  ASSERT_EQ(image.Rotate90(), 1);
  ASSERT_EQ(image.GetWidth(), 2);
  ASSERT_EQ(image.GetHeight(), 3);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(image.GetQImage().pixel(y, x), source.pixel(x, y));
  VEXO_Image empty;
  EXPECT_EQ(empty.Rotate90(), 0);
}

}  // namespace
