// GIF output for the pack images the windows name with a .gif extension (Qt reads GIF but does not write
// it). Colours are reduced to one 256-entry table by median cut; transparent pixels get their own entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class QImage;

namespace skin {

struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> palette;  // 0xRRGGBB, at most 256 entries
  std::vector<uint8_t> pixels;    // one index per pixel, rows top to bottom
  int transparent = -1;           // index of the transparent entry, or -1
};

// Reduces `image` to at most 256 colours. Pixels with alpha below 128 map to one transparent entry whose
// colour is magenta, so a colour-key draw and an alpha draw leave out the same pixels. Images with at most
// 256 distinct colours keep them exactly.
IndexedImage Quantize(const QImage& image);

// GIF89a bytes of the indexed image (LZW-coded, one frame, transparency extension when needed).
std::string EncodeGif(const IndexedImage& image);

// Quantize + encode + write the file (mode "wbe"); false with a message on failure.
bool WriteGif(const QImage& image, const std::string& path, std::string* error);

}  // namespace skin
