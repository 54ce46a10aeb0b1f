// Pages scanned with each mode, resolution and page size, written as BMP,
// JPEG and PDF the way the scanner window writes them, then read back with
// Qt's decoders and poppler's tools.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <cmath>

#include "faults/fault_backend.h"
#include "platform/runtime/settings.h"
#include "platform/scan/image_files.h"
#include "platform/scan/scanner.h"
#include "platform/scan/scanner_choice.h"
#include "sane_test_backend.h"
#include "support/test_env.h"

namespace {

using scan::ColourMode;

constexpr double kMmPerInch = 25.4;

struct FileCase {
  // "test": SANE's test backend with room for US Legal; "options": the fault
  // backend with a scanner's options (a list of resolutions, a mode of its
  // own for line art, an area in any fraction of a millimetre)
  const char* backend;
  ColourMode mode;
  int dpi;
  const char* page;
  double widthMm, heightMm;
};

std::string caseName(const FileCase& c) {
  std::string page = c.page;
  page.erase(std::remove_if(page.begin(), page.end(), [](char ch) { return !std::isalnum(ch); }), page.end());
  return std::string(c.backend) + "_" + scan::modeName(c.mode) + "_" + std::to_string(c.dpi) + "_" + page;
}

QString run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(120000)) return {};
  return QString::fromUtf8(p.readAllStandardOutput());
}

int bmpBitsPerPixel(const QString& path) {
  QFile f(path);
  const QByteArray head = f.open(QIODevice::ReadOnly) ? f.read(30) : QByteArray();
  return head.size() == 30 ? static_cast<unsigned char>(head[28]) | static_cast<unsigned char>(head[29]) << 8 : -1;
}

int dpiOf(const QImage& image) { return static_cast<int>(std::lround(image.dotsPerMeterX() * 0.0254)); }

class ScannedFiles : public ::testing::TestWithParam<FileCase> {
 protected:
  void SetUp() override {
    QImageReader::setAllocationLimit(0);  // a colour page at 600 dpi is over Qt's default
    QFile::remove(rt::SettingsFile("scanner"));
    TWAIN_SetAppTitle("Scanner");
    TWAIN_SuppressErrorMessages(0);
    TWAIN_SetMultiTransfer(1);
  }
  void TearDown() override { TWAIN_CloseSource(); }
  testing_support::FakeDialogs dialogs;
};

TEST_P(ScannedFiles, CarryTheirSizeComponentsAndResolutionInEveryFormat) {
  const FileCase& c = GetParam();
  const bool test = std::string(c.backend) == "test";
  const std::string device = test ? "test:0" : "vicfault:0";
  if (test) {
    scanner_testing::useTestBackend({"geometry_max 355.6"});
  } else {
    faults::useFaultBackend({"device options", "ok"});
  }
  ASSERT_TRUE(scan::storeChoice({device, "Automatic Document Feeder"}));
  ASSERT_TRUE(scan::storeSettings(device, {c.dpi, c.mode, c.page}));
  const QString dir = testing_support::freshDir("files");
  const QString bmp = dir + "/page.bmp", jpg = dir + "/page.jpg", pdf = dir + "/page.pdf";
  ASSERT_EQ(TWAIN_OpenDefaultSource(), 1);
  ASSERT_EQ(TWAIN_AcquireToFilename(0, bmp.toLocal8Bit()), 0);
  TWAIN_CloseSource();
  EXPECT_EQ(dialogs.modalCount, 0);  // a feeder never asks
  ASSERT_EQ(DIB_WriteToJpeg(TWAIN_LoadNativeFromFilename(bmp.toLocal8Bit()), jpg.toLocal8Bit()), 0);
  ASSERT_EQ(DIB_WriteToPdf(TWAIN_LoadNativeFromFilename(bmp.toLocal8Bit()), pdf.toLocal8Bit()), 0);

  const double width = c.widthMm / kMmPerInch * c.dpi, height = c.heightMm / kMmPerInch * c.dpi;
  const auto expectSize = [&](int w, int h, const char* format) {
    EXPECT_NEAR(w, width, 1.0) << format;
    EXPECT_NEAR(h, height, 1.0) << format;
  };
  const bool colour = c.mode == ColourMode::Color;

  const QImage fromBmp(bmp);
  ASSERT_FALSE(fromBmp.isNull());
  expectSize(fromBmp.width(), fromBmp.height(), "bmp");
  EXPECT_EQ(bmpBitsPerPixel(bmp), colour ? 24 : c.mode == ColourMode::Gray ? 8 : 1);
  EXPECT_EQ(dpiOf(fromBmp), c.dpi);

  const QImage fromJpeg(jpg, "jpeg");
  ASSERT_FALSE(fromJpeg.isNull());
  expectSize(fromJpeg.width(), fromJpeg.height(), "jpeg");
  EXPECT_EQ(fromJpeg.format(), colour ? QImage::Format_RGB32 : QImage::Format_Grayscale8);  // 3 or 1 components
  EXPECT_EQ(dpiOf(fromJpeg), c.dpi);

  // pdfimages: page num type width height color comp bpc enc interp object ID x-ppi y-ppi ...
  const QStringList images = run("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(images.size(), 3) << images.join('\n').toStdString();
  const QStringList f = images[2].split(' ', Qt::SkipEmptyParts);
  ASSERT_GE(f.size(), 14);
  expectSize(f[3].toInt(), f[4].toInt(), "pdf");
  EXPECT_EQ(f[5], colour ? "rgb" : "gray");
  EXPECT_EQ(f[6].toInt(), colour ? 3 : 1);
  EXPECT_EQ(f[7].toInt(), 8);
  EXPECT_EQ(f[12].toInt(), c.dpi);
  EXPECT_EQ(f[13].toInt(), c.dpi);
  // The page has the paper's size, to within a pixel.
  const auto page = QRegularExpression(R"(Page size:\s+([\d.]+) x ([\d.]+) pts)").match(run("pdfinfo", {pdf}));
  ASSERT_TRUE(page.hasMatch());
  EXPECT_NEAR(page.captured(1).toDouble(), c.widthMm / kMmPerInch * 72, 72.0 / c.dpi + 0.01);
  EXPECT_NEAR(page.captured(2).toDouble(), c.heightMm / kMmPerInch * 72, 72.0 / c.dpi + 0.01);
}

std::vector<FileCase> cases() {
  std::vector<FileCase> all;
  for (ColourMode mode : {ColourMode::Color, ColourMode::Gray, ColourMode::Lineart}) {
    for (int dpi : {75, 300, 600}) {
      all.push_back({"test", mode, dpi, "A4", 210.0, 297.0});
      // The test backend's area moves in whole millimetres.
      all.push_back({"test", mode, dpi, "US Letter", 216.0, 279.0});
    }
    all.push_back({"options", mode, 300, "A4", 210.0, 297.0});
    all.push_back({"options", mode, 600, "US Letter", 215.9, 279.4});
  }
  return all;
}

INSTANTIATE_TEST_SUITE_P(Settings, ScannedFiles, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return caseName(info.param); });

}  // namespace
