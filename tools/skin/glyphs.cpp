#include "tools/skin/glyphs.h"

#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>

#include <functional>
#include <map>

namespace skin {

namespace {

using GlyphFn = std::function<void(QPainter*, const QRectF&, const QColor&)>;

// Glyphs are drawn in a square of side s centred in the box; strokes scale with it.
QRectF Square(const QRectF& box) {
  qreal side = qMin(box.width(), box.height());
  return QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
}

QPen Stroke(const QColor& colour, qreal width) {
  QPen pen(colour, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

qreal StrokeWidth(const QRectF& s) { return qMax<qreal>(1.2, s.width() / 11.0); }

void Triangle(QPainter* p, const QRectF& s, const QColor& c, int direction) {
  // direction: 0 up, 1 down, 2 left, 3 right
  qreal w = s.width() * 0.5;
  qreal h = s.height() * 0.3;
  QPointF m = s.center();
  QPolygonF poly;
  if (direction == 0) {
    poly << QPointF(m.x() - w / 2, m.y() + h / 2) << QPointF(m.x() + w / 2, m.y() + h / 2) << QPointF(m.x(), m.y() - h / 2);
  } else if (direction == 1) {
    poly << QPointF(m.x() - w / 2, m.y() - h / 2) << QPointF(m.x() + w / 2, m.y() - h / 2) << QPointF(m.x(), m.y() + h / 2);
  } else if (direction == 2) {
    poly << QPointF(m.x() + h / 2, m.y() - w / 2) << QPointF(m.x() + h / 2, m.y() + w / 2) << QPointF(m.x() - h / 2, m.y());
  } else {
    poly << QPointF(m.x() - h / 2, m.y() - w / 2) << QPointF(m.x() - h / 2, m.y() + w / 2) << QPointF(m.x() + h / 2, m.y());
  }
  p->setPen(Qt::NoPen);
  p->setBrush(c);
  p->drawPolygon(poly);
}

const std::map<QString, GlyphFn>& Glyphs() {
  static const std::map<QString, GlyphFn> glyphs = {
      {QStringLiteral("close"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         QRectF r = s.adjusted(s.width() * 0.3, s.height() * 0.3, -s.width() * 0.3, -s.height() * 0.3);
         p->setPen(Stroke(c, 1.6));
         p->drawLine(r.topLeft(), r.bottomRight());
         p->drawLine(r.topRight(), r.bottomLeft());
       }},
      {QStringLiteral("min"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         p->setPen(Stroke(c, 1.6));
         qreal y = s.center().y() + s.height() * 0.15;
         p->drawLine(QPointF(s.left() + s.width() * 0.3, y), QPointF(s.right() - s.width() * 0.3, y));
       }},
      {QStringLiteral("max"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         p->setPen(Stroke(c, 1.4));
         p->setBrush(Qt::NoBrush);
         p->drawRect(s.adjusted(s.width() * 0.3, s.height() * 0.3, -s.width() * 0.3, -s.height() * 0.3));
       }},
      {QStringLiteral("restore"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         p->setPen(Stroke(c, 1.3));
         p->setBrush(Qt::NoBrush);
         qreal d = s.width() * 0.1;
         QRectF r = s.adjusted(s.width() * 0.32, s.height() * 0.32, -s.width() * 0.32, -s.height() * 0.32);
         p->drawRect(r.translated(-d / 2, d / 2));
         p->drawPolyline(QPolygonF() << QPointF(r.left() + d / 2, r.top() - d / 2) << QPointF(r.right() + d / 2, r.top() - d / 2)
                                     << QPointF(r.right() + d / 2, r.bottom() - d / 2));
       }},
      {QStringLiteral("up"), [](QPainter* p, const QRectF& s, const QColor& c) { Triangle(p, s, c, 0); }},
      {QStringLiteral("down"), [](QPainter* p, const QRectF& s, const QColor& c) { Triangle(p, s, c, 1); }},
      {QStringLiteral("left"), [](QPainter* p, const QRectF& s, const QColor& c) { Triangle(p, s, c, 2); }},
      {QStringLiteral("right"), [](QPainter* p, const QRectF& s, const QColor& c) { Triangle(p, s, c, 3); }},
      {QStringLiteral("home"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         qreal w = s.width();
         p->setPen(Stroke(c, StrokeWidth(s)));
         p->setBrush(Qt::NoBrush);
         p->drawPolyline(QPolygonF() << QPointF(s.left() + w * 0.1, s.top() + w * 0.5) << QPointF(s.center().x(), s.top() + w * 0.12)
                                     << QPointF(s.right() - w * 0.1, s.top() + w * 0.5));
         p->drawPolyline(QPolygonF() << QPointF(s.left() + w * 0.22, s.top() + w * 0.42) << QPointF(s.left() + w * 0.22, s.bottom() - w * 0.12)
                                     << QPointF(s.right() - w * 0.22, s.bottom() - w * 0.12) << QPointF(s.right() - w * 0.22, s.top() + w * 0.42));
         p->setBrush(c);
         p->drawRect(QRectF(s.center().x() - w * 0.08, s.bottom() - w * 0.36, w * 0.16, w * 0.24));
       }},
      {QStringLiteral("star"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         QPolygonF star;
         for (int i = 0; i < 10; ++i) {
           qreal radius = (i % 2 == 0 ? 0.46 : 0.2) * s.width();
           qreal angle = -M_PI / 2 + i * M_PI / 5;
           star << QPointF(s.center().x() + radius * qCos(angle), s.center().y() + 0.04 * s.width() + radius * qSin(angle));
         }
         p->setPen(Stroke(c, 1));
         p->setBrush(c);
         p->drawPolygon(star);
       }},
      {QStringLiteral("grid"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         qreal w = s.width();
         qreal cell = w * 0.34;
         qreal gap = w * 0.1;
         qreal x0 = s.center().x() - cell - gap / 2;
         qreal y0 = s.center().y() - cell - gap / 2;
         p->setPen(Qt::NoPen);
         p->setBrush(c);
         for (int i = 0; i < 4; ++i) {
           p->drawRoundedRect(QRectF(x0 + (i % 2) * (cell + gap), y0 + (i / 2) * (cell + gap), cell, cell), w * 0.06, w * 0.06);
         }
       }},
      {QStringLiteral("upgrade"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         qreal w = s.width();
         p->setPen(Stroke(c, StrokeWidth(s)));
         p->setBrush(Qt::NoBrush);
         p->drawEllipse(s.adjusted(w * 0.08, w * 0.08, -w * 0.08, -w * 0.08));
         QPointF m = s.center();
         p->drawLine(QPointF(m.x(), m.y() + w * 0.22), QPointF(m.x(), m.y() - w * 0.2));
         p->drawPolyline(QPolygonF() << QPointF(m.x() - w * 0.16, m.y() - w * 0.04) << QPointF(m.x(), m.y() - w * 0.2)
                                     << QPointF(m.x() + w * 0.16, m.y() - w * 0.04));
       }},
      {QStringLiteral("trash"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         qreal w = s.width();
         p->setPen(Stroke(c, StrokeWidth(s)));
         p->setBrush(Qt::NoBrush);
         p->drawLine(QPointF(s.left() + w * 0.18, s.top() + w * 0.24), QPointF(s.right() - w * 0.18, s.top() + w * 0.24));
         p->drawRect(QRectF(s.left() + w * 0.4, s.top() + w * 0.12, w * 0.2, w * 0.12));
         p->drawPolyline(QPolygonF() << QPointF(s.left() + w * 0.26, s.top() + w * 0.3) << QPointF(s.left() + w * 0.3, s.bottom() - w * 0.1)
                                     << QPointF(s.right() - w * 0.3, s.bottom() - w * 0.1) << QPointF(s.right() - w * 0.26, s.top() + w * 0.3));
         for (qreal x : {0.42, 0.58}) p->drawLine(QPointF(s.left() + w * x, s.top() + w * 0.42), QPointF(s.left() + w * x, s.bottom() - w * 0.22));
       }},
      {QStringLiteral("gear"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         QPainterPath path;
         const int teeth = 8;
         QPointF m = s.center();
         qreal outer = s.width() * 0.46;
         qreal inner = s.width() * 0.34;
         for (int i = 0; i < teeth * 4; ++i) {
           qreal angle = i * 2 * M_PI / (teeth * 4);
           qreal radius = (i % 4 == 0 || i % 4 == 1) ? outer : inner;
           QPointF point(m.x() + radius * qCos(angle), m.y() + radius * qSin(angle));
           if (i == 0) path.moveTo(point); else path.lineTo(point);
         }
         path.closeSubpath();
         path.addEllipse(m, s.width() * 0.14, s.width() * 0.14);
         path.setFillRule(Qt::OddEvenFill);
         p->setPen(Qt::NoPen);
         p->setBrush(c);
         p->drawPath(path);
       }},
      {QStringLiteral("folder"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         qreal w = s.width();
         QPainterPath path;
         path.moveTo(s.left() + w * 0.08, s.top() + w * 0.2);
         path.lineTo(s.left() + w * 0.4, s.top() + w * 0.2);
         path.lineTo(s.left() + w * 0.48, s.top() + w * 0.3);
         path.lineTo(s.right() - w * 0.08, s.top() + w * 0.3);
         path.lineTo(s.right() - w * 0.08, s.bottom() - w * 0.16);
         path.lineTo(s.left() + w * 0.08, s.bottom() - w * 0.16);
         path.closeSubpath();
         p->setPen(Stroke(c, StrokeWidth(s)));
         p->setBrush(QColor(c.red(), c.green(), c.blue(), 60));
         p->drawPath(path);
         p->drawLine(QPointF(s.left() + w * 0.08, s.top() + w * 0.4), QPointF(s.right() - w * 0.08, s.top() + w * 0.4));
       }},
      {QStringLiteral("shield"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         qreal w = s.width();
         QPainterPath path;
         path.moveTo(s.center().x(), s.top() + w * 0.08);
         path.lineTo(s.right() - w * 0.14, s.top() + w * 0.22);
         path.cubicTo(s.right() - w * 0.14, s.top() + w * 0.6, s.center().x() + w * 0.1, s.bottom() - w * 0.12, s.center().x(), s.bottom() - w * 0.06);
         path.cubicTo(s.center().x() - w * 0.1, s.bottom() - w * 0.12, s.left() + w * 0.14, s.top() + w * 0.6, s.left() + w * 0.14, s.top() + w * 0.22);
         path.closeSubpath();
         p->setPen(Qt::NoPen);
         p->setBrush(c);
         p->drawPath(path);
         p->setPen(Stroke(Qt::white, StrokeWidth(s)));
         p->drawPolyline(QPolygonF() << QPointF(s.left() + w * 0.34, s.top() + w * 0.5) << QPointF(s.left() + w * 0.46, s.top() + w * 0.62)
                                     << QPointF(s.left() + w * 0.68, s.top() + w * 0.38));
       }},
      {QStringLiteral("guard"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         qreal w = s.width();
         QPainterPath path;
         path.moveTo(s.center().x(), s.top() + w * 0.08);
         path.lineTo(s.right() - w * 0.14, s.top() + w * 0.22);
         path.cubicTo(s.right() - w * 0.14, s.top() + w * 0.6, s.center().x() + w * 0.1, s.bottom() - w * 0.12, s.center().x(), s.bottom() - w * 0.06);
         path.cubicTo(s.center().x() - w * 0.1, s.bottom() - w * 0.12, s.left() + w * 0.14, s.top() + w * 0.6, s.left() + w * 0.14, s.top() + w * 0.22);
         path.closeSubpath();
         p->setPen(Stroke(c, StrokeWidth(s)));
         p->setBrush(Qt::NoBrush);
         p->drawPath(path);
         QPointF m(s.center().x(), s.top() + w * 0.46);
         p->drawLine(QPointF(m.x(), m.y() - w * 0.14), QPointF(m.x(), m.y() + w * 0.14));
         p->drawLine(QPointF(m.x() - w * 0.14, m.y()), QPointF(m.x() + w * 0.14, m.y()));
       }},
      {QStringLiteral("chat"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         qreal w = s.width();
         QPainterPath path;
         path.addRoundedRect(QRectF(s.left() + w * 0.08, s.top() + w * 0.14, w * 0.84, w * 0.56), w * 0.14, w * 0.14);
         QPolygonF tail;
         tail << QPointF(s.left() + w * 0.28, s.top() + w * 0.64) << QPointF(s.left() + w * 0.22, s.bottom() - w * 0.1)
              << QPointF(s.left() + w * 0.46, s.top() + w * 0.68);
         path.addPolygon(tail);
         path.setFillRule(Qt::WindingFill);
         p->setPen(Qt::NoPen);
         p->setBrush(c);
         p->drawPath(path.simplified());
         p->setBrush(Qt::white);
         for (qreal x : {0.32, 0.5, 0.68}) p->drawEllipse(QPointF(s.left() + w * x, s.top() + w * 0.42), w * 0.055, w * 0.055);
       }},
      {QStringLiteral("search"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         qreal w = s.width();
         p->setPen(Stroke(c, qMax<qreal>(1.5, w / 9)));
         p->setBrush(Qt::NoBrush);
         QPointF m(s.left() + w * 0.42, s.top() + w * 0.42);
         p->drawEllipse(m, w * 0.24, w * 0.24);
         p->drawLine(QPointF(m.x() + w * 0.18, m.y() + w * 0.18), QPointF(s.right() - w * 0.14, s.bottom() - w * 0.14));
       }},
      {QStringLiteral("back"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         qreal w = s.width();
         p->setPen(Stroke(c, qMax<qreal>(1.5, w / 9)));
         QPointF m = s.center();
         p->drawLine(QPointF(m.x() + w * 0.28, m.y()), QPointF(m.x() - w * 0.26, m.y()));
         p->drawPolyline(QPolygonF() << QPointF(m.x() - w * 0.04, m.y() - w * 0.22) << QPointF(m.x() - w * 0.26, m.y())
                                     << QPointF(m.x() - w * 0.04, m.y() + w * 0.22));
       }},
      {QStringLiteral("list"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         qreal w = s.width();
         p->setPen(Stroke(c, qMax<qreal>(1.3, w / 10)));
         for (qreal y : {0.3, 0.5, 0.7}) p->drawLine(QPointF(s.left() + w * 0.2, s.top() + w * y), QPointF(s.right() - w * 0.2, s.top() + w * y));
       }},
      {QStringLiteral("download"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         qreal w = s.width();
         p->setPen(Stroke(c, qMax<qreal>(1.5, w / 9)));
         QPointF m = s.center();
         p->drawLine(QPointF(m.x(), s.top() + w * 0.14), QPointF(m.x(), s.top() + w * 0.62));
         p->drawPolyline(QPolygonF() << QPointF(m.x() - w * 0.2, s.top() + w * 0.42) << QPointF(m.x(), s.top() + w * 0.62)
                                     << QPointF(m.x() + w * 0.2, s.top() + w * 0.42));
         p->drawLine(QPointF(s.left() + w * 0.18, s.bottom() - w * 0.16), QPointF(s.right() - w * 0.18, s.bottom() - w * 0.16));
       }},
      {QStringLiteral("globe"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         qreal w = s.width();
         p->setPen(Stroke(c, StrokeWidth(s)));
         p->setBrush(Qt::NoBrush);
         QRectF r = s.adjusted(w * 0.1, w * 0.1, -w * 0.1, -w * 0.1);
         p->drawEllipse(r);
         p->drawEllipse(r.adjusted(r.width() * 0.28, 0, -r.width() * 0.28, 0));
         p->drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
       }},
      {QStringLiteral("link"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         qreal w = s.width();
         p->setPen(Stroke(c, StrokeWidth(s)));
         p->setBrush(Qt::NoBrush);
         p->save();
         p->translate(s.center());
         p->rotate(-45);
         p->drawRoundedRect(QRectF(-w * 0.42, -w * 0.14, w * 0.5, w * 0.28), w * 0.14, w * 0.14);
         p->drawRoundedRect(QRectF(-w * 0.08, -w * 0.14, w * 0.5, w * 0.28), w * 0.14, w * 0.14);
         p->restore();
       }},
      {QStringLiteral("check"),
       [](QPainter* p, const QRectF& s, const QColor& c) {
         qreal w = s.width();
         p->setPen(Stroke(c, qMax<qreal>(1.6, w / 7)));
         p->drawPolyline(QPolygonF() << QPointF(s.left() + w * 0.22, s.top() + w * 0.52) << QPointF(s.left() + w * 0.42, s.top() + w * 0.72)
                                     << QPointF(s.left() + w * 0.78, s.top() + w * 0.3));
       }},
  };
  return glyphs;
}

}  // namespace

bool IsGlyph(const QString& name) { return Glyphs().count(name) != 0; }

bool DrawGlyph(QPainter* painter, const QString& name, const QRectF& box, const QColor& colour) {
  auto found = Glyphs().find(name);
  if (found == Glyphs().end()) return false;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, true);
  found->second(painter, Square(box), colour);
  painter->restore();
  return true;
}

}  // namespace skin
