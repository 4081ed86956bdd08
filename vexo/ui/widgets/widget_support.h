// Small rules the less common controls share: the skin font their text is drawn in, and whether
// their window takes input at all (a window disabled with EnableWindow shows no hover).
#pragma once

#include <QFont>

#include "vexo/export.h"

class QWidget;

// The skin font `name` from the resource manager ("vfontUser12" is the controls' text font), or
// the application font when the manager has none (no pack, no GUI thread).
VEXO_API QFont VEXO_SkinFont(const char* name = "vfontUser12");

// True when the skinned window holding `widget` has its input blocked (EnableWindow(false)).
VEXO_API bool VEXO_IsInputBlocked(const QWidget* widget);
