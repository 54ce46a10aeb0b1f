// F12 from the live window to the final file, for each format and four frame
// sizes, side by side with each format's floor and with external tools on
// the same frame.
//
// The floor is the least a durable new file of that content needs that
// never replaces another:
//   1. encode: the frame encoded once from its own Format_RGB32 pixels
//      (JPEG: tjCompress2 from TJPF_BGRX rows at the program's quality and
//      subsampling; BMP: repacked once into the file's bottom-up BGR rows;
//      PDF: that JPEG on one libharu page of the frame's size);
//   2. create: open(O_CREAT | O_EXCL) of a temporary in the folder;
//   3. write: one write() of the whole file, then one fdatasync();
//   4. name: one renameat2(RENAME_NOREPLACE) to the final name, then one
//      fsync() of the folder.
// CPU time is the process's, so that any thread's work counts.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <hpdf.h>
#include <stdio.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "pattern_catalog.h"
#include "app/Public.h"
#include "app/forms.h"
#include "app/settings_values.h"
#include "bench_env.h"
#include "live/form1.h"
#include "platform/capture/capture_window.h"
#include "platform/capture/catalog.h"
#include "platform/capture/dib.h"
#include "platform/capture/test_pattern.h"
#include "platform/pictures/jpeg_write.h"
#include "platform/runtime/dialogs.h"
#include "platform/runtime/program.h"

namespace {

const std::vector<QSize> kSizes{{640, 480}, {1280, 960}, {1920, 1080}, {3840, 2160}};

// The test pattern at any size, a frame every half second: the benchmark
// never lets the event loop run while it measures, so the rate only
// matters while the window waits for its first frame.
class SizedPattern final : public capture::CaptureDevice {
 public:
  SizedPattern() {
    timer_.setInterval(500);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { deliver(); });
  }
  QString name() const override { return QStringLiteral("Test pattern"); }
  capture::DeviceError start(capture::DeviceSink& sink) override {
    sink_ = &sink;
    timer_.start();
    QTimer::singleShot(0, &timer_, [this] { deliver(); });
    return capture::DeviceError::None;
  }
  void stop() override {
    timer_.stop();
    sink_ = nullptr;
  }
  bool running() const override { return sink_ != nullptr; }
  QSize frameSize() const override { return size_; }
  std::vector<QSize> frameSizes(std::uint32_t) override { return kSizes; }
  capture::DeviceError setFormat(QSize size, std::uint32_t) override {
    size_ = size;
    return capture::DeviceError::None;
  }
  std::vector<capture::Control> controls() override { return {}; }
  bool setControl(std::uint32_t, int) override { return false; }

 private:
  void deliver() {
    if (sink_)
      sink_->frameReady(capture::renderTestPattern(size_, capture::Pattern::ColourBars, 0, frame_++,
                                                   QDateTime::currentDateTime()));
  }
  QTimer timer_;
  capture::DeviceSink* sink_ = nullptr;
  QSize size_{640, 480};
  std::uint64_t frame_ = 0;
};

// A failed capture must not wait for someone to close a message box.
struct Unattended final : rt::Dialogs {
  int messageBox(const QString& prompt, int, const QString&) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(prompt));
    failures++;
    return rt::vbOK;
  }
  int runModal(QDialog&) override { return 0; }
  int failures = 0;
};

Unattended unattended;
capture_test::PatternOnly<SizedPattern> catalog;
QString picturesFolder;

QSize sizeOf(const benchmark::State& state) { return {int(state.range(0)), int(state.range(1))}; }

capture::CaptureWindow* captureWindow() {
  return dynamic_cast<capture::CaptureWindow*>(win::widgetOf(app::AppState.hCapWnd));
}

// The live window showing the pattern at `size`, with a frame ready.
live::form1& liveWindowAt(QSize size) {
  static QSize current;
  if (current != size) {
    app::UnloadAll();
    capture::rememberFormat(capture::kTestPatternKey, {size, 0});
    app::form1.Show();
    QElapsedTimer waited;
    waited.start();
    while ((!captureWindow() || captureWindow()->newestFrame().size() != size) && waited.elapsed() < 20000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    current = size;
  }
  return static_cast<live::form1&>(app::form1.get());
}

QImage frameAt(QSize size) {
  liveWindowAt(size);
  return captureWindow() ? captureWindow()->newestFrame() : QImage();
}

std::string fileName(const benchmark::State& state, const char* stem, const char* ext) {
  return (picturesFolder + QString("/%1-%2.%3").arg(stem).arg(state.range(0)).arg(ext)).toStdString();
}

void Capture(benchmark::State& state, const QString& ext) {
  live::form1& window = liveWindowAt(sizeOf(state));
  if (captureWindow() == nullptr || captureWindow()->newestFrame().size() != sizeOf(state)) {
    state.SkipWithError("no frame of that size");
    return;
  }
  const QString start = picturesFolder + "/MOR0000" + ext;
  const QString written = picturesFolder + "/MOR0001" + ext;
  for (auto _ : state) {
    state.PauseTiming();
    QFile::remove(written);
    app::AppState.FilePath = start;
    app::AppState.FileExt = ext;
    app::AppState.FileCounter = "0000";
    app::AppState.BasePath = start.left(start.size() - 4);
    state.ResumeTiming();
    window.mnuCapFrame_Click();
  }
  const qint64 bytes = QFileInfo(written).size();
  if (unattended.failures > 0 || bytes == 0) state.SkipWithError("capture failed");
  state.counters["bytes"] = double(bytes);
}
void CaptureBmp(benchmark::State& state) { Capture(state, ".bmp"); }
void CaptureJpeg(benchmark::State& state) { Capture(state, ".jpg"); }
void CapturePdf(benchmark::State& state) { Capture(state, ".pdf"); }

// Floor steps 2 to 4 for `bytes`, ending as `name` in the folder.
bool createWriteAndName(int folder, const std::uint8_t* bytes, std::size_t size, const char* name) {
  static const char kTemporary[] = ".floor-temporary";
  const int fd = ::openat(folder, kTemporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = ::write(fd, bytes, size) == ssize_t(size) && ::fdatasync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok) {
    ::unlinkat(folder, kTemporary, 0);
    return false;
  }
  return ::renameat2(folder, kTemporary, folder, name, RENAME_NOREPLACE) == 0 && ::fsync(folder) == 0;
}

class TjCompressor {
 public:
  TjCompressor() : handle_(tjInitCompress()) {}
  ~TjCompressor() { tjDestroy(handle_); }
  TjCompressor(const TjCompressor&) = delete;
  TjCompressor& operator=(const TjCompressor&) = delete;
  // Floor step 1 for JPEG: the frame's own rows; false when it fails.
  bool encode(const QImage& frame) {
    tjFree(jpeg);
    jpeg = nullptr;
    return tjCompress2(handle_, frame.constBits(), frame.width(), int(frame.bytesPerLine()), frame.height(),
                       TJPF_BGRX, &jpeg, &size, TJSAMP_420, pictures::kJpegQuality, 0) == 0;
  }
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;

 private:
  tjhandle handle_;
};

// Floor step 1 for BMP: file and info headers, then the rows bottom first
// as blue, green, red, each padded to four bytes.
void repackBmp(const QImage& frame, std::vector<std::uint8_t>& out) {
  const int w = frame.width(), h = frame.height();
  const std::size_t stride = (std::size_t(w) * 3 + 3) / 4 * 4;
  const std::size_t pixels = stride * std::size_t(h);
  out.assign(54 + pixels, 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(out.data() + at, &v, 4); };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, std::uint32_t(out.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, std::uint32_t(w));
  put32(22, std::uint32_t(h));
  out[26] = 1;
  out[28] = 24;
  put32(34, std::uint32_t(pixels));
  for (int y = 0; y < h; ++y) {
    const auto* in = reinterpret_cast<const std::uint32_t*>(frame.constScanLine(y));
    std::uint8_t* row = out.data() + 54 + std::size_t(h - 1 - y) * stride;
    for (int x = 0; x < w; ++x, row += 3) {
      row[0] = std::uint8_t(in[x]);
      row[1] = std::uint8_t(in[x] >> 8);
      row[2] = std::uint8_t(in[x] >> 16);
    }
  }
}

void HPDF_STDCALL noteError(HPDF_STATUS, HPDF_STATUS, void* failed) { *static_cast<bool*>(failed) = true; }

// Floor step 1 for PDF: the JPEG on one page of the frame's size at 96 dpi,
// the document saved to memory and read out.
bool pdfPage(const std::uint8_t* jpeg, std::size_t size, QSize frame, std::vector<std::uint8_t>& out) {
  bool failed = false;
  HPDF_Doc doc = HPDF_New(noteError, &failed);
  if (doc == nullptr) return false;
  HPDF_Image image = HPDF_LoadJpegImageFromMem(doc, jpeg, HPDF_UINT(size));
  HPDF_Page page = HPDF_AddPage(doc);
  const auto w = HPDF_REAL(frame.width() * 72.0 / 96.0), h = HPDF_REAL(frame.height() * 72.0 / 96.0);
  HPDF_Page_SetWidth(page, w);
  HPDF_Page_SetHeight(page, h);
  HPDF_Page_DrawImage(page, image, 0, 0, w, h);
  HPDF_SaveToStream(doc);
  out.resize(HPDF_GetStreamSize(doc));
  HPDF_UINT32 got = HPDF_UINT32(out.size());
  HPDF_ResetStream(doc);
  HPDF_ReadFromStream(doc, out.data(), &got);
  HPDF_Free(doc);
  return !failed && got == out.size();
}

enum class Kind { Bmp, Jpeg, Pdf };

void Floor(benchmark::State& state, Kind kind) {
  const QImage frame = frameAt(sizeOf(state));
  const int folder = ::open(picturesFolder.toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const char* name = kind == Kind::Bmp ? "floor.bmp" : kind == Kind::Jpeg ? "floor.jpg" : "floor.pdf";
  TjCompressor tj;
  std::vector<std::uint8_t> file;
  std::size_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ::unlinkat(folder, name, 0);
    state.ResumeTiming();
    bool ok = true;
    const std::uint8_t* data = nullptr;
    if (kind == Kind::Bmp) {
      repackBmp(frame, file);
      data = file.data();
      bytes = file.size();
    } else {
      ok = tj.encode(frame);
      data = tj.jpeg;
      bytes = tj.size;
      if (ok && kind == Kind::Pdf) {
        ok = pdfPage(tj.jpeg, tj.size, frame.size(), file);
        data = file.data();
        bytes = file.size();
      }
    }
    if (!ok || !createWriteAndName(folder, data, bytes, name)) state.SkipWithError("floor failed");
  }
  ::close(folder);
  state.counters["bytes"] = double(bytes);
}
void FloorBmp(benchmark::State& state) { Floor(state, Kind::Bmp); }
void FloorJpeg(benchmark::State& state) { Floor(state, Kind::Jpeg); }
void FloorPdf(benchmark::State& state) { Floor(state, Kind::Pdf); }

void Command(benchmark::State& state, const std::string& command, const std::string& output) {
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError(command.c_str());
  state.counters["bytes"] = double(QFileInfo(QString::fromStdString(output)).size());
}

// A bitmap of the frame to JPEG, unflushed: a tool's whole run.
void ExternalCjpeg(benchmark::State& state) {
  const std::string bitmap = fileName(state, "frame", "bmp"), out = fileName(state, "cjpeg", "jpg");
  QFile::remove(QString::fromStdString(bitmap));
  capture::saveDib(frameAt(sizeOf(state)), bitmap);
  Command(state, "cjpeg -quality " + std::to_string(pictures::kJpegQuality) + " -outfile " + out + " " + bitmap, out);
}

// A JPEG of the frame into a PDF, unflushed.
void ExternalImg2pdf(benchmark::State& state) {
  const std::string jpeg = fileName(state, "frame", "jpg"), out = fileName(state, "img2pdf", "pdf");
  frameAt(sizeOf(state)).save(QString::fromStdString(jpeg), "JPG", pictures::kJpegQuality);
  Command(state, "img2pdf -o " + out + " " + jpeg, out);
}

// What every capture does after its file: the new Path stored, atomically
// but without a flush.
void StorePath(benchmark::State& state) {
  int counter = 0;
  for (auto _ : state)
    app::StorePath(picturesFolder + QString("/MOR%1.jpg").arg(++counter % 10000, 4, 10, QChar('0')),
                   rt::Durability::Later);
}

void Frames(benchmark::internal::Benchmark* b) {
  for (const QSize size : kSizes) b->Args({size.width(), size.height()});
  b->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
}

// Each capture beside its floor, so that both see the same load.
BENCHMARK(FloorBmp)->Apply(Frames);
BENCHMARK(CaptureBmp)->Apply(Frames);
BENCHMARK(FloorJpeg)->Apply(Frames);
BENCHMARK(CaptureJpeg)->Apply(Frames);
BENCHMARK(FloorPdf)->Apply(Frames);
BENCHMARK(CapturePdf)->Apply(Frames);
BENCHMARK(ExternalCjpeg)->Apply(Frames);
BENCHMARK(ExternalImg2pdf)->Apply(Frames);
BENCHMARK(StorePath)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void printRatios(const bench::Collector& c) {
  std::printf(
      "\nOurs (F12, mnuCapFrame_Click) against the floor: encode once from the frame's pixels + "
      "open(O_CREAT|O_EXCL) temporary + write + fdatasync + renameat2(RENAME_NOREPLACE) + fsync(folder)\n");
  std::printf("%-10s %9s %9s %10s %10s %9s %9s %11s %12s\n", "frame", "bmp wall", "bmp cpu", "jpeg wall",
              "jpeg cpu", "pdf wall", "pdf cpu", "cjpeg/jpeg", "img2pdf/pdf");
  for (const QSize size : kSizes) {
    const std::string args = "/" + std::to_string(size.width()) + "/" + std::to_string(size.height());
    auto wall = [&](const char* ours, const char* floor) { return bench::ratio(c.real(ours + args), c.real(floor + args)); };
    auto cpu = [&](const char* ours, const char* floor) { return bench::ratio(c.cpu(ours + args), c.cpu(floor + args)); };
    std::printf("%-10s %9.2f %9.2f %10.2f %10.2f %9.2f %9.2f %11.2f %12.2f\n", args.substr(1).c_str(),
                wall("CaptureBmp", "FloorBmp"), cpu("CaptureBmp", "FloorBmp"), wall("CaptureJpeg", "FloorJpeg"),
                cpu("CaptureJpeg", "FloorJpeg"), wall("CapturePdf", "FloorPdf"), cpu("CapturePdf", "FloorPdf"),
                wall("ExternalCjpeg", "CaptureJpeg"), wall("ExternalImg2pdf", "CapturePdf"));
  }
  std::printf("Storing Path, part of every capture: %.3f ms wall, %.3f ms CPU\n", c.real("StorePath"), c.cpu("StorePath"));
}

}  // namespace

int main(int argc, char** argv) {
  bench::startLikeTheProgram();
  // A private home: the program's settings and pictures stay out of the user's.
  QTemporaryDir home;
  bench::usePrivateHome(home.path());
  QApplication application(argc, argv);
  picturesFolder = home.path() + "/Pictures";
  QDir().mkpath(picturesFolder);
  rt::setDialogs(&unattended);
  rt::setEndHandler([] { throw std::runtime_error("the program ended"); });
  capture::setDeviceCatalog(&catalog);
  app::form1.setFactory([] { return std::make_unique<live::form1>(); });

  benchmark::Initialize(&argc, argv);
  bench::Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  printRatios(collector);
  app::UnloadAll();
  capture::setDeviceCatalog(nullptr);
  rt::setDialogs(nullptr);
  benchmark::Shutdown();
  return 0;
}
