// Colours of the skin that widgets paint without an image: list rows, menus, the combo box's
// drop-down list. The skin keeps them in the pack ("img/colors.xml", written by the skin
// generator from its palette); the resource manager registers them under these names at Init,
// and widgets fall back to their own defaults for any the skin leaves out.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "vexo/export.h"

namespace vexo_color {
constexpr const char* kFile = "img/colors.xml";
constexpr const char* kListBk = "ListBk";                  // below the last row
constexpr const char* kListNormalBk = "ListNormalBk";      // even rows
constexpr const char* kListAltBk = "ListAltBk";            // odd rows
constexpr const char* kListHoverBk = "ListHoverBk";        // the row under the mouse
constexpr const char* kListSelectedBk = "ListSelectedBk";  // the selected row
constexpr const char* kListText = "ListText";
constexpr const char* kListSelectedText = "ListSelectedText";
constexpr const char* kListGrid = "ListGrid";              // a line under each row
constexpr const char* kMenuBk = "MenuBk";
constexpr const char* kMenuText = "MenuText";
constexpr const char* kMenuBorder = "MenuBorder";
constexpr const char* kMenuHighlight = "MenuHighlight";
constexpr const char* kMenuHighlightText = "MenuHighlightText";
constexpr const char* kMenuDisabledText = "MenuDisabledText";
}  // namespace vexo_color

// Reads the colour file: <color name="..." value="#RRGGBB"/> children of the root. Entries without
// a name or with a malformed value are skipped. The number of colours read; 0 for text that is
// not XML.
VEXO_API int VEXO_ParseSkinColors(const std::string& xml, std::map<std::string, std::uint32_t>* colours);

// The skin colour `name` (0x00BBGGRR) from the resource manager, or `fallback` when the skin does
// not define it.
VEXO_API std::uint32_t VEXO_SkinColor(const char* name, std::uint32_t fallback);
