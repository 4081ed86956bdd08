#include "tools/skin/skin_colors.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>
#include <vector>

#include "tools/skin/palette.h"

namespace skin {

namespace {

std::vector<std::pair<const char*, QColor>> Colours() {
  using namespace palette;
  return {
      {"ListBk", Panel()},             // below the last row
      {"ListNormalBk", Panel()},       // even rows
      {"ListAltBk", Body()},           // odd rows
      {"ListHoverBk", AccentPaleHot()},  // the row under the mouse
      {"ListSelectedBk", Accent()},    // the selected row
      {"ListText", Text()},
      {"ListSelectedText", TextOnAccent()},
      {"ListGrid", Separator()},       // line under each row
      {"MenuBk", Panel()},
      {"MenuText", Text()},
      {"MenuBorder", BorderStrong()},
      {"MenuHighlight", Accent()},
      {"MenuHighlightText", TextOnAccent()},
      {"MenuDisabledText", DisabledText()},
  };
}

}  // namespace

std::string SkinColorsXml() {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<!-- Colours of the skin that widgets paint without an image. Drawn by skin_generator. -->\n"
      "<colors>\n";
  for (const auto& [name, colour] : Colours()) {
    xml += "  <color name=\"" + std::string(name) + "\" value=\"" +
           colour.name(QColor::HexRgb).toUpper().toStdString() + "\"/>\n";
  }
  xml += "</colors>\n";
  return xml;
}

bool WriteSkinColors(const std::string& path, std::string* error) {
  const QString file = QString::fromStdString(path);
  QFile out(file);
  if (!QDir().mkpath(QFileInfo(file).absolutePath()) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    *error = "cannot write " + path;
    return false;
  }
  const std::string xml = SkinColorsXml();
  if (out.write(xml.data(), static_cast<qint64>(xml.size())) != static_cast<qint64>(xml.size())) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace skin
