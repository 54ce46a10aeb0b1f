#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/scan/image_files.h"
#include "support/test_env.h"

namespace {

using Writer = std::int32_t (*)(std::int32_t, const char*);
const struct {
  const char* ext;
  Writer write;
} kWriters[] = {{"bmp", DIB_WriteToBmp}, {"jpg", DIB_WriteToJpeg}, {"pdf", DIB_WriteToPdf}};

// A smooth picture, like a camera frame, so JPEG stays close to it.
scan::Image gradient(int w, int h, int channels, double dpi) {
  scan::Image image = scan::blankImage(w, h, channels);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * w + x) * channels];
      p[0] = static_cast<std::uint8_t>(x * 255 / w);
      if (channels == 3) {
        p[1] = static_cast<std::uint8_t>(y * 255 / h);
        p[2] = 160;
      }
    }
  image.xDpi = image.yDpi = dpi;
  return image;
}

QByteArray contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeText(const QString& path, const QByteArray& text) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text);
}

// A bitmap file on disk and a fresh handle to its picture.
std::int32_t loadedHandle(const scan::Image& image, const QString& dir) {
  const std::string path = (dir + "/source.bmp").toStdString();
  if (!scan::writeBmp(image, path, files::Commit::Replace)) return 0;
  return TWAIN_LoadNativeFromFilename(path.c_str());
}

struct ToolRun {
  int exitCode;
  QString output;
};
ToolRun run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(120000)) return {-1, {}};
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput())};
}

double meanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(int{a[i]} - int{b[i]});
  return sum / static_cast<double>(a.size());
}

TEST(LoadNative, ReadsBitmapsQtWroteToTheSamePixels) {
  const QString dir = testing_support::freshDir("qt");
  QImage colour(37, 21, QImage::Format_RGB32);
  for (int y = 0; y < colour.height(); ++y)
    for (int x = 0; x < colour.width(); ++x) colour.setPixel(x, y, qRgb(x * 7, y * 12, (x * y) % 256));
  const QImage kinds[] = {colour, colour.convertToFormat(QImage::Format_Indexed8),
                          colour.convertToFormat(QImage::Format_Mono), colour.convertToFormat(QImage::Format_Grayscale8)};
  for (const QImage& qt : kinds) {
    SCOPED_TRACE(qt.format());
    const QString path = dir + "/qt.bmp";
    ASSERT_TRUE(qt.save(path, "BMP"));
    const std::int32_t handle = TWAIN_LoadNativeFromFilename(path.toLocal8Bit().constData());
    ASSERT_NE(handle, 0);
    auto image = scan::releaseImage(handle);
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->width, qt.width());
    ASSERT_EQ(image->height, qt.height());
    const QImage expected = QImage(path).convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < qt.height(); ++y)
      for (int x = 0; x < qt.width(); ++x) {
        const std::uint8_t* p = &image->pixels[(static_cast<std::size_t>(y) * image->width + x) * image->channels];
        const QRgb mine = image->channels == 1 ? qRgb(p[0], p[0], p[0]) : qRgb(p[0], p[1], p[2]);
        ASSERT_EQ(mine, expected.pixel(x, y)) << x << "," << y;
      }
  }
}

TEST(LoadNative, RefusedFilesGiveNoHandleAndWritersThenLeaveTheTargetAlone) {
  const QString dir = testing_support::freshDir("refused");
  writeText(dir + "/empty.bmp", "");
  writeText(dir + "/text.bmp", "BM but not really a bitmap at all, just some words");
  ASSERT_TRUE(scan::writeBmp(gradient(8, 8, 3, 0), (dir + "/whole.bmp").toStdString(), files::Commit::Replace));
  QByteArray whole = contents(dir + "/whole.bmp");
  writeText(dir + "/short.bmp", whole.left(whole.size() - 30));
  QDir().mkdir(dir + "/folder.bmp");

  const QString target = dir + "/target.jpg";
  writeText(target, "keep");
  const std::size_t held = scan::heldImageCount();
  for (const char* name : {"missing.bmp", "folder.bmp", "empty.bmp", "text.bmp", "short.bmp"}) {
    const std::int32_t handle = TWAIN_LoadNativeFromFilename((dir + "/" + name).toLocal8Bit().constData());
    EXPECT_EQ(handle, 0) << name;
    for (const auto& w : kWriters) EXPECT_NE(w.write(handle, target.toLocal8Bit().constData()), 0) << name;
  }
  EXPECT_EQ(TWAIN_LoadNativeFromFilename(nullptr), 0);
  EXPECT_EQ(TWAIN_LoadNativeFromFilename(""), 0);
  EXPECT_EQ(contents(target), "keep");
  EXPECT_EQ(scan::heldImageCount(), held);
}

TEST(Writers, BmpAndJpegDecodeToTheSamePicture) {
  const QString dir = testing_support::freshDir("roundtrip");
  for (int channels : {1, 3}) {
    for (double dpi : {0.0, 300.0}) {
      SCOPED_TRACE(testing::Message() << channels << " channels, " << dpi << " dpi");
      const scan::Image source = gradient(161, 97, channels, dpi);
      const QString bmp = dir + "/out.bmp", jpg = dir + "/out.jpg";
      ASSERT_EQ(DIB_WriteToBmp(loadedHandle(source, dir), bmp.toLocal8Bit().constData()), scan::kWriteOk);
      ASSERT_EQ(DIB_WriteToJpeg(loadedHandle(source, dir), jpg.toLocal8Bit().constData()), scan::kWriteOk);

      QImage qt(bmp);
      ASSERT_FALSE(qt.isNull());
      EXPECT_EQ(qt.isGrayscale(), channels == 1);
      if (dpi > 0) {
        EXPECT_EQ(qt.dotsPerMeterX(), 11811);
      }
      const QByteArray bmpBytes = contents(bmp);
      auto back = scan::decodeBmp(reinterpret_cast<const std::uint8_t*>(bmpBytes.constData()), static_cast<std::size_t>(bmpBytes.size()));
      ASSERT_TRUE(back.has_value());
      EXPECT_EQ(back->xDpi, dpi);
      EXPECT_EQ(back->channels, channels);
      const QImage rgb = qt.convertToFormat(channels == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
      for (int y = 0; y < source.height; ++y)
        ASSERT_TRUE(std::equal(source.pixels.begin() + static_cast<std::ptrdiff_t>(y * source.rowBytes()),
                               source.pixels.begin() + static_cast<std::ptrdiff_t>((y + 1) * source.rowBytes()),
                               rgb.constScanLine(y)))
            << "row " << y;

      const QByteArray jpeg = contents(jpg);
      auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
      tjhandle tj = tjInitDecompress();
      int w = 0, h = 0, subsampling = -1, colourspace = -1;
      ASSERT_EQ(tjDecompressHeader3(tj, data, static_cast<unsigned long>(jpeg.size()), &w, &h, &subsampling, &colourspace), 0);
      EXPECT_EQ(w, source.width);
      EXPECT_EQ(h, source.height);
      EXPECT_EQ(subsampling, channels == 1 ? TJSAMP_GRAY : TJSAMP_420);
      std::vector<std::uint8_t> decoded(source.pixels.size());
      ASSERT_EQ(tjDecompress2(tj, data, static_cast<unsigned long>(jpeg.size()), decoded.data(), w, 0, h,
                              channels == 1 ? TJPF_GRAY : TJPF_RGB, 0), 0);
      tjDestroy(tj);
      EXPECT_LT(meanDifference(decoded, source.pixels), 2.0);
      // JFIF density: units (1 = dots per inch), then x and y.
      EXPECT_EQ(jpeg.mid(13, 5), dpi > 0 ? QByteArray("\x01\x01\x2c\x01\x2c", 5) : QByteArray("\x00\x00\x01\x00\x01", 5));
    }
  }
}

TEST(Writers, PdfIsTheJpegOnAPageOfThePicturesPhysicalSize) {
  const QString dir = testing_support::freshDir("pdf");
  const struct {
    double recordedDpi, layoutDpi, pageWidth, pageHeight;
  } cases[] = {{0, 96, 180, 135}, {300, 300, 57.6, 43.2}};
  for (const auto& c : cases) {
    for (int channels : {1, 3}) {
      SCOPED_TRACE(testing::Message() << channels << " channels, " << c.recordedDpi << " dpi");
      const scan::Image source = gradient(240, 180, channels, c.recordedDpi);
      const QString pdf = dir + "/out.pdf";
      ASSERT_EQ(DIB_WriteToPdf(loadedHandle(source, dir), pdf.toLocal8Bit().constData()), scan::kWriteOk);

      EXPECT_EQ(run("qpdf", {"--check", pdf}).exitCode, 0);
      const ToolRun info = run("pdfinfo", {pdf});
      ASSERT_EQ(info.exitCode, 0);
      auto m = QRegularExpression(R"(Page size:\s+([\d.]+) x ([\d.]+) pts)").match(info.output);
      ASSERT_TRUE(m.hasMatch()) << info.output.toStdString();
      EXPECT_NEAR(m.captured(1).toDouble(), c.pageWidth, 0.01);
      EXPECT_NEAR(m.captured(2).toDouble(), c.pageHeight, 0.01);
      EXPECT_TRUE(info.output.contains(QRegularExpression(R"(Pages:\s+1\n)")));

      ASSERT_EQ(run("pdftoppm", {"-r", QString::number(c.layoutDpi), "-png", "-singlefile", pdf, dir + "/page"}).exitCode, 0);
      QImage page(dir + "/page.png");
      EXPECT_EQ(page.size(), QSize(source.width, source.height));

      // The picture is the JPEG as it is, plus a small wrapper.
      auto jpeg = scan::encodeJpeg(source);
      ASSERT_TRUE(jpeg.has_value());
      const QByteArray file = contents(pdf);
      const QByteArray embedded(reinterpret_cast<const char*>(jpeg->data()), static_cast<qsizetype>(jpeg->size()));
      EXPECT_TRUE(file.contains(embedded));
      EXPECT_LT(file.size() - embedded.size(), 2048);
    }
  }
}

TEST(Writers, AHandleIsGoodForOneWriteOnly) {
  const QString dir = testing_support::freshDir("handles");
  const std::size_t held = scan::heldImageCount();
  for (const auto& w : kWriters) {
    SCOPED_TRACE(w.ext);
    const QString target = dir + "/once." + w.ext;
    const std::int32_t handle = loadedHandle(gradient(16, 16, 3, 0), dir);
    ASSERT_NE(handle, 0);
    ASSERT_EQ(w.write(handle, target.toLocal8Bit().constData()), scan::kWriteOk);
    const QByteArray first = contents(target);
    EXPECT_EQ(w.write(handle, target.toLocal8Bit().constData()), scan::kBadHandle);
    EXPECT_EQ(DIB_Free(handle), scan::kBadHandle);
    EXPECT_EQ(contents(target), first);

    // A failed write uses the handle up as well.
    const std::int32_t failing = loadedHandle(gradient(16, 16, 3, 0), dir);
    EXPECT_EQ(w.write(failing, (dir + "/no/such/folder/x").toLocal8Bit().constData()), scan::kWriteFailed);
    EXPECT_EQ(w.write(failing, target.toLocal8Bit().constData()), scan::kBadHandle);

    const std::int32_t unused = loadedHandle(gradient(16, 16, 3, 0), dir);
    EXPECT_EQ(w.write(unused, nullptr), scan::kBadPath);
    EXPECT_EQ(DIB_Free(unused), scan::kBadHandle);
    for (std::int32_t never : {0, -1, INT_MAX, INT_MIN, unused + 1000}) {
      EXPECT_EQ(w.write(never, target.toLocal8Bit().constData()), scan::kBadHandle) << never;
    }
    EXPECT_EQ(contents(target), first);
  }
  EXPECT_EQ(DIB_Free(loadedHandle(gradient(4, 4, 1, 0), dir)), scan::kWriteOk);
  EXPECT_EQ(scan::heldImageCount(), held);
}

TEST(Writers, AFailedWriteLeavesNothingBehindAndKeepsTheOldFile) {
  const QString dir = testing_support::freshDir("failing");
  QDir().mkdir(dir + "/taken");
  writeText(dir + "/old.bmp", "old picture");
  const scan::Image good = gradient(8, 8, 3, 0);
  scan::Image broken = good;
  broken.pixels.pop_back();
  using Direct = bool (*)(const scan::Image&, const std::string&, files::Commit);
  for (Direct write : {Direct{scan::writeBmp}, Direct{scan::writeJpeg}, Direct{scan::writePdf}}) {
    EXPECT_FALSE(write(good, (dir + "/missing/x").toStdString(), files::Commit::Replace));
    EXPECT_FALSE(write(good, (dir + "/taken").toStdString(), files::Commit::Replace));
    EXPECT_FALSE(write(broken, (dir + "/old.bmp").toStdString(), files::Commit::Replace));
    EXPECT_FALSE(write(good, (dir + "/old.bmp").toStdString(), files::Commit::NoReplace));
  }
  for (const auto& w : kWriters) EXPECT_NE(w.write(loadedHandle(good, dir), (dir + "/taken").toLocal8Bit().constData()), 0);
  EXPECT_TRUE(QFileInfo(dir + "/taken").isDir());
  EXPECT_EQ(contents(dir + "/old.bmp"), "old picture");
  EXPECT_EQ(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            (QStringList{"old.bmp", "source.bmp", "taken"}));
}

TEST(PdfPageSize, IsThePhysicalSizeWithinWhatReadersAccept) {
  const double nan = std::nan("");
  const struct {
    int w, h;
    double xDpi, yDpi, pageW, pageH;
  } cases[] = {
      {2480, 3508, 300, 300, 595.2, 841.92},  // A4 scanned at 300 dpi
      {640, 480, 0, 0, 480, 360},             // no resolution: 96 dpi
      {640, 480, nan, -3, 480, 360},
      {600, 300, 150, 75, 288, 288},
      {40000, 200, 96, 96, 14400, 72},  // too wide: shrunk in proportion
      {1, 1, 300, 300, 3, 3},
  };
  for (const auto& c : cases) {
    const scan::PageSize page = scan::pdfPageSize(c.w, c.h, c.xDpi, c.yDpi);
    EXPECT_NEAR(page.width, c.pageW, 1e-6) << c.w << "x" << c.h;
    EXPECT_NEAR(page.height, c.pageH, 1e-6) << c.w << "x" << c.h;
  }
}

}  // namespace
