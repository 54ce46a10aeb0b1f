#include "app/picture_label.h"

#include <QPainter>

namespace app {

void PictureLabel::setPicture(const QImage& picture) {
  picture_ = picture;
  shown_ = QPixmap();
  update();
}

void PictureLabel::paintEvent(QPaintEvent* event) {
  if (picture_.isNull()) {
    QLabel::paintEvent(event);
    return;
  }
  const QRect area = contentsRect();
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = (QSizeF(area.size()) * ratio).toSize();
  if (shown_.isNull() || shown_.size() != pixels) {
    shown_ = QPixmap::fromImage(picture_.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    shown_.setDevicePixelRatio(ratio);
  }
  QPainter painter(this);
  painter.drawPixmap(area.topLeft(), shown_);
}

}  // namespace app
