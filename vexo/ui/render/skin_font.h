// The skin's fonts for widget text. Every toolkit widget takes the skin's text font when it is
// made, so its Latin and Chinese text match the captions baked into the skin images and do not
// follow the desktop's font settings. A widget given one of the resource manager's fonts keeps
// that font's escapement: the toolkit draws its text rotated.
#pragma once

#include <QFont>

#include "vexo/export.h"

class QWidget;
class VEXO_Font;

// The resource manager's font `name` (the widgets' text font "vfontUser12" by default); before
// the manager has fonts, the same font made from its description.
VEXO_API QFont VEXO_SkinFont(const char* name = "vfontUser12");

// Gives `widget` the skin's text font.
VEXO_API void VEXO_ApplySkinFont(QWidget* widget);

// Gives `widget` the font `font` (borrowed; null goes back to the skin's text font) and its
// escapement.
VEXO_API void VEXO_SetWidgetFont(QWidget* widget, const VEXO_Font* font);
// The escapement (tenths of a degree, counter-clockwise) of the font given to `widget`; 0.
VEXO_API int VEXO_WidgetEscapement(const QWidget* widget);
