#include "platform/capture/test_pattern.h"

#include <QPainter>
#include <algorithm>
#include <functional>

namespace capture {

namespace {

QColor adjusted(QColor c, int brightness) {
  const int shift = brightness * 255 / 100;
  return QColor(std::clamp(c.red() + shift, 0, 255), std::clamp(c.green() + shift, 0, 255),
                std::clamp(c.blue() + shift, 0, 255));
}

void paintBands(QPainter& p, QSize size, int count, int offset, const std::function<QColor(int)>& colourOf) {
  const int width = size.width();
  for (int i = 0; i < count; ++i) {
    // Bar i covers [x0, x1) before the shift; drawn twice to wrap around.
    const int x0 = i * width / count, x1 = (i + 1) * width / count;
    for (int wrap : {0, -width}) p.fillRect(QRect(x0 + offset + wrap, 0, x1 - x0, size.height()), colourOf(i));
  }
}

}  // namespace

int cornerMarkSize(QSize frame) { return std::max(frame.width() / 64, 4); }

const std::vector<QSize>& testPatternSizes() {
  static const std::vector<QSize> sizes{{320, 240}, {640, 480}, {800, 600}, {1024, 768}, {1280, 960}, {1280, 720}};
  return sizes;
}

QImage renderTestPattern(QSize size, Pattern pattern, int brightness, std::uint64_t frame, const QDateTime& time) {
  QImage image(size, QImage::Format_RGB32);
  if (image.isNull()) return image;
  image.fill(Qt::black);
  QPainter p(&image);
  const int offset = int((frame * 4) % std::uint64_t(std::max(size.width(), 1)));
  if (pattern == Pattern::GreyRamp) {
    constexpr int kSteps = 16;
    paintBands(p, size, kSteps, offset,
               [&](int i) { return adjusted(QColor::fromRgb(i * 17, i * 17, i * 17), brightness); });
  } else {
    static const QColor bars[] = {Qt::white, Qt::yellow, Qt::cyan, Qt::green, Qt::magenta, Qt::red, Qt::blue, Qt::black};
    paintBands(p, size, 8, offset, [&](int i) { return adjusted(bars[i], brightness); });
  }

  const int band = std::max(size.height() / 8, 12);
  const QRect caption(0, size.height() - band, size.width(), band);
  p.fillRect(caption, Qt::black);
  QFont font = p.font();
  font.setPixelSize(std::max(band * 3 / 5, 8));
  font.setStyleHint(QFont::Monospace);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(caption, Qt::AlignCenter,
             QStringLiteral("%1   %2").arg(frame, 6, 10, QChar('0')).arg(time.toString("HH:mm:ss.zzz")));
  const int mark = cornerMarkSize(size);
  for (int x : {0, size.width() - mark})
    for (int y : {0, size.height() - mark}) p.fillRect(QRect(x, y, mark, mark), QColor::fromRgb(kCornerMark));
  return image;
}

TestPattern::TestPattern() : timer_(std::make_unique<QTimer>()) {
  timer_->setInterval(1000 / 30);
  timer_->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this] { tick(); });
}

TestPattern::~TestPattern() = default;

QString TestPattern::name() const { return QStringLiteral("Test pattern"); }

DeviceError TestPattern::start(DeviceSink& sink) {
  sink_ = &sink;
  timer_->start();
  return DeviceError::None;
}

void TestPattern::stop() {
  timer_->stop();
  sink_ = nullptr;
}

bool TestPattern::running() const { return sink_ != nullptr; }

void TestPattern::tick() {
  if (!sink_) return;
  const QImage image = renderTestPattern(size_, pattern_, brightness_, frame_++, QDateTime::currentDateTime());
  sink_->frameReady(image);
}

std::vector<QSize> TestPattern::frameSizes(std::uint32_t) { return testPatternSizes(); }

DeviceError TestPattern::setFormat(QSize size, std::uint32_t fourcc) {
  const auto& sizes = testPatternSizes();
  if (fourcc != 0 || std::find(sizes.begin(), sizes.end(), size) == sizes.end())
    return DeviceError::UnsupportedFormat;
  size_ = size;
  return DeviceError::None;
}

std::vector<Control> TestPattern::controls() {
  Control pattern;
  pattern.id = kPatternControl;
  pattern.name = QStringLiteral("Pattern");
  pattern.kind = Control::Kind::Menu;
  pattern.minimum = 0;
  pattern.maximum = 1;
  pattern.items = {QStringLiteral("Colour bars"), QStringLiteral("Grey ramp")};
  pattern.value = int(pattern_);

  Control brightness;
  brightness.id = kBrightnessControl;
  brightness.name = QStringLiteral("Brightness");
  brightness.minimum = -100;
  brightness.maximum = 100;
  brightness.value = brightness_;
  return {pattern, brightness};
}

bool TestPattern::setControl(std::uint32_t id, int value) {
  if (id == kPatternControl && (value == 0 || value == 1)) {
    pattern_ = Pattern(value);
    return true;
  }
  if (id == kBrightnessControl && value >= -100 && value <= 100) {
    brightness_ = value;
    return true;
  }
  return false;
}

}  // namespace capture
