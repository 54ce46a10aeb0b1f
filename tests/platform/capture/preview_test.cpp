#include <gtest/gtest.h>

#include <QPainter>

#include "platform/capture/preview.h"

namespace {

using capture::fitCentred;

TEST(Preview, FitsAShapeCentredAndWholeInsideAnArea) {
  const struct {
    QSize shape;
    QRect area, fitted;
  } cases[] = {
      {{4, 3}, {0, 0, 640, 480}, {0, 0, 640, 480}},
      {{4, 3}, {0, 0, 900, 473}, {135, 0, 630, 473}},    // wide: bars left and right
      {{4, 3}, {0, 0, 636, 1000}, {0, 261, 636, 477}},   // tall: bars above and below
      {{4, 3}, {10, 20, 641, 481}, {10, 20, 641, 480}},  // an odd pixel is never spilled
      {{1280, 720}, {0, 0, 640, 480}, {0, 60, 640, 360}},
      {{1280, 1024}, {0, 0, 640, 480}, {20, 0, 600, 480}},
      {{4, 3}, {0, 0, 0, 0}, {}},
      {{0, 3}, {0, 0, 640, 480}, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(fitCentred(c.shape, c.area), c.fitted)
        << c.shape.width() << ":" << c.shape.height() << " in " << c.area.width() << "x" << c.area.height();
}

// A 16:9 frame keeps its shape in a 4:3 picture: black bars above and
// below, no squeezing; drawn unscaled it is cut at the area's edge.
TEST(Preview, AFrameOfAnotherShapeIsLetterboxedNotSqueezed) {
  QImage frame(1280, 720, QImage::Format_RGB32);
  frame.fill(Qt::red);
  QImage shown(640, 480, QImage::Format_RGB32);
  shown.fill(Qt::black);
  {
    QPainter painter(&shown);
    capture::paintPreview(painter, frame, shown.rect(), true);
  }
  const struct {
    QPoint at;
    QRgb colour;
  } pixels[] = {{{320, 59}, qRgb(0, 0, 0)},  {{320, 60}, qRgb(255, 0, 0)}, {{0, 240}, qRgb(255, 0, 0)},
                {{639, 419}, qRgb(255, 0, 0)}, {{320, 420}, qRgb(0, 0, 0)}, {{320, 479}, qRgb(0, 0, 0)}};
  for (const auto& p : pixels) EXPECT_EQ(shown.pixel(p.at), p.colour) << p.at.x() << "," << p.at.y();
}

}  // namespace
