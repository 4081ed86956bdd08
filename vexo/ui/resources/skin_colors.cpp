#include "vexo/ui/resources/skin_colors.h"

#include <tinyxml2.h>

#include <cstring>

#include "vexo/ui/resources/resource_mgr.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "#RRGGBB" as 0x00BBGGRR.
bool ParseValue(const char* text, std::uint32_t* colour) {
  if (text == nullptr || text[0] != '#' || std::strlen(text) != 7) return false;
  std::uint32_t rgb = 0;
  for (int i = 1; i < 7; ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0) return false;
    rgb = rgb << 4 | static_cast<std::uint32_t>(digit);
  }
  *colour = (rgb >> 16 & 0xFFu) | (rgb & 0xFF00u) | (rgb & 0xFFu) << 16;
  return true;
}

}  // namespace

int VEXO_ParseSkinColors(const std::string& xml, std::map<std::string, std::uint32_t>* colours) {
  tinyxml2::XMLDocument document;
  if (document.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS || !document.RootElement()) return 0;
  int count = 0;
  for (const tinyxml2::XMLElement* element = document.RootElement()->FirstChildElement("color"); element;
       element = element->NextSiblingElement("color")) {
    const char* name = element->Attribute("name");
    std::uint32_t colour = 0;
    if (name == nullptr || *name == '\0' || !ParseValue(element->Attribute("value"), &colour)) continue;
    (*colours)[name] = colour;
    ++count;
  }
  return count;
}

std::uint32_t VEXO_SkinColor(const char* name, std::uint32_t fallback) {
  std::uint32_t colour = 0;
  return VEXO_ResourceMgr::Instance()->FindColor(name, &colour) ? colour : fallback;
}
