// The colours widgets paint without an image (list rows, menus, the combo box's drop-down list),
// taken from the skin's palette and written into the pack beside the images, so that they belong
// to the same skin.
#pragma once

#include <string>

namespace skin {

// Pack name of the colour file.
inline const char* SkinColorsName() { return "img/colors.xml"; }

// The colour file's text: one <color name="..." value="#RRGGBB"/> per colour.
std::string SkinColorsXml();

// Writes SkinColorsXml() to `path`, creating its folder. False with a message on failure.
bool WriteSkinColors(const std::string& path, std::string* error);

}  // namespace skin
