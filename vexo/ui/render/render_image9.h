// Nine-grid drawing: the image is cut at columns x1, x2 and rows y1, y2 (source pixels from its
// left / top edge); the four corners keep their size, the top and bottom edges stretch
// horizontally, the left and right edges vertically and the centre both ways. Each cell is drawn
// with the drawing rule of VEXO_RenderImage.
#pragma once

#include "vexo/ui/render/render_image.h"

class VEXO_API VEXO_RenderImage9 : public VEXO_RenderImage {
 public:
  // Sets the image and the cuts, in this argument order. 1.
  int Init(VEXO_Image* image, int x1, int x2, int y1, int y2);
  using VEXO_RenderImage::Init;

  int GetX1() const { return x1_; }
  int GetX2() const { return x2_; }
  int GetY1() const { return y1_; }
  int GetY2() const { return y2_; }

  // Only the corners are shaped; the other cells are full rectangles.
  QRegion CreateRgn(const QRect& rect, std::uint32_t colour, std::uint32_t tolerance) override;
  // The grid over the whole image.
  void Draw(QPainter* painter, const QRect& rect) override;
  // The grid laid over the sub-rectangle `source` (one state of a strip).
  void Draw(QPainter* painter, const QRect& rect, const QRect& source) override;

 private:
  int x1_ = 0;
  int x2_ = 0;
  int y1_ = 0;
  int y2_ = 0;
};
