// Builds a skinned dialog and its widgets from a layout XML file named relative to the work
// directory (names start with a separator). The root element's "rect" ("x,y,width,height" in
// dialog units, 2 pixels each) places the dialog, "image" names its background in the pack and
// "x1", "x2", "y1", "y2" its nine-grid cuts. Each child element is one widget: "type" is
// "edit", "button", "checkbox", "combobox" or "label" (exactly), "id" its control id, "rect"
// its place in pixels of the client area, "caption", "image", "fixsize", "limit", "bg" and
// "button" as the type needs. A row whose id is already registered, or whose type is unknown,
// creates nothing.
#pragma once

#include <QRect>
#include <string>

#include "vexo/export.h"

namespace ds {
class IDataTable;
}
class VEXO_Dialog;

// The in-memory dialog template the root element becomes.
struct VEXO_DialogTemplate {
  unsigned style = 0;
  unsigned ex_style = 0;
  int controls = 0;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
};

class VEXO_API VEXO_DialogLoader {
 public:
  static constexpr unsigned kTemplateStyle = 0x80C80080u;
  static constexpr int kPixelsPerUnit = 2;

  // Reads the root element, fills the template, places the dialog (a modeless one is also
  // shown) and gives it its background. 1 on success.
  int Load(const char* name, VEXO_Dialog* dialog, int modal);
  // Creates one widget per row of the file. 1 when the file loaded.
  int LoadWidget(const char* name, VEXO_Dialog* dialog);

  int LoadButton(ds::IDataTable* table, VEXO_Dialog* dialog);
  int LoadCheckbox(ds::IDataTable* table, VEXO_Dialog* dialog);
  int LoadCombobox(ds::IDataTable* table, VEXO_Dialog* dialog);
  int LoadEdit(ds::IDataTable* table, VEXO_Dialog* dialog);
  int LoadLabel(ds::IDataTable* table, VEXO_Dialog* dialog);

  const VEXO_DialogTemplate& GetTemplate() const { return template_; }

  // "x,y,width,height" as a rectangle; false (and an empty rectangle) unless it begins with
  // four integers. Text after them is ignored.
  static bool ParseRect(const char* text, QRect* rect);

 private:
  VEXO_DialogTemplate template_;
};
