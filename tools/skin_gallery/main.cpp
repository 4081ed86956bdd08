// skin_gallery: draws every widget of the skinned toolkit in its states into one PNG.
//   skin_gallery [--skin DIR] [--out FILE]
// DIR is the pack source folder (default: data/pack of this source tree), FILE defaults to gallery.png.
#include <QApplication>

#include <cstdio>
#include <string>

#include "tools/skin_gallery/gallery.h"

#ifndef SKIN_GALLERY_DEFAULT_SKIN
#define SKIN_GALLERY_DEFAULT_SKIN "data/pack"
#endif

int main(int argc, char** argv) {
  std::string skin = SKIN_GALLERY_DEFAULT_SKIN;
  std::string out = "gallery.png";
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if ((arg == "--skin" || arg == "--out") && i + 1 < argc) {
      (arg == "--skin" ? skin : out) = argv[++i];
    } else {
      std::fprintf(stderr, "usage: skin_gallery [--skin DIR] [--out FILE]\n");
      return 2;
    }
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  skin_gallery::Result result;
  std::string error;
  if (!skin_gallery::Render(skin, &result, &error)) {
    std::fprintf(stderr, "skin_gallery: %s\n", error.c_str());
    return 1;
  }
  if (!result.image.save(QString::fromStdString(out), "PNG")) {
    std::fprintf(stderr, "skin_gallery: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("skin_gallery: %zu tiles written to %s\n", result.tiles.size(), out.c_str());
  return 0;
}
