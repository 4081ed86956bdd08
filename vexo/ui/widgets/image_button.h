// Image buttons from a table: each is created in a dialog at its rectangle with its control id,
// takes the pack's image of that name (its four looks side by side) and is registered with the
// dialog, as every skinned dialog's tool and command buttons are.
#pragma once

#include <QRect>
#include <initializer_list>

#include "vexo/export.h"

class VEXO_Button;
class VEXO_Dialog;

struct VEXO_ImageButtonSpec {
  unsigned id;
  const char* image;
  QRect rect;
};

VEXO_API VEXO_Button* VEXO_AddImageButton(VEXO_Dialog* dialog, const VEXO_ImageButtonSpec& spec);
VEXO_API void VEXO_AddImageButtons(VEXO_Dialog* dialog, std::initializer_list<VEXO_ImageButtonSpec> specs);
