// F12 from a motion JPEG camera: the capture window's save message with a
// camera JPEG frame shown, to a JPEG file and to a bitmap, beside the least
// a durable file of those bytes can cost, step by step.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/syscall.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <cstring>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "bench_env.h"
#include "fake_v4l2.h"
#include "jpeg_frames.h"
#include "platform/capture/camera_jpeg.h"
#include "platform/capture/capture.h"
#include "platform/capture/capture_window.h"
#include "platform/capture/catalog.h"
#include "platform/capture/dib.h"
#include "platform/capture/messages.h"
#include "platform/capture/pixels.h"
#include "platform/capture/v4l2_camera.h"

namespace {

namespace fs = std::filesystem;

const QString kCameraKey = QStringLiteral("/dev/v4l/by-id/usb-Bench_Camera-video-index0");

struct OneCamera final : capture::DeviceCatalog {
  explicit OneCamera(fake::Camera& c) : camera(c) {}
  std::vector<capture::DeviceInfo> list() override { return {{kCameraKey, "Bench Camera"}}; }
  std::unique_ptr<capture::CaptureDevice> make(const capture::DeviceInfo& info) override {
    return std::make_unique<capture::V4l2Camera>(info.key.toStdString(), info.name, camera.opener());
  }
  fake::Camera& camera;
};

// The program's capture window showing the camera JPEG frame of `size`
// from the fake Video4Linux2 device in a 640 x 480 picture area, with the
// device's settings as they start: its own JPEG kept for JPEG captures.
class CameraWindow {
 public:
  explicit CameraWindow(QSize size) {
    camera_.formats = {{capture::kMjpeg, {size}}};
    capture::setDeviceCatalog(&catalog_);
    capture::rememberDevice(kCameraKey);
    capture::rememberFormat(kCameraKey, {size, capture::kMjpeg});
    host_.resize(640, 480);
    hwnd_ = capture::capCreateCaptureWindowA("Capture", win::WS_CHILD | win::WS_VISIBLE, 0, 0, 640, 480,
                                             win::handleOf(&host_), 0);
    if (!hwnd_ || win::SendMessageA(hwnd_, capture::WM_CAP_DRIVER_CONNECT, 0, 0) == 0) return;
    // As the live window sets it up: the picture scaled to the window, so
    // that the preview decodes at a reduction and a bitmap decodes in full.
    win::SendMessageA(hwnd_, capture::WM_CAP_SET_SCALE, 1, 0);
    win::SendMessageA(hwnd_, capture::WM_CAP_SET_PREVIEWRATE, 1, 0);
    win::SendMessageA(hwnd_, capture::WM_CAP_SET_PREVIEW, 1, 0);
    camera_.push(capture_test::cameraFrame(size));
    QElapsedTimer waited;
    waited.start();
    while (window() && window()->newestFrame().isNull() && waited.elapsed() < 5000)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }
  ~CameraWindow() {
    if (hwnd_) win::DestroyWindow(hwnd_);
    QCoreApplication::processEvents();
    capture::setDeviceCatalog(nullptr);
  }
  CameraWindow(const CameraWindow&) = delete;
  CameraWindow& operator=(const CameraWindow&) = delete;

  bool showsFrame() { return window() && !window()->newestFrame().isNull(); }
  // What F12 asks of the window: the frame stored under `path`.
  pictures::StoreResult save(const std::string& path, pictures::Format format) {
    capture::FrameSave save;
    save.format = format;
    win::SendMessageA(hwnd_, capture::WM_CAP_FILE_SAVEDIBA, reinterpret_cast<win::WPARAM>(&save),
                      reinterpret_cast<win::LPARAM>(path.c_str()));
    return save.result;
  }

 private:
  capture::CaptureWindow* window() { return dynamic_cast<capture::CaptureWindow*>(win::widgetOf(hwnd_)); }

  fake::Camera camera_;
  OneCamera catalog_{camera_};
  QWidget host_;
  win::HWND hwnd_ = 0;
};

QString pictureFolder() { return bench::freshFolder(QString::fromStdString(fs::current_path().string()), "vic-f12"); }

void f12(benchmark::State& state, pictures::Format format, const char* extension) {
  const QSize size(int(state.range(0)), int(state.range(1)));
  CameraWindow window(size);
  if (!window.showsFrame()) {
    state.SkipWithError("the camera's frame is not shown");
    return;
  }
  const std::string folder = pictureFolder().toStdString();
  const std::string path = folder + "/MOR0001." + extension;
  for (auto _ : state) {
    const pictures::StoreResult result = window.save(path, format);
    if (!result.saved()) {
      state.SkipWithError("the capture was not saved");
      break;
    }
    state.PauseTiming();
    state.counters["bytes"] = double(fs::file_size(path));
    fs::remove(path);
    state.ResumeTiming();
  }
  fs::remove_all(folder);
}

void F12Jpeg(benchmark::State& state) { f12(state, pictures::Format::Jpeg, "jpg"); }
void F12Bmp(benchmark::State& state) { f12(state, pictures::Format::Bmp, "bmp"); }

// The floor's file steps, each one call.
bool durableFile(int folder, const std::uint8_t* data, std::size_t size, const char* name) {
  const char* temporary = ".MOR0001.tmp";
  // 1. an exclusive temporary in the folder
  const int fd = ::openat(folder, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  // 2. one write, 3. one flush of the data
  const bool written = ::write(fd, data, size) == ssize_t(size) && ::fdatasync(fd) == 0;
  ::close(fd);
  // 4. the name taken, never replacing anything, 5. one flush of the folder
  return written && ::syscall(SYS_renameat2, folder, temporary, folder, name, RENAME_NOREPLACE) == 0 &&
         ::fsync(folder) == 0;
}

// The pictures folder of the floors, held open across their captures.
class FloorFolder {
 public:
  FloorFolder() : path_(pictureFolder().toStdString()), fd_(::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
  ~FloorFolder() {
    ::close(fd_);
    fs::remove_all(path_);
  }
  FloorFolder(const FloorFolder&) = delete;
  FloorFolder& operator=(const FloorFolder&) = delete;
  int fd() const { return fd_; }

 private:
  std::string path_;
  int fd_;
};

// F12 to JPEG at the least: the camera's JPEG file made from the frame (the
// standard tables and a JFIF header put in, no decode, no encode), then the
// file steps.
void FloorCameraJpeg(benchmark::State& state) {
  const QSize size(int(state.range(0)), int(state.range(1)));
  const capture_test::Bytes frame = capture_test::cameraFrame(size);
  FloorFolder folder;
  for (auto _ : state) {
    const auto file = capture::cameraJpegFile(frame.data(), frame.size(), size, capture::kFrameJpegDpi);
    const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&file);
    if (!bytes || !durableFile(folder.fd(), bytes->data(), bytes->size(), "MOR0001.jpg")) {
      state.SkipWithError("the floor's file was not written");
      break;
    }
    state.PauseTiming();
    state.counters["bytes"] = double(bytes->size());
    ::unlinkat(folder.fd(), "MOR0001.jpg", 0);
    state.ResumeTiming();
  }
}

// F12 to a bitmap at the least: the whole frame decoded by TurboJPEG into
// the program's frame pixels (BGRX), repacked into a bitmap file (header,
// rows bottom first, B, G, R, padded to 4 bytes), then the file steps.
void FloorDecodeBmp(benchmark::State& state) {
  const QSize size(int(state.range(0)), int(state.range(1)));
  const capture_test::Bytes frame = capture_test::cameraFrame(size);
  const auto width = std::size_t(size.width()), height = std::size_t(size.height());
  const std::size_t row = (width * 3 + 3) / 4 * 4;
  // Both held across captures, as the program's allocator keeps such buffers.
  std::vector<std::uint8_t> pixels(width * 4 * height);
  std::vector<std::uint8_t> bmp(54 + row * height);
  tjhandle handle = tjInitDecompress();
  FloorFolder folder;
  for (auto _ : state) {
    if (tjDecompress2(handle, frame.data(), frame.size(), pixels.data(), size.width(), 0, size.height(), TJPF_BGRX,
                      0) != 0) {
      state.SkipWithError("the frame did not decode");
      break;
    }
    auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
      for (int i = 0; i < bytes; ++i) bmp[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
    };
    bmp[0] = 'B', bmp[1] = 'M';
    put(2, std::uint32_t(bmp.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, std::uint32_t(width), 4);
    put(22, std::uint32_t(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, std::uint32_t(row * height), 4);
    put(38, 3780, 4);  // 96 dots an inch
    put(42, 3780, 4);
    for (std::size_t y = 0; y < height; ++y) {
      const std::uint8_t* from = pixels.data() + (height - 1 - y) * width * 4;
      std::uint8_t* to = bmp.data() + 54 + y * row;
      std::size_t x = 0;
      // Four pixels (16 bytes) into 12 at a time.
      for (; x + 4 <= width; x += 4, from += 16, to += 12) {
        std::uint32_t p[4], packed[3];
        std::memcpy(p, from, 16);
        packed[0] = (p[0] & 0xFFFFFF) | p[1] << 24;
        packed[1] = (p[1] >> 8 & 0xFFFF) | p[2] << 16;
        packed[2] = (p[2] >> 16 & 0xFF) | p[3] << 8;
        std::memcpy(to, packed, 12);
      }
      for (; x < width; ++x, from += 4, to += 3) std::memcpy(to, from, 3);
    }
    if (!durableFile(folder.fd(), bmp.data(), bmp.size(), "MOR0001.bmp")) {
      state.SkipWithError("the floor's file was not written");
      break;
    }
    state.PauseTiming();
    state.counters["bytes"] = double(bmp.size());
    ::unlinkat(folder.fd(), "MOR0001.bmp", 0);
    state.ResumeTiming();
  }
  tjDestroy(handle);
}

void Captures(benchmark::internal::Benchmark* b) {
  b->Args({1920, 1080})->Args({3264, 2448})->Unit(benchmark::kMillisecond)->MinTime(1.0);
}

BENCHMARK(F12Jpeg)->Apply(Captures);
BENCHMARK(FloorCameraJpeg)->Apply(Captures);
BENCHMARK(F12Bmp)->Apply(Captures);
BENCHMARK(FloorDecodeBmp)->Apply(Captures);

}  // namespace
