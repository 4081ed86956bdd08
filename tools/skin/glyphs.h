// Small vector pictures drawn into buttons and icons: arrows, window buttons and the tool bar symbols.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QString>

namespace skin {

// Draws the glyph `name` centred in `box` with `colour`. Returns false for an unknown name.
bool DrawGlyph(QPainter* painter, const QString& name, const QRectF& box, const QColor& colour);

// True when `name` is a glyph DrawGlyph knows.
bool IsGlyph(const QString& name);

}  // namespace skin
