// skin_generator: draws every image of the skin table into the pack source folder.
//   skin_generator --out DIR [--table FILE] [--only NAME]...
// Each table row becomes DIR/<pack name>, and the skin's colours DIR/img/colors.xml. Runs without a display (offscreen platform).
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tools/skin/canvas.h"
#include "tools/skin/image_output.h"
#include "tools/skin/image_spec.h"
#include "tools/skin/painters.h"
#include "tools/skin/skin_colors.h"

#ifndef SKIN_DEFAULT_TABLE
#define SKIN_DEFAULT_TABLE "image_table.tsv"
#endif

namespace {

int Usage() {
  std::fprintf(stderr, "usage: skin_generator --out DIR [--table FILE] [--only NAME]...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string table = SKIN_DEFAULT_TABLE;
  std::string out;
  std::set<std::string> only;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if ((arg == "--out" || arg == "--table" || arg == "--only") && i + 1 < argc) {
      std::string value = argv[++i];
      if (arg == "--out") out = value;
      else if (arg == "--table") table = value;
      else only.insert(value);
    } else {
      return Usage();
    }
  }
  if (out.empty()) return Usage();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);

  std::vector<skin::ImageSpec> specs;
  std::string error;
  if (!skin::CaptionFontUsable(&error)) {
    std::fprintf(stderr, "skin_generator: %s\n", error.c_str());
    return 1;
  }
  if (!skin::LoadImageTable(table, &specs, &error)) {
    std::fprintf(stderr, "skin_generator: %s: %s\n", table.c_str(), error.c_str());
    return 1;
  }
  int written = 0;
  int failed = 0;
  std::set<std::string> seen;
  for (const skin::ImageSpec& spec : specs) {
    if (!only.empty() && !only.count(spec.name)) continue;
    seen.insert(spec.name);
    QImage image;
    if (!skin::PaintImage(spec, &image, &error) ||
        !skin::SaveSkinImage(image, out + "/" + spec.name, &error)) {
      std::fprintf(stderr, "skin_generator: %s: %s\n", spec.name.c_str(), error.c_str());
      ++failed;
      continue;
    }
    ++written;
  }
  // The colour file goes with a complete set of images; --only may name it too.
  if (failed == 0 && (only.empty() || only.count(skin::SkinColorsName()))) {
    seen.insert(skin::SkinColorsName());
    if (skin::WriteSkinColors(out + "/" + skin::SkinColorsName(), &error)) {
      ++written;
    } else {
      std::fprintf(stderr, "skin_generator: %s\n", error.c_str());
      ++failed;
    }
  }
  for (const std::string& name : only) {
    if (!seen.count(name)) {
      std::fprintf(stderr, "skin_generator: %s is not in the table\n", name.c_str());
      ++failed;
    }
  }
  std::printf("skin_generator: %d images written to %s\n", written, out.c_str());
  return failed == 0 ? 0 : 1;
}
