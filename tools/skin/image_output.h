// Writes a drawn image to its pack file: PNG with straight alpha, or GIF with magenta as the transparent
// entry. Folders are created as needed.
#pragma once

#include <QImage>

#include <string>

namespace skin {

bool SaveSkinImage(const QImage& image, const std::string& path, std::string* error);

}  // namespace skin
