// Drawing helpers shared by the painters: fonts, captions, filled shapes and state looks.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <string>

namespace skin {

// Captions come from one CJK font file (SKIN_CAPTION_FONT), drawn as unhinted outlines so that the
// pictures do not depend on the machine's font set-up. False with a message when it cannot be loaded.
bool CaptionFontUsable(std::string* error);

// A transparent ARGB canvas of the given size.
QImage NewCanvas(int width, int height);

// Starts painting with antialiasing for shapes and text.
void BeginPaint(QPainter* painter, QImage* image);

// Caption on one line, or several lines separated by '\n', aligned in `box`; bold is drawn by
// stroking the outline, the underline one pixel high two pixels below the baseline.
void DrawCaption(QPainter* painter, const QRectF& box, const QString& text, const QColor& colour,
                 int pixel_size, bool bold = false, int flags = Qt::AlignCenter, bool underline = false);

// Width in pixels of the caption in the caption font.
qreal CaptionWidth(const QString& text, int pixel_size, bool bold = false);

// Rounded rectangle on a pixel grid: a 1-pixel border sits on whole pixels.
QPainterPath RoundedBox(const QRectF& box, qreal radius);

// Fills `box` with a vertical gradient and strokes a 1-pixel border (no border when invalid).
void FillBox(QPainter* painter, const QRectF& box, qreal radius, const QColor& top, const QColor& bottom,
             const QColor& border);

// Colours of one state cell of a button.
struct StateLook {
  QColor top;
  QColor bottom;
  QColor border;
  QColor text;
  bool filled = true;  // false: no background (links, flat buttons)
  bool underline = false;
};

// Button looks by role ("primary", "success", "warning", "danger", "normal", "light", "link", "flat") and
// state index (0 normal, 1 hot, 2 pressed, 3 disabled).
StateLook ButtonLook(const QString& role, int state);

// Mixes two colours: 0 gives a, 1 gives b.
QColor Mix(const QColor& a, const QColor& b, qreal amount);

// Makes the outline of a shaped image hard: alpha below 128 becomes 0, the rest 255 (shaped windows
// are cut by a region, which has no soft edges).
void HardenAlpha(QImage* image);

// Flattens a picture for colour-key use: pixels the picture touches are blended over `backdrop`,
// untouched ones become the key colour.
QImage KeyOut(const QImage& picture, const QColor& backdrop);

}  // namespace skin
