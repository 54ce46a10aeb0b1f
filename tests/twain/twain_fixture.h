#pragma once
// A scanner window loaded the way the controller loads it, with SANE's test
// backend as the only scanner and fresh private settings and pictures.

#include <gtest/gtest.h>

#include <QDialog>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <ostream>

#include "support/test_env.h"
#include "twain/Form2.h"

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace twain_testing {

inline const QString kFeeder = "Automatic Document Feeder";
inline const QSize kPage(590, 590);  // the test backend's whole area, 200 x 200 mm, at 75 dpi

class TwainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Stores the "Path" setting as the live window would have left it.
  static void storePath(const QString& path);
  static QString storedPath();
  static void chooseSource(const QString& device, const QString& source);

  twain::Form2& load();
  twain::Form2& window();
  QString label();
  // Files (hidden ones too) in the scan folder, sorted.
  QStringList files() const;
  QString path(const QString& name) const { return dir + "/" + name; }

  // Answers the scan prompt: `scanning` pages, then "Done". `during` runs
  // inside each prompt, before it is answered.
  void answerPrompts(int scanning, std::function<void(int prompt)> during = {});

  testing_support::FakeDialogs dialogs;
  QString dir;
};

// Pixel size of a picture file as Qt's reader sees it, and its format.
QSize pictureSize(const QString& path);
QByteArray pictureFormat(const QString& path);
// Pages of a PDF file and the pixel size of its (only) image, read with
// poppler's tools.
int pdfPages(const QString& path);
QSize pdfImageSize(const QString& path);
QByteArray contents(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

}  // namespace twain_testing
