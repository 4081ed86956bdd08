#include "tools/skin_gallery/pictures.h"

#include <QPainter>

#include "vexo/ui/render/image.h"
#include "vexo/ui/render/render_image.h"

namespace skin_gallery {

KeyedPicture::KeyedPicture(const std::vector<VEXO_Image*>& images, QWidget* parent)
    : QWidget(parent), images_(images) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void KeyedPicture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (VEXO_Image* image : images_) {
    if (!image) continue;
    VEXO_RenderImage renderer;
    renderer.Init(image);
    renderer.SetTransparentColor(0xFF00FF);
    renderer.Draw(&painter, QRect(0, 0, image->GetWidth(), image->GetHeight()));
  }
}

ProgressPicture::ProgressPicture(VEXO_Image* frame, VEXO_Image* fill, double fraction, QWidget* parent)
    : QWidget(parent), frame_(frame), fill_(fill), fraction_(fraction) {}

void ProgressPicture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (frame_) {
    VEXO_RenderImage renderer;
    renderer.Init(frame_);
    renderer.Draw(&painter, QRect(0, 0, frame_->GetWidth(), frame_->GetHeight()));
  }
  if (fill_) {
    const int width = static_cast<int>(fill_->GetWidth() * qBound(0.0, fraction_, 1.0));
    VEXO_RenderImage renderer;
    renderer.Init(fill_);
    renderer.Draw(&painter, QRect(2, 2, width, fill_->GetHeight()), QRect(0, 0, width, fill_->GetHeight()));
  }
}

}  // namespace skin_gallery
