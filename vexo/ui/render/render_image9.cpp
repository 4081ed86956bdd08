#include "vexo/ui/render/render_image9.h"

#include <QImage>
#include <QPainter>

#include "vexo/ui/render/image.h"
#include "vexo/ui/render/region_builder.h"

namespace {

// The three spans [a0, a1), [a1, a2), [a2, a3) of one axis.
struct Spans {
  int edge[4];
  int Start(int i) const { return edge[i]; }
  int Size(int i) const { return edge[i + 1] - edge[i]; }
};

// Source spans of a grid laid over [start, end) with cuts c1, c2 from `start`.
Spans SourceSpans(int start, int end, int c1, int c2) {
  return Spans{{start, start + c1, start + c2, end}};
}

// Destination spans: the first and last keep their source size, the middle takes the rest.
Spans DestSpans(int start, int end, const Spans& source) {
  return Spans{{start, start + source.Size(0), end - source.Size(2), end}};
}

}  // namespace

int VEXO_RenderImage9::Init(VEXO_Image* image, int x1, int x2, int y1, int y2) {
  image_ = image;
  x1_ = x1;
  x2_ = x2;
  y1_ = y1;
  y2_ = y2;
  return 1;
}

void VEXO_RenderImage9::Draw(QPainter* painter, const QRect& rect) {
  if (image_ == nullptr) return;
  Draw(painter, rect, image_->GetQImage().rect());
}

void VEXO_RenderImage9::Draw(QPainter* painter, const QRect& rect, const QRect& source) {
  if (painter == nullptr || image_ == nullptr || image_->IsNull()) return;
  const Spans sx = SourceSpans(source.x(), source.x() + source.width(), x1_, x2_);
  const Spans sy = SourceSpans(source.y(), source.y() + source.height(), y1_, y2_);
  const Spans dx = DestSpans(rect.x(), rect.x() + rect.width(), sx);
  const Spans dy = DestSpans(rect.y(), rect.y() + rect.height(), sy);
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      DrawCell(painter, QRect(dx.Start(col), dy.Start(row), dx.Size(col), dy.Size(row)),
               QRect(sx.Start(col), sy.Start(row), sx.Size(col), sy.Size(row)), false);
    }
  }
}

QRegion VEXO_RenderImage9::CreateRgn(const QRect& rect, std::uint32_t colour,
                                     std::uint32_t tolerance) {
  if (image_ == nullptr || image_->IsNull()) return QRegion();
  const QImage& pixels = image_->GetQImage();
  const Spans sx = SourceSpans(0, pixels.width(), x1_, x2_);
  const Spans sy = SourceSpans(0, pixels.height(), y1_, y2_);
  const Spans dx = DestSpans(0, rect.width(), sx);
  const Spans dy = DestSpans(0, rect.height(), sy);

  QRegion result;
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      const QRect dest(dx.Start(col), dy.Start(row), dx.Size(col), dy.Size(row));
      if (dest.width() <= 0 || dest.height() <= 0) continue;
      if (row == 1 || col == 1) {  // edges and centre: plain rectangles
        result = result.united(dest);
        continue;
      }
      const QRect source(sx.Start(col), sy.Start(row), sx.Size(col), sy.Size(row));
      if (source.width() <= 0 || source.height() <= 0) continue;
      QImage corner(source.size(), QImage::Format_RGB32);
      corner.fill(Qt::black);
      {
        QPainter painter(&corner);
        image_->Draw(&painter, QRect(QPoint(0, 0), source.size()), source);
      }
      result = result.united(
          vexo_detail::RegionOutsideColour(corner, colour, tolerance).translated(dest.topLeft()));
    }
  }
  return result;
}
