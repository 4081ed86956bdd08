// Text drawing with the classic DrawText format flags: alignment, single line, word break, end
// and path ellipsis, and '&' mnemonics (shown underlined unless DT_NOPREFIX; "&&" is a literal
// '&'). Text is clipped to the rectangle and drawn without background, in the painter's current
// font and pen.
#pragma once

#include <QFontMetrics>
#include <QRect>
#include <QString>

#include "vexo/export.h"

class QPainter;

namespace vexo_dt {
constexpr unsigned DT_TOP = 0x0000;
constexpr unsigned DT_LEFT = 0x0000;
constexpr unsigned DT_CENTER = 0x0001;
constexpr unsigned DT_RIGHT = 0x0002;
constexpr unsigned DT_VCENTER = 0x0004;
constexpr unsigned DT_BOTTOM = 0x0008;
constexpr unsigned DT_WORDBREAK = 0x0010;
constexpr unsigned DT_SINGLELINE = 0x0020;
constexpr unsigned DT_NOPREFIX = 0x0800;
constexpr unsigned DT_PATH_ELLIPSIS = 0x4000;
constexpr unsigned DT_END_ELLIPSIS = 0x8000;
// Centred on one line both ways.
constexpr unsigned kCentredLine = DT_CENTER | DT_VCENTER | DT_SINGLELINE;  // 37
}  // namespace vexo_dt

// Draws `text` (UTF-8 in a QString) into `rect` with the DrawText `format` flags. A font
// escapement (tenths of a degree, counter-clockwise) turns the text about the rectangle's centre;
// at 900 and 2700 it is laid out along the rectangle's height (900 reads upwards, 2700 downwards).
VEXO_API void VEXO_DrawText(QPainter* painter, const QString& text, const QRect& rect,
                            unsigned format, int escapement = 0);

// The text as laid out on one line for `width` pixels with the ellipsis flags of `format`
// (end ellipsis cuts at the end, path ellipsis keeps the last path part); mnemonics removed
// unless DT_NOPREFIX is set.
VEXO_API QString VEXO_ElideText(const QFontMetrics& metrics, const QString& text, int width,
                                unsigned format);
