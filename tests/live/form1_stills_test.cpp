#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <cstring>

#include "app/Public.h"
#include "app/forms.h"
#include "devices/AVICAP.h"
#include "live/capture_window.h"
#include "live/form1.h"
#include "platform/capture/capture_window.h"
#include "platform/capture/catalog.h"
#include "platform/capture/dib.h"
#include "platform/capture/test_pattern.h"
#include "platform/filedialog/open_file_name.h"
#include "platform/runtime/settings.h"
#include "support/test_env.h"

namespace {

using app::AppState;
using testing_support::picturesDir;

QString pictures(const QString& name) { return picturesDir() + "/" + name; }

void useName(const QString& path, const QString& counter) {
  AppState.FilePath = path;
  AppState.FileExt = path.right(4);
  AppState.FileCounter = counter;
  AppState.BasePath = path.left(path.size() - 4);
}

QString formatOf(const QString& path) {
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  return QString::fromLatin1(reader.format());
}

QSize sizeOf(const QString& path) {
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  return reader.read().size();
}

QByteArray contentOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "width height" of the one picture in a PDF, read by poppler.
QString pdfPicture(const QString& path) {
  QProcess p;
  p.start("pdfimages", {"-list", path});
  if (!p.waitForFinished(20000)) return "pdfimages failed";
  const QStringList lines = QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
  if (lines.size() != 3) return "not one picture";
  const QStringList fields = lines[2].simplified().split(' ');
  return fields.size() > 8 ? fields[3] + " " + fields[4] + " " + fields[8] : "unreadable";
}

QStringList filesIn(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// Only the test pattern, whatever cameras the machine has.
struct PatternOnly final : capture::DeviceCatalog {
  std::vector<capture::DeviceInfo> list() override { return {{capture::kTestPatternKey, "Test pattern"}}; }
  std::unique_ptr<capture::CaptureDevice> make(const capture::DeviceInfo&) override {
    return std::make_unique<capture::TestPattern>();
  }
};

struct CaptureTest : ::testing::Test {
  void SetUp() override {
    capture::setDeviceCatalog(&catalog);
    QDir(testing_support::configDir()).removeRecursively();
    QDir(picturesDir()).removeRecursively();
    app::ResetAppState();
    app::form1.setFactory([] { return std::make_unique<live::form1>(); });
  }
  void TearDown() override {
    filedialog::setSaveFileNameFunction({});
    app::UnloadAll();
    testing_support::settle();
    live::setCaptureWindowFactory({});
    capture::setDeviceCatalog(nullptr);
  }

  // The live window with the test pattern running at `frame`.
  live::form1& showLive(QSize frame = {640, 480}) {
    capture::rememberFormat(capture::kTestPatternKey, {frame, 0});
    app::form1.Show();
    testing_support::settle();
    auto* capture = dynamic_cast<capture::CaptureWindow*>(win::widgetOf(AppState.hCapWnd));
    QElapsedTimer waited;
    waited.start();
    while (capture && capture->newestFrame().isNull() && waited.elapsed() < 20000) QTest::qWait(10);
    EXPECT_TRUE(capture && !capture->newestFrame().isNull()) << "no frame from the test pattern";
    return live();
  }
  static live::form1& live() { return static_cast<live::form1&>(app::form1.get()); }
  static void capture(int times = 1) {
    for (int i = 0; i < times; ++i) live().mnuCapFrame->trigger();
  }

  PatternOnly catalog;
  testing_support::FakeDialogs dialogs;
};

TEST_F(CaptureTest, EachCaptureWritesTheNextNumberedBitmap) {
  showLive();
  ASSERT_EQ(AppState.FilePath, pictures("MOR0000.bmp"));
  capture(3);
  EXPECT_EQ(filesIn(picturesDir()), QStringList({"MOR0001.bmp", "MOR0002.bmp", "MOR0003.bmp"}));
  for (const QString& name : filesIn(picturesDir())) {
    EXPECT_EQ(formatOf(pictures(name)), "bmp");
    EXPECT_EQ(sizeOf(pictures(name)), QSize(640, 480));
  }
  EXPECT_EQ(AppState.FilePath, pictures("MOR0003.bmp"));
  EXPECT_EQ(AppState.BasePath, pictures("MOR0003"));
  EXPECT_EQ(AppState.FileCounter, "0003");
  EXPECT_EQ(AppState.FileExt, ".bmp");
  ASSERT_TRUE(app::Form3.IsLoaded());
  EXPECT_TRUE(app::Form3->isVisible());
  EXPECT_EQ(app::Form3->lbFilename->text(), rt::DisplayPath(pictures("MOR0003.bmp")));
  EXPECT_TRUE(app::Form3->lbFilename->text().endsWith(" / MOR0003.bmp"));
  EXPECT_EQ(app::Form3->Image1->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
            QImage(pictures("MOR0003.bmp")).convertToFormat(QImage::Format_RGB32));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(CaptureTest, TheExtensionChoosesTheFormatOfTheFile) {
  struct Case {
    QString name, counter;
    QSize frame;
    QString written, format;
  };
  const Case cases[] = {
      {"shot0041.jpg", "0041", {640, 480}, "shot0042.jpg", "jpeg"},
      {"shot0041.jpg", "0041", {1280, 960}, "shot0042.jpg", "jpeg"},
      {"shot0041.pdf", "0041", {640, 480}, "shot0042.pdf", "pdf"},
      {"shot0041.pdf", "0041", {1280, 960}, "shot0042.pdf", "pdf"},
      {"shot0041.bmp", "0041", {640, 480}, "shot0042.bmp", "bmp"},
      // Only the exact lower-case extensions select a writer.
      {"shot0041.BMP", "0041", {640, 480}, "shot0042.BMP", "bmp"},
      {"shot0041.JPG", "0041", {640, 480}, "shot0042.JPG", "bmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written.toStdString() + " " + std::to_string(c.frame.width()));
    TearDown();
    SetUp();
    showLive(c.frame);
    useName(pictures(c.name), c.counter);
    capture();
    ASSERT_EQ(filesIn(picturesDir()), QStringList({c.written}));
    const QString path = pictures(c.written);
    if (c.format == "pdf") {
      EXPECT_TRUE(contentOf(path).startsWith("%PDF-"));
      EXPECT_EQ(pdfPicture(path), QString("%1 %2 jpeg").arg(c.frame.width()).arg(c.frame.height()));
    } else {
      EXPECT_EQ(formatOf(path), c.format);
      EXPECT_EQ(sizeOf(path), c.frame);
    }
    // The viewer got the bitmap before it was rewritten (it reads no PDF).
    EXPECT_EQ(app::Form3->Image1->pixmap().size(), c.frame);
    EXPECT_EQ(app::Form3->lbFilename->text(), rt::DisplayPath(path));
    EXPECT_EQ(AppState.FilePath, path);
    EXPECT_EQ(AppState.FileExt, c.name.right(4));
  }
}

TEST_F(CaptureTest, NamesFollowFromTheCurrentOne) {
  struct Case {
    QString path, counter;
    QStringList written;
  };
  const Case cases[] = {
      {pictures("MOR0009.bmp"), "0009", {"MOR0010.bmp"}},
      {pictures("MOR9998.bmp"), "9998", {"MOR10000.bmp", "MOR10001.bmp", "MOR9999.bmp"}},
      {pictures("holiday.bmp"), "iday", {"hol0001.bmp", "hol0002.bmp", "hol0003.bmp"}},
      // Too short to hold a counter and an extension: the default name.
      {"x.bmp", "", {"MOR0001.bmp", "MOR0002.bmp", "MOR0003.bmp"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    TearDown();
    SetUp();
    showLive();
    useName(c.path, c.counter);
    capture(static_cast<int>(c.written.size()));
    EXPECT_EQ(filesIn(picturesDir()), c.written);
    EXPECT_TRUE(dialogs.messages.empty());
  }
}

TEST_F(CaptureTest, NothingUnderAnExistingNameIsReplaced) {
  QDir().mkpath(picturesDir());
  const QByteArray mine = "a picture taken earlier";
  QFile earlier(pictures("MOR0002.bmp"));
  ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
  earlier.write(mine);
  earlier.close();
  QDir().mkpath(pictures("MOR0004.bmp"));
  ASSERT_TRUE(QFile::link(pictures("nowhere"), pictures("MOR0005.bmp")));
  showLive();
  capture(3);
  const QStringList all =
      QDir(picturesDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
  EXPECT_EQ(all, QStringList({"MOR0001.bmp", "MOR0002.bmp", "MOR0003.bmp", "MOR0004.bmp", "MOR0005.bmp",
                              "MOR0006.bmp"}));
  EXPECT_EQ(contentOf(pictures("MOR0002.bmp")), mine);
  EXPECT_TRUE(QFileInfo(pictures("MOR0004.bmp")).isDir());
  EXPECT_TRUE(QFileInfo(pictures("MOR0005.bmp")).isSymLink());
  EXPECT_EQ(formatOf(pictures("MOR0006.bmp")), "bmp");
  EXPECT_EQ(AppState.FilePath, pictures("MOR0006.bmp"));
  EXPECT_EQ(AppState.FileCounter, "0006");
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(CaptureTest, AFailedSaveIsReportedOnceAndGoesNoFurther) {
  struct Case {
    const char* what;
    bool disconnect;
    QString path;
  };
  const Case cases[] = {
      {"no driver", true, pictures("MOR0000.jpg")},
      {"missing folder", false, testing_support::homeDir() + "/gone/MOR0000.jpg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    showLive();
    if (c.disconnect) devices::capDriverDisconnect(AppState.hCapWnd);
    useName(c.path, "0000");
    dialogs.messages.clear();
    capture();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].prompt, "Problem saving frame");
    EXPECT_EQ(dialogs.messages[0].style, rt::vbOKOnly | rt::vbInformation);
    EXPECT_EQ(dialogs.messages[0].title, "PAX");
    // The number stays used; nothing reached the disk or the viewer.
    EXPECT_EQ(AppState.FileCounter, "0001");
    EXPECT_EQ(AppState.FilePath, c.path.left(c.path.size() - 8) + "0001.jpg");
    EXPECT_FALSE(QFileInfo::exists(AppState.FilePath));
    EXPECT_FALSE(QFileInfo::exists(testing_support::homeDir() + "/gone"));
    EXPECT_TRUE(filesIn(picturesDir()).isEmpty());
    EXPECT_FALSE(app::Form3.IsLoaded());
  }
}

// Answers like the capture window, except that another program claims the
// first `claims` names just before they are saved.
class ClaimedCaptureWindow : public QWidget, public win::MessageTarget {
 public:
  explicit ClaimedCaptureWindow(QWidget* parent) : QWidget(parent) {}
  win::LRESULT windowProc(win::UINT msg, win::WPARAM, win::LPARAM lParam) override {
    if (msg != capture::WM_CAP_FILE_SAVEDIBA) return msg == capture::WM_CAP_DRIVER_CONNECT ? 1 : 0;
    const char* path = reinterpret_cast<const char*>(lParam);
    if (claims > 0) {
      --claims;
      QFile other(QString::fromLocal8Bit(path));
      if (other.open(QIODevice::WriteOnly)) other.write("another program's picture");
    }
    QImage frame(32, 24, QImage::Format_RGB32);
    frame.fill(Qt::green);
    return capture::saveDib(frame, path) ? 1 : 0;
  }
  static inline int claims = 0;
};

TEST_F(CaptureTest, ANameClaimedMeanwhileIsLeftToItsOwner) {
  live::setCaptureWindowFactory([](const char*, std::int32_t, int, int, int, int, win::HWND parent, std::int32_t) {
    return win::handleOf(new ClaimedCaptureWindow(win::widgetOf(parent)));
  });
  app::form1.Show();
  struct Case {
    int claims;
    QStringList ours;
    bool reported;
  };
  const Case cases[] = {{2, {"MOR0003.bmp"}, false}, {100, {}, true}};
  for (const Case& c : cases) {
    QDir(picturesDir()).removeRecursively();
    dialogs.messages.clear();
    ClaimedCaptureWindow::claims = c.claims;
    useName(pictures("MOR0000.bmp"), "0000");
    capture();
    EXPECT_EQ(dialogs.messages.size(), c.reported ? 1u : 0u);
    QStringList ours;
    for (const QString& name : filesIn(picturesDir()))
      if (contentOf(pictures(name)) != "another program's picture") ours << name;
    EXPECT_EQ(ours, c.ours);
    if (!c.reported) {
      EXPECT_EQ(AppState.FilePath, pictures(c.ours.first()));
    }
  }
}

TEST_F(CaptureTest, AClosedViewerComesBackWithTheNewPicture) {
  showLive();
  capture();
  app::Form3.Unload();
  capture();
  ASSERT_TRUE(app::Form3.IsLoaded());
  EXPECT_TRUE(app::Form3->isVisible());
  EXPECT_EQ(app::Form3->lbFilename->text(), rt::DisplayPath(pictures("MOR0002.bmp")));
  EXPECT_FALSE(app::Form3->Image1->pixmap().isNull());
}

// The save-as command, with a stand-in for the dialog that records the
// record it was handed and confirms `chosen` (or cancels when it is null).
struct SaveAsTest : CaptureTest {
  void standIn(const QString& chosen) {
    filedialog::setSaveFileNameFunction([this, chosen](filedialog::OPENFILENAME* r) -> std::int32_t {
      ++calls;
      record = *r;
      file = QString::fromLocal8Bit(r->lpstrFile);
      title = QString::fromLocal8Bit(r->lpstrTitle);
      defExt = QString::fromLocal8Bit(r->lpstrDefExt);
      filter.clear();
      for (const char* at = r->lpstrFilter; *at; at += std::strlen(at) + 1) filter << QString::fromLocal8Bit(at);
      if (chosen.isNull()) return 0;
      const QByteArray name = chosen.toLocal8Bit();
      std::memcpy(r->lpstrFile, name.constData(), static_cast<std::size_t>(name.size()) + 1);
      return 1;
    });
  }
  int calls = 0;
  filedialog::OPENFILENAME record{};
  QString file, title, defExt;
  QStringList filter;
};

TEST_F(SaveAsTest, TheChosenNameSetsTheFollowingNames) {
  struct Case {
    const char* what;
    QString base, counter, chosen;
    QString wantBase, wantCounter, wantPath, wantExt, wantLabel;
  };
  const QString d = picturesDir() + "/pics";
  const Case cases[] = {
      {"other stem", pictures("MOR0003"), "0003", d + "/cat.jpg",
       d + "/cat", "0000", d + "/cat0000.jpg", ".jpg", "*.jpg"},
      {"same stem", pictures("MOR0003"), "0003", pictures("MOR0003.pdf"),
       pictures("MOR0003"), "0003", pictures("MOR0003.pdf"), ".pdf", "*.pdf"},
      {"counter in the name", pictures("MOR0003"), "0003", d + "/cat0041.pdf",
       d + "/cat0041", "0041", d + "/cat0041.pdf", ".pdf", "*.pdf"},
      {"completed name", pictures("MOR0003"), "0003", d + "/dog.bmp",
       d + "/dog", "0000", d + "/dog0000.bmp", ".bmp", "*.bmp"},
      {"four-letter extension", pictures("MOR0003"), "0003", d + "/cat.tiff",
       d + "/cat.", "0000", d + "/cat.0000.iff", "tiff", "*.iff"},
  };
  live::form1& w = showLive();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    useName(c.base + ".bmp", c.counter);
    standIn(c.chosen);
    w.mnuSaveFrame->trigger();
    EXPECT_EQ(file, c.base);
    EXPECT_EQ(AppState.BasePath, c.wantBase);
    EXPECT_EQ(AppState.FileCounter, c.wantCounter);
    EXPECT_EQ(AppState.FilePath, c.wantPath);
    EXPECT_EQ(AppState.FileExt, c.wantExt);
    EXPECT_EQ(app::Form3->lbFilename->text(), c.wantLabel);
  }
}

TEST_F(SaveAsTest, HandsTheDialogTheRecordItExpects) {
  live::form1& w = showLive();
  useName(pictures("MOR0003.bmp"), "0003");
  standIn(QString());
  w.mnuSaveFrame->trigger();
  ASSERT_EQ(calls, 1);
  EXPECT_EQ(record.lStructSize, 76u);
  EXPECT_EQ(record.hwndOwner, w.hWnd());
  EXPECT_EQ(filter, QStringList({" *.bmp", " *.bmp", " *.jpg", " *.jpg", " *.pdf", " *.pdf"}));
  EXPECT_EQ(record.nFilterIndex, 0u);
  EXPECT_EQ(file, pictures("MOR0003"));
  EXPECT_EQ(record.nMaxFile, 1024u);
  EXPECT_EQ(record.nMaxFileTitle, 512u);
  EXPECT_EQ(record.lpstrInitialDir, nullptr);
  EXPECT_EQ(title, "Save Single Frame");
  EXPECT_EQ(defExt, "bmp");
  EXPECT_EQ(record.Flags, 0u);

  // Without a base path the dialog starts from the default name.
  AppState.BasePath.clear();
  w.mnuSaveFrame->trigger();
  EXPECT_EQ(file, pictures("PAX"));
}

TEST_F(SaveAsTest, CancellingChangesNothing) {
  live::form1& w = showLive();
  useName(pictures("MOR0003.bmp"), "0003");
  app::Form3->lbFilename->setText("before");
  standIn(QString());
  w.mnuSaveFrame->trigger();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(AppState.FilePath, pictures("MOR0003.bmp"));
  EXPECT_EQ(AppState.BasePath, pictures("MOR0003"));
  EXPECT_EQ(AppState.FileCounter, "0003");
  EXPECT_EQ(AppState.FileExt, ".bmp");
  EXPECT_EQ(app::Form3->lbFilename->text(), "before");
}

TEST_F(SaveAsTest, TheNextCaptureWritesTheChosenStemAndFormat) {
  live::form1& w = showLive();
  const QString d = picturesDir() + "/pics";
  QDir().mkpath(d);
  for (const auto& [chosen, written] : {std::pair{d + "/cat.jpg", d + "/cat0001.jpg"},
                                        std::pair{d + "/cat0041.pdf", d + "/cat0042.pdf"}}) {
    standIn(chosen);
    w.mnuSaveFrame->trigger();
    capture();
    EXPECT_EQ(AppState.FilePath, written);
    EXPECT_TRUE(QFileInfo::exists(written)) << written.toStdString();
  }
  EXPECT_EQ(formatOf(d + "/cat0001.jpg"), "jpeg");
  EXPECT_TRUE(contentOf(d + "/cat0042.pdf").startsWith("%PDF-"));
}

TEST_F(SaveAsTest, ANameTypedWithoutExtensionBecomesABitmapName) {
  live::form1& w = showLive();
  dialogs.onModal = [](QDialog& dialog) {
    dialog.findChild<QLineEdit*>("fileNameEdit")->setText("garden");
    dialog.accept();
    return dialog.result();
  };
  w.mnuSaveFrame->trigger();
  EXPECT_EQ(dialogs.modalCount, 1);
  EXPECT_EQ(AppState.FilePath, pictures("garden0000.bmp"));
  EXPECT_EQ(AppState.FileExt, ".bmp");
  EXPECT_EQ(app::Form3->lbFilename->text(), "*.bmp");
}

}  // namespace
