// The row rules the software pages share: 43-pixel rows that fill the page, their background
// looks, and the scroll range over them. Plain logic, no windows.
#pragma once

#include <algorithm>

namespace page_rows {

constexpr int kRowHeight = 43;
constexpr int kLineStep = 10;     // a scroll-bar arrow
constexpr int kWheelStep = 129;   // one wheel notch
constexpr int kFirstRowId = 200;  // control id of row 0

// Row windows on a page: as many as fill `height` at any scroll offset. Rows are bound to the
// records from the scroll position on, so a long list needs no window per record (a thousand
// row windows would make every layout slow).
inline int RowsToFill(int height) { return (std::max(height, 0) + kRowHeight - 1) / kRowHeight + 1; }

// The background "img/wnd%d.png" of row `index` of `rows`: 0 first, 2 last, 1 between, 3 while
// the mouse is over it (or it is selected).
inline int RowBackground(int index, int rows, bool hot) {
  if (hot) return 3;
  if (index == 0) return 0;
  return index == rows - 1 ? 2 : 1;
}

// How far the list scrolls: listed rows below the page height; 0 when they fit.
inline int ScrollRange(int listed, int height) { return std::max(0, listed * kRowHeight - height); }

inline int ClampScroll(int pos, int listed, int height) {
  return std::clamp(pos, 0, ScrollRange(listed, height));
}

}  // namespace page_rows
