#include "vexo/ui/render/render_image.h"

#include <QImage>
#include <QPainter>

#include "vexo/ui/render/color.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/render/region_builder.h"

VEXO_RenderImage::VEXO_RenderImage() = default;
VEXO_RenderImage::~VEXO_RenderImage() = default;

int VEXO_RenderImage::Init(VEXO_Image* image) {
  image_ = image;
  return 1;
}

void VEXO_RenderImage::DrawCell(QPainter* painter, const QRect& dest, const QRect& source,
                                bool smooth) const {
  if (painter == nullptr || image_ == nullptr || image_->IsNull()) return;
  if (dest.width() <= 0 || dest.height() <= 0 || source.width() <= 0 || source.height() <= 0)
    return;
  const QImage* pixels = &image_->GetQImage();
  const bool keyed = alpha_ == 255 && transparent_ != VEXO_CLR_NONE;
  if (keyed) pixels = &image_->KeyedCopy(transparent_);
  // Smooth scaling only where it cannot bring in key colours or blur a shape's edge.
  const bool use_smooth = smooth && alpha_ == 255 && !keyed && !image_->HasAlpha();

  painter->save();
  painter->setRenderHint(QPainter::SmoothPixmapTransform, use_smooth);
  if (alpha_ < 255) painter->setOpacity(painter->opacity() * alpha_ / 255.0);
  painter->drawImage(QRectF(dest), *pixels, QRectF(source));
  painter->restore();
}

void VEXO_RenderImage::Draw(QPainter* painter, const QRect& rect, const QRect& source) {
  DrawCell(painter, rect, source, false);
}

void VEXO_RenderImage::Draw(QPainter* painter, const QRect& rect) {
  if (image_ == nullptr) return;
  DrawCell(painter, rect, image_->GetQImage().rect(), false);
}

void VEXO_RenderImage::DrawSmooth(QPainter* painter, const QRect& rect, const QRect& source) {
  DrawCell(painter, rect, source, true);
}

void VEXO_RenderImage::DrawSmooth(QPainter* painter, const QRect& rect) {
  if (image_ == nullptr) return;
  DrawCell(painter, rect, image_->GetQImage().rect(), true);
}

QRegion VEXO_RenderImage::CreateRgnBt(const QRect& rect, std::uint32_t colour,
                                      std::uint32_t tolerance, int states) {
  if (image_ == nullptr || image_->IsNull() || rect.width() <= 0 || rect.height() <= 0)
    return QRegion();
  if (states < 1) states = 1;
  QImage canvas(rect.size(), QImage::Format_RGB32);
  canvas.fill(QColor(255, 0, 255));
  {
    QPainter painter(&canvas);
    const QRect first(0, 0, image_->GetWidth() / states, image_->GetHeight());
    image_->Draw(&painter, QRect(QPoint(0, 0), rect.size()), first);
  }
  return vexo_detail::RegionOutsideColour(canvas, colour, tolerance);
}

QRegion VEXO_RenderImage::CreateRgn(const QRect& rect, std::uint32_t colour,
                                    std::uint32_t tolerance) {
  if (image_ == nullptr || image_->IsNull() || rect.width() <= 0 || rect.height() <= 0)
    return QRegion();
  QImage canvas(rect.size(), QImage::Format_RGB32);
  canvas.fill(Qt::black);
  {
    QPainter painter(&canvas);
    image_->Draw(&painter, QRect(QPoint(0, 0), rect.size()));
  }
  return vexo_detail::RegionOutsideColour(canvas, colour, tolerance);
}
