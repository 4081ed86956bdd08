// Drawing images: the nine-grid layout, identity draws, strips, colour keys and opacity, with
// the pixels read back from an offscreen image.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "vexo/ui/render/color.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/render/render_image.h"
#include "vexo/ui/render/render_image9.h"

namespace {

void EnsureApp() {
  static int argc = 1;
  static char name[] = "ui_image_render_test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

// Uniform colour per nine-grid cell, so each destination cell shows exactly one colour.
QRgb CellColour(int col, int row, int state = 0) {
  return qRgb(20 + col * 90, 20 + row * 90, 40 + state * 150);
}

int Cell(int v, int c1, int c2) { return v < c1 ? 0 : (v < c2 ? 1 : 2); }

QImage GridImage(int w, int h, int x1, int x2, int y1, int y2, int states = 1) {
  QImage image(w * states, h, QImage::Format_ARGB32);
  for (int s = 0; s < states; ++s)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        image.setPixel(s * w + x, y, CellColour(Cell(x, x1, x2), Cell(y, y1, y2), s));
  return image;
}

QImage Canvas(int w, int h, QRgb fill = qRgb(255, 255, 255)) {
  QImage canvas(w, h, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(fill);
  return canvas;
}

class RenderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApp(); }
};

TEST_F(RenderTest, NineGridStretchesEdgesAndCentreOnly) {
  VEXO_Image image;
  ASSERT_EQ(image.Attach(GridImage(100, 60, 10, 90, 20, 40)), 1);
  VEXO_RenderImage9 render;
  render.Init(&image, 10, 90, 20, 40);
  QImage canvas = Canvas(300, 60);
  {
    QPainter painter(&canvas);
    render.Draw(&painter, QRect(0, 0, 300, 60));
  }
  // Columns 0-10, 10-290, 290-300; rows 0-20, 20-40, 40-60.
  const int xs[] = {0, 9, 10, 150, 289, 290, 299};
  const int ys[] = {0, 19, 20, 39, 40, 59};
  for (int x : xs) {
    for (int y : ys) {
      EXPECT_EQ(canvas.pixel(x, y), CellColour(Cell(x, 10, 290), Cell(y, 20, 40)))
          << "at " << x << "," << y;
    }
  }
}

TEST_F(RenderTest, NineGridAtImageSizeReproducesTheImage) {
  QImage source(100, 60, QImage::Format_ARGB32);
  std::srand(7);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 100; ++x) source.setPixel(x, y, qRgb(std::rand() & 255, std::rand() & 255, std::rand() & 255));
  VEXO_Image image;
  ASSERT_EQ(image.Attach(source), 1);
  VEXO_RenderImage9 grid;
  grid.Init(&image, 10, 90, 20, 40);
  VEXO_RenderImage plain;
  plain.Init(&image);
  QImage a = Canvas(120, 70);
  QImage b = Canvas(120, 70);
  {
    QPainter pa(&a);
    grid.Draw(&pa, QRect(5, 3, 100, 60));
    QPainter pb(&b);
    plain.Draw(&pb, QRect(5, 3, 100, 60));
  }
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 100; ++x) {
      ASSERT_EQ(a.pixel(x + 5, y + 3), source.pixel(x, y)) << x << "," << y;
      ASSERT_EQ(b.pixel(x + 5, y + 3), source.pixel(x, y)) << x << "," << y;
    }
  // Nothing outside the destination.
  EXPECT_EQ(a.pixel(4, 3), qRgb(255, 255, 255));
  EXPECT_EQ(a.pixel(105, 62), qRgb(255, 255, 255));
}

TEST_F(RenderTest, NineGridOverOneStateOfAStrip) {
  VEXO_Image image;
  ASSERT_EQ(image.Attach(GridImage(30, 30, 10, 20, 10, 20, 3)), 1);
  VEXO_RenderImage9 render;
  render.Init(&image, 10, 20, 10, 20);
  QImage canvas = Canvas(80, 50);
  {
    QPainter painter(&canvas);
    render.Draw(&painter, QRect(0, 0, 80, 50), QRect(30, 0, 30, 30));  // the second state
  }
  EXPECT_EQ(canvas.pixel(0, 0), CellColour(0, 0, 1));
  EXPECT_EQ(canvas.pixel(79, 0), CellColour(2, 0, 1));
  EXPECT_EQ(canvas.pixel(40, 25), CellColour(1, 1, 1));
  EXPECT_EQ(canvas.pixel(70, 40), CellColour(2, 2, 1));
  EXPECT_EQ(canvas.pixel(69, 40), CellColour(1, 2, 1));
}

TEST_F(RenderTest, DestinationSmallerThanCornersDrawsNoNegativeCells) {
  VEXO_Image image;
  ASSERT_EQ(image.Attach(GridImage(30, 30, 10, 20, 10, 20)), 1);
  VEXO_RenderImage9 render;
  render.Init(&image, 10, 20, 10, 20);
  QImage canvas = Canvas(40, 40);
  {
    QPainter painter(&canvas);
    render.Draw(&painter, QRect(10, 10, 15, 15));
  }
  // Corners still land at their own size; nothing is painted left of or above the rectangle.
  EXPECT_EQ(canvas.pixel(9, 9), qRgb(255, 255, 255));
  EXPECT_EQ(canvas.pixel(10, 10), CellColour(0, 0));
  EXPECT_EQ(canvas.pixel(24, 24), CellColour(2, 2));
}

TEST_F(RenderTest, ColourKeyLeavesKeyPixelsOut) {
  QImage source(4, 2, QImage::Format_RGB32);
  source.fill(qRgb(0, 200, 0));
  source.setPixel(0, 0, qRgb(255, 0, 255));
  source.setPixel(1, 0, qRgb(255, 0, 254));  // near the key: drawn
  VEXO_Image image;
  ASSERT_EQ(image.Attach(source), 1);
  VEXO_RenderImage render;
  render.Init(&image);
  render.SetTransparentColor(VEXO_RGB(255, 0, 255));
  QImage canvas = Canvas(8, 4, qRgb(10, 20, 30));
  {
    QPainter painter(&canvas);
    render.Draw(&painter, QRect(0, 0, 8, 4));  // doubled
  }
  EXPECT_EQ(canvas.pixel(0, 0), qRgb(10, 20, 30));
  EXPECT_EQ(canvas.pixel(1, 1), qRgb(10, 20, 30));
  EXPECT_EQ(canvas.pixel(2, 0), qRgb(255, 0, 254));
  EXPECT_EQ(canvas.pixel(7, 3), qRgb(0, 200, 0));

  // Smooth drawing of a keyed image must not blend the key colour into its neighbours.
  QImage smooth = Canvas(40, 20, qRgb(10, 20, 30));
  {
    QPainter painter(&smooth);
    render.DrawSmooth(&painter, QRect(0, 0, 40, 20));
  }
  EXPECT_EQ(smooth.pixel(9, 4), qRgb(10, 20, 30));
  EXPECT_EQ(smooth.pixel(10, 4), qRgb(255, 0, 254));
}

TEST_F(RenderTest, ConstantOpacityAndPerPixelAlpha) {
  QImage red(10, 10, QImage::Format_RGB32);
  red.fill(qRgb(255, 0, 0));
  VEXO_Image image;
  ASSERT_EQ(image.Attach(red), 1);
  VEXO_RenderImage render;
  render.Init(&image);
  render.SetAlpha(128);
  QImage canvas = Canvas(10, 10, qRgb(0, 0, 255));
  {
    QPainter painter(&canvas);
    render.Draw(&painter, QRect(0, 0, 10, 10));
  }
  const QRgb p = canvas.pixel(5, 5);
  EXPECT_NEAR(qRed(p), 128, 2);
  EXPECT_NEAR(qBlue(p), 127, 2);
  EXPECT_EQ(qGreen(p), 0);

  // Opacity 255: the image's own alpha decides; a transparent pixel leaves the background.
  QImage holes(2, 1, QImage::Format_ARGB32);
  holes.setPixel(0, 0, qRgba(0, 0, 0, 0));
  holes.setPixel(1, 0, qRgba(255, 255, 0, 255));
  VEXO_Image alpha_image;
  ASSERT_EQ(alpha_image.Attach(holes), 1);
  EXPECT_TRUE(alpha_image.HasAlpha());
  VEXO_RenderImage own;
  own.Init(&alpha_image);
  QImage back = Canvas(2, 1, qRgb(0, 0, 255));
  {
    QPainter painter(&back);
    own.Draw(&painter, QRect(0, 0, 2, 1));
  }
  EXPECT_EQ(back.pixel(0, 0), qRgb(0, 0, 255));
  EXPECT_EQ(back.pixel(1, 0), qRgb(255, 255, 0));
}

TEST_F(RenderTest, NullImageDrawsNothing) {
  VEXO_RenderImage render;
  VEXO_RenderImage9 grid;
  grid.Init(nullptr, 1, 2, 1, 2);
  QImage canvas = Canvas(5, 5);
  QPainter painter(&canvas);
  render.Draw(&painter, QRect(0, 0, 5, 5));
  grid.Draw(&painter, QRect(0, 0, 5, 5));
  render.DrawSmooth(&painter, QRect(0, 0, 5, 5));
  painter.end();
  EXPECT_EQ(canvas.pixel(2, 2), qRgb(255, 255, 255));
  EXPECT_TRUE(render.CreateRgn(QRect(0, 0, 5, 5), 0, 0).isEmpty());
}

}  // namespace
