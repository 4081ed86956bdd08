// A catalogue program's icon as the lists draw it: its `icon` image from the pack (an image that
// is not a PNG has magenta for transparency), else the skin's generic program icon.
#pragma once

#include <QRect>

class QPainter;
struct SoftwareInfo;

void DrawProgramIcon(QPainter* painter, const SoftwareInfo& program, const QRect& rect);
