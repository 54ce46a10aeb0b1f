#pragma once
// Painting the live picture.

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;

namespace capture {

// The largest rectangle of `shape`'s proportions inside `area`, centred in
// it (whole pixels, never beyond the area); empty for an empty shape.
QRect fitCentred(QSize shape, const QRect& area);

// Draws `frame` into `area`: when `scale`, as large as fits at the frame's
// own shape, centred (a frame of another shape than the area gets bars),
// else at its own size from the top left corner (cut off where it does not
// fit).
void paintPreview(QPainter& painter, const QImage& frame, const QRect& area, bool scale);

// A notice drawn across the middle of the picture.
void paintNotice(QPainter& painter, const QRect& area, const QString& text);

// Milliseconds to wait before the next paint so that the picture is not
// painted more often than once per `rateMs`; 0 when a paint is due.
qint64 paintDelay(qint64 sinceLastPaintMs, qint64 rateMs);

}  // namespace capture
