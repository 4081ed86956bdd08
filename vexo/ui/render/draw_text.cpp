#include "vexo/ui/render/draw_text.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

using namespace vexo_dt;

namespace {

// Removes the '&' of mnemonics ("&&" stays one '&'); `underline` receives the position of the
// marked character or -1.
QString StripMnemonics(const QString& text, int* underline) {
  QString out;
  out.reserve(text.size());
  *underline = -1;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
      ++i;
      if (text[i] != QLatin1Char('&') && *underline < 0) *underline = static_cast<int>(out.size());
    }
    out += text[i];
  }
  return out;
}

// Path ellipsis keeps the last '/' or '\' part and shortens what comes before it.
QString ElidePath(const QFontMetrics& metrics, const QString& text, int width) {
  if (metrics.horizontalAdvance(text) <= width) return text;
  const int cut = static_cast<int>(std::max(text.lastIndexOf(QLatin1Char('/')),
                                            text.lastIndexOf(QLatin1Char('\\'))));
  if (cut <= 0) return metrics.elidedText(text, Qt::ElideRight, width);
  const QString tail = text.mid(cut);
  const QString ellipsis = QStringLiteral("...");
  QString head = text.left(cut);
  while (!head.isEmpty() &&
         metrics.horizontalAdvance(head + ellipsis + tail) > width) {
    head.chop(1);
  }
  if (head.isEmpty()) return metrics.elidedText(ellipsis + tail, Qt::ElideRight, width);
  return head + ellipsis + tail;
}

}  // namespace

QString VEXO_ElideText(const QFontMetrics& metrics, const QString& text, int width,
                       unsigned format) {
  int underline = -1;
  QString plain = (format & DT_NOPREFIX) ? text : StripMnemonics(text, &underline);
  if (format & DT_PATH_ELLIPSIS) return ElidePath(metrics, plain, width);
  if (format & DT_END_ELLIPSIS) return metrics.elidedText(plain, Qt::ElideRight, width);
  return plain;
}

void VEXO_DrawText(QPainter* painter, const QString& text, const QRect& given, unsigned format,
                   int escapement) {
  if (!painter || text.isEmpty() || given.width() <= 0 || given.height() <= 0) return;
  painter->save();
  painter->setClipRect(given, Qt::IntersectClip);
  painter->setBackgroundMode(Qt::TransparentMode);
  QRect rect = given;
  escapement %= 3600;
  if (escapement < 0) escapement += 3600;
  if (escapement != 0) {
    // Lay the text out in a box of the same centre, turned with it.
    const bool across = escapement == 900 || escapement == 2700;
    const QSize size = across ? given.size().transposed() : given.size();
    painter->translate(QRectF(given).center());
    painter->rotate(-escapement / 10.0);
    rect = QRect(QPoint(-size.width() / 2, -size.height() / 2), size);
  }

  int flags = 0;
  if (format & DT_CENTER) {
    flags |= Qt::AlignHCenter;
  } else if (format & DT_RIGHT) {
    flags |= Qt::AlignRight;
  } else {
    flags |= Qt::AlignLeft;
  }
  const bool single = (format & DT_SINGLELINE) != 0;
  if (single && (format & DT_VCENTER)) {
    flags |= Qt::AlignVCenter;
  } else if (single && (format & DT_BOTTOM)) {
    flags |= Qt::AlignBottom;
  } else {
    flags |= Qt::AlignTop;
  }
  if (!single && (format & DT_WORDBREAK)) flags |= Qt::TextWordWrap;
  if (single) flags |= Qt::TextSingleLine;

  const QFontMetrics metrics(painter->font());
  if (single && (format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS))) {
    // Elided text has its mnemonics removed already.
    painter->drawText(rect, flags, VEXO_ElideText(metrics, text, rect.width(), format));
  } else if (format & DT_NOPREFIX) {
    painter->drawText(rect, flags, text);
  } else {
    painter->drawText(rect, flags | Qt::TextShowMnemonic, text);
  }
  painter->restore();
}
