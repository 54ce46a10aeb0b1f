#include "platform/capture/preview.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace capture {

void paintPreview(QPainter& painter, const QImage& frame, const QRect& area, bool scale) {
  if (frame.isNull() || area.isEmpty()) return;
  if (scale)
    painter.drawImage(area, frame);
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
