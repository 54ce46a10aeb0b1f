#pragma once
// A capture device that needs no hardware: moving colour bars with a frame
// counter and the time of day, 30 frames a second.

#include <QDateTime>
#include <QRgb>
#include <QTimer>
#include <memory>

#include "platform/capture/device.h"

namespace capture {

enum class Pattern { ColourBars = 0, GreyRamp = 1 };

constexpr std::uint32_t kPatternControl = 1;
constexpr std::uint32_t kBrightnessControl = 2;

// The sizes the pattern offers; 640 x 480 is the default.
const std::vector<QSize>& testPatternSizes();

// Marks the four corners of every frame, in a colour none of the bars has,
// so that a frame cut or squeezed by its window shows at once.
inline constexpr QRgb kCornerMark = 0xffff8800;
int cornerMarkSize(QSize frame);

// One frame: bars shifted by the frame number, a caption band with the
// counter and `time`, and the corner marks; `brightness` -100..100
// lightens or darkens the bars.
QImage renderTestPattern(QSize size, Pattern pattern, int brightness, std::uint64_t frame, const QDateTime& time);

class TestPattern final : public CaptureDevice {
 public:
  TestPattern();
  ~TestPattern() override;

  QString name() const override;
  DeviceError start(DeviceSink& sink) override;
  void stop() override;
  bool running() const override;
  QSize frameSize() const override { return size_; }
  std::vector<QSize> frameSizes(std::uint32_t fourcc) override;
  DeviceError setFormat(QSize size, std::uint32_t fourcc) override;
  std::vector<Control> controls() override;
  bool setControl(std::uint32_t id, int value) override;

  // Renders and delivers one frame now (the timer does this 30 times a second).
  void tick();

 private:
  std::unique_ptr<QTimer> timer_;
  DeviceSink* sink_ = nullptr;
  QSize size_{640, 480};
  Pattern pattern_ = Pattern::ColourBars;
  int brightness_ = 0;
  std::uint64_t frame_ = 0;
};

}  // namespace capture
