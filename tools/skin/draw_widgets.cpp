// Strips of the less common controls: radio buttons, the tab control's two tab looks and the tree's
// expand buttons.
#include <QPainterPath>

#include <functional>
#include <map>

#include "tools/skin/canvas.h"
#include "tools/skin/painters.h"
#include "tools/skin/palette.h"

namespace skin {

namespace {

using namespace palette;

// Radio strips hold checked, unchecked, disabled checked, disabled unchecked, as check boxes do.
bool PaintRadio(const ImageSpec& spec, QPainter* p, std::string*) {
  const qreal w = spec.width / 4.0;
  const qreal side = qMin<qreal>(w, spec.height) - 1;
  for (int state = 0; state < 4; ++state) {
    const bool checked = state == 0 || state == 2;
    const bool enabled = state < 2;
    const QRectF ring(state * w + (w - side) / 2, (spec.height - side) / 2, side, side);
    p->setPen(QPen(enabled ? (checked ? Accent() : BorderStrong()) : DisabledBorder(), 1));
    p->setBrush(enabled ? Panel() : DisabledFill());
    p->drawEllipse(ring.adjusted(0.5, 0.5, -0.5, -0.5));
    if (checked) {
      p->setPen(Qt::NoPen);
      p->setBrush(enabled ? Accent() : DisabledText());
      const qreal dot = side * 0.5;
      p->drawEllipse(QRectF(ring.center().x() - dot / 2, ring.center().y() - dot / 2, dot, dot));
    }
  }
  return true;
}

// Tab control: the look of the other tabs (left half) and of the selected tab (right half); both are
// drawn nine-grid, so the rounded top corners keep their size at any tab width.
bool PaintTabCtrl(const ImageSpec& spec, QPainter* p, std::string*) {
  const qreal w = spec.width / 2.0;
  const qreal h = spec.height;
  for (int half = 0; half < 2; ++half) {
    const bool selected = half == 1;
    const QRectF box(half * w, selected ? 0 : 2, w, selected ? h + 4 : h + 2);  // bottom edge open
    QPainterPath path = RoundedBox(box, 4);
    p->save();
    p->setClipRect(QRectF(half * w, 0, w, h));
    p->fillPath(path, selected ? Panel() : Band());
    p->setPen(QPen(selected ? BorderStrong() : Border(), 1));
    p->drawPath(path);
    if (selected) p->fillRect(QRectF(half * w + 3, 0, w - 6, 2), Accent());  // the selected tab's mark
    else p->fillRect(QRectF(half * w, h - 1, w, 1), BorderStrong());          // the line under other tabs
    p->restore();
  }
  return true;
}

// Tree expand buttons: collapsed (a right-pointing triangle), expanded (pointing down).
bool PaintTreeExpand(const ImageSpec& spec, QPainter* p, std::string*) {
  const qreal w = spec.width / 2.0;
  const qreal h = spec.height;
  p->setPen(Qt::NoPen);
  p->setBrush(TextMuted());
  for (int half = 0; half < 2; ++half) {
    const QPointF c(half * w + w / 2, h / 2);
    QPolygonF arrow;
    if (half == 0) arrow << QPointF(c.x() - 2, c.y() - 4) << QPointF(c.x() + 2.5, c.y()) << QPointF(c.x() - 2, c.y() + 4);
    else arrow << QPointF(c.x() - 4, c.y() - 2) << QPointF(c.x() + 4, c.y() - 2) << QPointF(c.x(), c.y() + 2.5);
    p->drawPolygon(arrow);
  }
  return true;
}

}  // namespace

bool PaintWidgetStrip(const ImageSpec& spec, QImage* image, std::string* error) {
  static const std::map<std::string, KindPainter> painters = {
      {"radio", PaintRadio}, {"tabctrl", PaintTabCtrl}, {"treeexpand", PaintTreeExpand}};
  return RunKindPainter(painters.at(spec.kind), spec, image, error);
}

}  // namespace skin
