// The widget gallery: every widget of the skinned toolkit, in each of its states, laid out on the main
// window's background and drawn with the real skin images into one picture.
#pragma once

#include <QImage>
#include <QRect>

#include <string>
#include <vector>

namespace skin_gallery {

// One labelled widget (or state of a widget) in the picture.
struct Tile {
  std::string name;  // e.g. "VEXO_Button/hot"
  QRect rect;        // where it lies in the picture
};

struct Result {
  QImage image;
  std::vector<Tile> tiles;
  std::vector<std::string> missing;  // skin images that could not be loaded
};

// Renders the gallery with the skin images found as loose files under `skin_dir` (the pack source
// folder, data/pack). Needs a QApplication. False with a message when the picture cannot be made or a
// skin image is missing.
bool Render(const std::string& skin_dir, Result* result, std::string* error);

// The tile named `name`, or an empty rectangle.
QRect FindTile(const Result& result, const std::string& name);

}  // namespace skin_gallery
