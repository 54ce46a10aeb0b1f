#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <climits>
#include <cmath>

#include "platform/pictures/picture_store.h"
#include "platform/scan/image_files.h"
#include "support/test_env.h"

namespace {

const struct {
  const char* ext;
  std::int32_t (*write)(std::int32_t, const char*);
} kWriters[] = {{"bmp", DIB_WriteToBmp}, {"jpg", DIB_WriteToJpeg}, {"pdf", DIB_WriteToPdf}};

// A smooth picture, like a camera frame, so JPEG stays close to it.
scan::Image gradient(int w, int h, int channels, double dpi) {
  scan::Image image = scan::blankImage(w, h, channels);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    const auto pixel = static_cast<int>(i) / channels;
    const int c = static_cast<int>(i) % channels;
    image.pixels[i] = static_cast<std::uint8_t>(c == 0 ? pixel % w * 255 / w : c == 1 ? pixel / w * 255 / h : 160);
  }
  image.xDpi = image.yDpi = dpi;
  return image;
}

QImage asQImage(const scan::Image& picture) {
  const auto image = scan::inLayout(picture, scan::Layout::TopDown);
  if (!image) return {};
  return QImage(image->pixels.data(), image->width, image->height, static_cast<qsizetype>(image->rowBytes()),
                image->channels == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888)
      .convertToFormat(QImage::Format_RGB888)
      .copy();
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

std::int32_t load(const QString& path) { return TWAIN_LoadNativeFromFilename(path.toLocal8Bit().constData()); }

// The picture written to a bitmap file in `dir`, and a fresh handle to it.
std::int32_t loadedHandle(const scan::Image& image, const QString& dir) {
  return scan::writeBmp(image, (dir + "/source.bmp").toStdString(), files::Commit::Replace) ? load(dir + "/source.bmp")
                                                                                             : 0;
}

std::pair<int, QString> run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(120000)) return {-1, {}};
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput())};
}

TEST(LoadNative, ReadsBitmapsQtWroteToTheSamePixels) {
  const QString path = testing_support::freshDir("qt") + "/qt.bmp";
  QImage colour(37, 21, QImage::Format_RGB32);
  for (int y = 0; y < colour.height(); ++y)
    for (int x = 0; x < colour.width(); ++x) colour.setPixel(x, y, qRgb(x * 7, y * 12, (x * y) % 256));
  for (auto format : {QImage::Format_RGB32, QImage::Format_Indexed8, QImage::Format_Mono, QImage::Format_Grayscale8}) {
    ASSERT_TRUE(colour.convertToFormat(format).save(path, "BMP"));
    auto image = scan::releaseImage(load(path));
    ASSERT_TRUE(image.has_value()) << format;
    EXPECT_EQ(asQImage(*image), QImage(path).convertToFormat(QImage::Format_RGB888)) << format;
  }
}

TEST(LoadNative, RefusedFilesGiveNoHandleAndWritersThenLeaveTheTargetAlone) {
  const QString dir = testing_support::freshDir("refused");
  writeText(dir + "/empty.bmp", "");
  writeText(dir + "/text.bmp", "BM but not really a bitmap at all, just some words");
  ASSERT_TRUE(scan::writeBmp(gradient(8, 8, 3, 0), (dir + "/whole.bmp").toStdString(), files::Commit::Replace));
  writeText(dir + "/short.bmp", contents(dir + "/whole.bmp").chopped(30));
  QDir().mkdir(dir + "/folder.bmp");
  writeText(dir + "/target.jpg", "keep");

  const std::size_t held = scan::heldImageCount();
  for (const char* name : {"missing.bmp", "folder.bmp", "empty.bmp", "text.bmp", "short.bmp"}) {
    const std::int32_t handle = load(dir + "/" + name);
    EXPECT_EQ(handle, 0) << name;
    for (const auto& w : kWriters) EXPECT_NE(w.write(handle, (dir + "/target.jpg").toLocal8Bit().constData()), 0);
  }
  EXPECT_EQ(TWAIN_LoadNativeFromFilename(nullptr), 0);
  EXPECT_EQ(TWAIN_LoadNativeFromFilename(""), 0);
  EXPECT_EQ(contents(dir + "/target.jpg"), "keep");
  EXPECT_EQ(scan::heldImageCount(), held);
}

TEST(LoadNative, APictureWrittenBackAsABitmapMakesTheSameFile) {
  const QString dir = testing_support::freshDir("back");
  const QString source = dir + "/source.bmp", copy = dir + "/copy.bmp";
  ASSERT_TRUE(scan::writeBmp(gradient(45, 31, 3, 96), source.toStdString(), files::Commit::NoReplace));
  ASSERT_EQ(DIB_WriteToBmp(load(source), copy.toLocal8Bit().constData()), scan::kWriteOk);
  EXPECT_EQ(contents(copy), contents(source));
}

// Both layouts of one picture encode to the very same JPEG.
TEST(Writers, JpegFromTheBitmapLayoutIsTheJpegOfThePicture) {
  for (int channels : {1, 3}) {
    for (int width : {1, 2, 3, 4, 161}) {
      SCOPED_TRACE(testing::Message() << channels << " channels, " << width << " wide");
      const scan::Image topDown = gradient(width, 9, channels, 0);
      const auto bitmap = scan::inLayout(topDown, scan::Layout::Bitmap);
      ASSERT_TRUE(bitmap.has_value());
      EXPECT_EQ(bitmap->pixels.size(), (static_cast<std::size_t>(width * channels) + 3) / 4 * 4 * 9);
      EXPECT_EQ(scan::encodeJpeg(*bitmap), scan::encodeJpeg(topDown));
      EXPECT_EQ(scan::inLayout(*bitmap, scan::Layout::TopDown)->pixels, topDown.pixels);
    }
  }
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

      const QImage qt(bmp);
      EXPECT_EQ(qt.isGrayscale(), channels == 1);
      EXPECT_EQ(qt.convertToFormat(QImage::Format_RGB888), asQImage(source));
      if (dpi > 0) {
        EXPECT_EQ(qt.dotsPerMeterX(), 11811);
      }
      auto reread = scan::releaseImage(load(bmp));
      ASSERT_TRUE(reread.has_value());
      EXPECT_EQ(reread->xDpi, dpi);

      const QByteArray jpeg = contents(jpg);
      const auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
      const auto size = static_cast<unsigned long>(jpeg.size());
      tjhandle tj = tjInitDecompress();
      int w = 0, h = 0, subsampling = -1, colourspace = -1;
      ASSERT_EQ(tjDecompressHeader3(tj, data, size, &w, &h, &subsampling, &colourspace), 0);
      EXPECT_EQ(QSize(w, h), QSize(source.width, source.height));
      EXPECT_EQ(subsampling, channels == 1 ? TJSAMP_GRAY : TJSAMP_420);
      std::vector<std::uint8_t> decoded(source.pixels.size());
      ASSERT_EQ(tjDecompress2(tj, data, size, decoded.data(), w, 0, h, channels == 1 ? TJPF_GRAY : TJPF_RGB, 0), 0);
      tjDestroy(tj);
      double error = 0;
      for (std::size_t i = 0; i < decoded.size(); ++i) error += std::abs(decoded[i] - source.pixels[i]);
      EXPECT_LT(error / static_cast<double>(decoded.size()), 2.0);
      // JFIF density: units (1 = dots per inch), then x and y.
      EXPECT_EQ(jpeg.mid(13, 5), dpi > 0 ? QByteArray("\x01\x01\x2c\x01\x2c", 5) : QByteArray("\x00\x00\x01\x00\x01", 5));
    }
  }
}

TEST(Writers, AFrameWrittenAsABitmapDecodesToItsPixels) {
  const QString dir = testing_support::freshDir("frames");
  // Widths around the four pixels the repacking takes at a time.
  for (int width : {1, 3, 4, 5, 37}) {
    QImage frame(width, 3, QImage::Format_RGB32);
    for (int y = 0; y < frame.height(); ++y)
      for (int x = 0; x < width; ++x) frame.setPixel(x, y, qRgb(x * 7 + y, 255 - x * 5, (x * 31 + y * 17) % 256));
    const QString path = dir + QString("/frame%1.bmp").arg(width);
    ASSERT_TRUE(pictures::storePicture(pictures::Frame{frame}, path.toStdString(), pictures::Format::Bmp).saved());
    EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32), frame) << width;
  }
}

TEST(Writers, PdfIsTheJpegOnAPageOfThePicturesPhysicalSize) {
  const QString dir = testing_support::freshDir("pdf"), pdf = dir + "/out.pdf";
  const struct {
    double recordedDpi, layoutDpi, pageWidth, pageHeight;
  } cases[] = {{0, 96, 180, 135}, {300, 300, 57.6, 43.2}};
  for (const auto& c : cases) {
    for (int channels : {1, 3}) {
      SCOPED_TRACE(testing::Message() << channels << " channels, " << c.recordedDpi << " dpi");
      const scan::Image source = gradient(240, 180, channels, c.recordedDpi);
      ASSERT_EQ(DIB_WriteToPdf(loadedHandle(source, dir), pdf.toLocal8Bit().constData()), scan::kWriteOk);

      EXPECT_EQ(run("qpdf", {"--check", pdf}).first, 0);
      const auto [status, info] = run("pdfinfo", {pdf});
      ASSERT_EQ(status, 0);
      auto m = QRegularExpression(R"(Page size:\s+([\d.]+) x ([\d.]+) pts)").match(info);
      ASSERT_TRUE(m.hasMatch()) << info.toStdString();
      EXPECT_NEAR(m.captured(1).toDouble(), c.pageWidth, 0.01);
      EXPECT_NEAR(m.captured(2).toDouble(), c.pageHeight, 0.01);
      EXPECT_TRUE(info.contains(QRegularExpression(R"(Pages:\s+1\n)")));

      const QStringList render = {"-r", QString::number(c.layoutDpi), "-png", "-singlefile", pdf, dir + "/page"};
      ASSERT_EQ(run("pdftoppm", render).first, 0);
      EXPECT_EQ(QImage(dir + "/page.png").size(), QSize(source.width, source.height));

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
  const scan::Image image = gradient(16, 16, 3, 0);
  for (const auto& w : kWriters) {
    SCOPED_TRACE(w.ext);
    const QByteArray target = (dir + "/once." + w.ext).toLocal8Bit();
    const std::int32_t handle = loadedHandle(image, dir);
    ASSERT_EQ(w.write(handle, target.constData()), scan::kWriteOk);
    const QByteArray first = contents(target);
    EXPECT_EQ(w.write(handle, target.constData()), scan::kBadHandle);
    EXPECT_EQ(DIB_Free(handle), scan::kBadHandle);

    // A failed write uses the handle up as well.
    const std::int32_t failing = loadedHandle(image, dir);
    EXPECT_EQ(w.write(failing, (dir + "/no/such/folder/x").toLocal8Bit().constData()), scan::kWriteFailed);
    EXPECT_EQ(w.write(failing, target.constData()), scan::kBadHandle);
    const std::int32_t unused = loadedHandle(image, dir);
    EXPECT_EQ(w.write(unused, nullptr), scan::kBadPath);
    EXPECT_EQ(w.write(unused, target.constData()), scan::kBadHandle);

    for (std::int32_t never : {0, -1, INT_MAX, INT_MIN, unused + 1000})
      EXPECT_EQ(w.write(never, target.constData()), scan::kBadHandle) << never;
    EXPECT_EQ(contents(target), first);
  }
  EXPECT_EQ(DIB_Free(loadedHandle(image, dir)), scan::kWriteOk);
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
  const struct {
    int w, h;
    double xDpi, yDpi, pageW, pageH;
  } cases[] = {
      {2480, 3508, 300, 300, 595.2, 841.92},  // A4 scanned at 300 dpi
      {640, 480, std::nan(""), -3, 480, 360},  // no usable resolution: 96 dpi
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
