#pragma once
// A label showing a picture stretched to its own size, painted from the
// picture itself: a camera's frame is shared, not copied into a pixmap for
// every capture, and scaled only when the label is painted.

#include <QImage>
#include <QLabel>
#include <QPixmap>

namespace app {

class PictureLabel : public QLabel {
 public:
  using QLabel::QLabel;
  void setPicture(const QImage& picture);
  const QImage& picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
  QPixmap shown_;  // the picture at the label's size, made at the first paint
};

}  // namespace app
