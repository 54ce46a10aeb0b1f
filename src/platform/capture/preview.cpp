#include "platform/capture/preview.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace capture {

QRect fitCentred(QSize shape, const QRect& area) {
  if (shape.isEmpty() || area.isEmpty()) return {};
  const qint64 w = area.width(), h = area.height();
  // Compared across, so that no division rounds the choice of side.
  const bool widthBound = w * shape.height() <= h * shape.width();
  const int fitW = int(widthBound ? w : h * shape.width() / shape.height());
  const int fitH = int(widthBound ? w * shape.height() / shape.width() : h);
  return {area.left() + (area.width() - fitW) / 2, area.top() + (area.height() - fitH) / 2, fitW, fitH};
}

void paintPreview(QPainter& painter, const QImage& frame, const QRect& area, bool scale) {
  if (frame.isNull() || area.isEmpty()) return;
  if (scale)
    painter.drawImage(fitCentred(frame.size(), area), frame);
  else
    painter.drawImage(area.topLeft(), frame, QRect(QPoint(0, 0), area.size()).intersected(frame.rect()));
}

void paintNotice(QPainter& painter, const QRect& area, const QString& text) {
  if (area.isEmpty() || text.isEmpty()) return;
  painter.save();
  QFont font = painter.font();
  font.setBold(true);
  painter.setFont(font);
  const QFontMetrics metrics(font);
  const int height = metrics.height() * 2;
  const QRect band(area.left(), area.center().y() - height / 2, area.width(), height);
  painter.fillRect(band, QColor(0, 0, 0, 170));
  painter.setPen(Qt::white);
  painter.drawText(band, Qt::AlignCenter | Qt::TextSingleLine,
                   metrics.elidedText(text, Qt::ElideRight, std::max(area.width() - 8, 0)));
  painter.restore();
}

qint64 paintDelay(qint64 sinceLastPaintMs, qint64 rateMs) {
  if (sinceLastPaintMs < 0) return 0;  // never painted
  return std::max<qint64>(0, rateMs - sinceLastPaintMs);
}

}  // namespace capture
