// The gallery's band of the less common widgets: radio buttons, the tab control, the tree, the
// owner-drawn menu, the general button, painted and scrolling labels, split bars and splitter
// windows, file icons, the rich text box and the tabbed page view, each in its states.
#pragma once

#include <QImage>
#include <string>

class QWidget;
class VEXO_Image;
class VEXO_Label;

namespace skin_gallery {

// What the band needs of the gallery's builder.
class TileSink {
 public:
  virtual ~TileSink() = default;
  virtual VEXO_Image* Image(const char* name) = 0;
  virtual void Tile(const std::string& name, QWidget* widget) = 0;
  virtual VEXO_Label* Heading(QWidget* parent, const char* text, int x, int y, int width = 300) = 0;
};

// Height of the band.
constexpr int kFamilyBandHeight = 340;

// Lays the band out on `root` from `y` down.
void BuildFamily(TileSink& b, QWidget* root, int y);

// Draws the owner-drawn menu (its second item highlighted) into `picture` at `at`; the rectangle
// it took.
QRect DrawFamilyMenu(QImage* picture, const QPoint& at);

}  // namespace skin_gallery
