// Painters by image kind. Each draws one table row into a canvas of the row's size.
#pragma once

#include <QImage>

#include <functional>
#include <string>

#include "tools/skin/image_spec.h"

class QPainter;

namespace skin {

// Draws `spec` into a new image of its size. False with a message for an unknown kind or bad options.
bool PaintImage(const ImageSpec& spec, QImage* out, std::string* error);

// Painters of the three groups (registered in painters.cpp).
bool PaintControl(const ImageSpec& spec, QImage* image, std::string* error);   // strips: buttons, boxes, edits
bool PaintSurface(const ImageSpec& spec, QImage* image, std::string* error);   // backgrounds, rows, frames
bool PaintPicture(const ImageSpec& spec, QImage* image, std::string* error);   // faces, icons, adverts
bool PaintWidgetStrip(const ImageSpec& spec, QImage* image, std::string* error);  // radio, tab control, tree

// One kind's painter: draws `spec` with `painter`; false with a message for bad options.
using KindPainter = std::function<bool(const ImageSpec&, QPainter*, std::string*)>;
// Runs `paint` over `image` with the generator's painter settings.
bool RunKindPainter(const KindPainter& paint, const ImageSpec& spec, QImage* image, std::string* error);

// The face pictures, also drawn small into the avatar buttons: a head with shoulders, and the hair drawn
// over it, both in an 88 x 100 box scaled to `box`.
void DrawFace(QPainter* painter, const QRectF& box, bool female);
void DrawHair(QPainter* painter, const QRectF& box, bool female);

}  // namespace skin
