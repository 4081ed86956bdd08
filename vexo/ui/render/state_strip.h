// State strips: a skin image holds a control's looks side by side, each the same width (image
// width / number of states) and the full image height.
#pragma once

#include <QRect>

// Source rectangle of look `index` (0-based) of a strip of `states` looks in a width x height
// image. Integer division as the strips are cut everywhere.
inline QRect VEXO_StripCell(int width, int height, int states, int index) {
  if (states <= 0 || width <= 0 || height <= 0) return QRect();
  const int cell = width / states;
  return QRect(cell * index, 0, cell, height);
}

// Strip position of a button state (1 normal, 2 hot, 3 disabled, 4 pressed): the looks are
// stored as normal, hot, pressed, disabled.
inline int VEXO_ButtonStripIndex(int state) {
  switch (state) {
    case 2: return 1;
    case 4: return 2;
    case 3: return 3;
    default: return 0;
  }
}
