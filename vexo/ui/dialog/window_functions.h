// Free functions for windows: a hit test of the last message's cursor position against a list of
// rectangles, switching the input method off and on for an edit, regions from bitmaps, and
// drawing a bitmap with a transparent colour. They keep no state.
#pragma once

#include <QRect>
#include <QRegion>
#include <cstdint>

#include "vexo/export.h"

class QImage;
class QPaintDevice;
class QPainter;
class QWidget;

// Maps the cursor position of the message being handled (VEXO_GetMessagePos) into `window`'s
// coordinates and returns true for the first of `count` rectangles that holds it, edges
// included: a rectangle covers x..x+width and y..y+height (its right and bottom edges count, as
// the window system's rectangles do). `index` (may be null) receives its position.
VEXO_API bool VEXO_PointIsInRect(const QWidget* window, const QRect* rects, int* index, int count);

// Turns the input method off for `window`, remembering in `context` (1) that it was on.
VEXO_API void VEXO_DisableIME(int& context, QWidget* window);
// Turns it back on when `context` says it was on, and clears `context`.
VEXO_API void VEXO_EnableIME(int& context, QWidget* window);

// Region of the pixels of `bitmap` whose red, green and blue are not all inside
// [colour byte, colour byte + tolerance byte]; empty for a null bitmap. 0x00BBGGRR values.
VEXO_API QRegion VEXO_Bmp2Rgn(const QImage* bitmap, std::uint32_t colour, std::uint32_t tolerance);
// The same with an exact colour, pixel by pixel (slow); `dc` is not needed and may be null.
VEXO_API QRegion Test_Bmp2Rgn(QPainter* dc, const QImage* bitmap, std::uint32_t colour);

// Draws the area (sx, sy, sw, sh) of `source` stretched onto (x, y, w, h), leaving the
// destination unchanged where the source has exactly `colour`. Always true.
VEXO_API bool VEXO_StretchBlt(QPainter* dest, int x, int y, int w, int h, QPaintDevice* source,
                              int sx, int sy, int sw, int sh, std::uint32_t colour);
VEXO_API bool VEXO_StretchImage(QPainter* dest, int x, int y, int w, int h, const QImage* bitmap,
                                int sx, int sy, int sw, int sh, std::uint32_t colour);
