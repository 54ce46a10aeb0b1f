#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QMenuBar>
#include <QStatusTipEvent>
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
#include "devices/MemCap.h"
#include "live/capture_window.h"
#include "live/form1.h"
#include "platform/capture/capture_window.h"
#include "platform/capture/dib.h"
#include "platform/capture/test_pattern.h"
#include "platform/filedialog/open_file_name.h"
#include "stills/saved.h"
#include "support/test_env.h"

namespace {

using app::AppState;
using testing_support::picturesDir;

QString pictures(const QString& name) { return picturesDir() + "/" + name; }

void useName(const QString& path, const QString& counter) {
  AppState = {AppState.ScreenMode, path.right(4), path.left(path.size() - 4), counter, AppState.DriverIndex, path,
              AppState.hCapWnd,    AppState.EndOnUnload, AppState.FreeResize, AppState.VideoWidth};
}

QImage decoded(const QString& path, QByteArray* format = nullptr) {
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  if (format) *format = reader.format();
  return reader.read();
}

QByteArray contentOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "width height encoding" of the one picture in a PDF, as poppler reads it.
QString pdfPicture(const QString& path) {
  QProcess p;
  p.start("pdfimages", {"-list", path});
  p.waitForFinished(20000);
  const QStringList lines = QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
  const QStringList fields = lines.size() == 3 ? lines[2].simplified().split(' ') : QStringList();
  return fields.size() > 8 ? fields[3] + " " + fields[4] + " " + fields[8] : "not one picture";
}

// Catches the file URLs the program asks the desktop to open.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  UrlCatcher() { QDesktopServices::setUrlHandler("file", this, "open"); }
  ~UrlCatcher() override { QDesktopServices::unsetUrlHandler("file"); }
  QList<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls << url; }
};

QStringList entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
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
    dialogs.messages.clear();
  }
  void TearDown() override {
    filedialog::setSaveFileNameFunction({});
    app::UnloadAll();
    testing_support::settle();
    live::setCaptureWindowFactory({});
    capture::setDeviceCatalog(nullptr);
  }
  void restart() {
    TearDown();
    SetUp();
  }

  // The live window with the test pattern running at `frame`.
  live::form1& showLive(QSize frame = {640, 480}) {
    capture::rememberFormat(capture::kTestPatternKey, {frame, 0});
    app::form1.Show();
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

// F12 pressed while the viewer has the focus (a click into it, or a desktop
// that gives a newly shown window the focus) is the live window's F12: one
// file a press. Other keys do nothing there, and neither does F12 while the
// live window cannot capture.
TEST_F(CaptureTest, TheLiveWindowsCaptureKeyCountsInTheViewer) {
  live::form1& w = showLive();
  capture();
  ASSERT_TRUE(app::Form3.IsLoaded());
  app::Form3Window& viewer = app::Form3.get();
  const struct {
    const char* what;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool entryEnabled, liveShown;
    int files;
  } cases[] = {
      {"F12", Qt::Key_F12, Qt::NoModifier, true, true, 1},
      {"F11", Qt::Key_F11, Qt::NoModifier, true, true, 0},
      {"Shift+F12", Qt::Key_F12, Qt::ShiftModifier, true, true, 0},
      {"F12, entry disabled", Qt::Key_F12, Qt::NoModifier, false, true, 0},
      {"F12, live window hidden", Qt::Key_F12, Qt::NoModifier, true, false, 0},
  };
  for (const auto& c : cases) {
    const qsizetype before = entries(picturesDir()).size();
    w.mnuCapFrame->setEnabled(c.entryEnabled);
    w.setVisible(c.liveShown);
    QTest::keyClick(&viewer, c.key, c.modifiers);
    EXPECT_EQ(entries(picturesDir()).size(), before + c.files) << c.what;
  }
  EXPECT_EQ(AppState.FilePath, pictures("MOR0002.bmp"));
  EXPECT_TRUE(dialogs.messages.empty());
}

// After each capture the status line names the file and the viewer's
// picture carries its path; a double-click on the picture opens the file.
// The driver's next report takes the status line back.
TEST_F(CaptureTest, EachCaptureNamesItsFileOnTheStatusLineAndInTheViewer) {
  live::form1& w = showLive();
  useName(pictures("shot0041.jpg"), "0041");
  capture(2);
  EXPECT_EQ(w.StatusBar->currentMessage(), "Saved shot0043.jpg");
  EXPECT_EQ(w.StatusBar->toolTip(), pictures("shot0043.jpg"));
  EXPECT_EQ(app::Form3->Image1->toolTip(), pictures("shot0043.jpg"));

  UrlCatcher opened;
  QTest::mouseDClick(app::Form3->Image1, Qt::LeftButton);
  EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(pictures("shot0043.jpg"))});
  EXPECT_TRUE(dialogs.messages.empty());

  devices::ShowStatusText("Test pattern: 640 x 480", 1);
  EXPECT_EQ(w.StatusBar->currentMessage(), "Test pattern: 640 x 480");
  EXPECT_TRUE(w.StatusBar->toolTip().isEmpty());
}

// A scanner run is summed up once the live window is back, after the
// driver's report of its connection, with the last page as the tooltip.
TEST_F(CaptureTest, TheLiveWindowBackFromAScannerRunSumsItUp) {
  stills::NoteScannerRun({10, pictures("ZENO0042.pdf"), pictures("ZENO0051.pdf"), false});
  live::form1& w = showLive();
  EXPECT_EQ(w.StatusBar->currentMessage(), "10 pages saved: ZENO0042.pdf - ZENO0051.pdf");
  EXPECT_EQ(w.StatusBar->toolTip(), pictures("ZENO0051.pdf"));
  restart();
  EXPECT_FALSE(showLive().StatusBar->currentMessage().endsWith("ZENO0051.pdf"));  // told once
}

TEST_F(CaptureTest, EachCaptureWritesTheNextNumberedBitmapAndShowsIt) {
  showLive();
  ASSERT_EQ(AppState.FilePath, pictures("MOR0000.bmp"));
  capture(3);
  EXPECT_EQ(entries(picturesDir()), QStringList({"MOR0001.bmp", "MOR0002.bmp", "MOR0003.bmp"}));
  QByteArray format;
  for (const QString& name : entries(picturesDir())) {
    EXPECT_EQ(decoded(pictures(name), &format).size(), QSize(640, 480));
    EXPECT_EQ(format, "bmp");
  }
  EXPECT_EQ(AppState.FilePath, pictures("MOR0003.bmp"));
  EXPECT_EQ(AppState.BasePath, pictures("MOR0003"));
  EXPECT_EQ(AppState.FileCounter, "0003");
  ASSERT_TRUE(app::Form3.IsLoaded());
  EXPECT_TRUE(app::Form3->isVisible());
  EXPECT_EQ(app::Form3->lbFilename->text(), rt::DisplayPath(pictures("MOR0003.bmp")));
  EXPECT_EQ(app::Form3->Image1->picture().convertToFormat(QImage::Format_RGB32),
            decoded(pictures("MOR0003.bmp")).convertToFormat(QImage::Format_RGB32));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(CaptureTest, TheExtensionChoosesTheFormatAndNamesFollowTheCurrentOne) {
  struct Case {
    QString path, counter;
    QSize frame;
    QStringList written;
    QByteArray format;  // "pdf": checked with poppler
  };
  const Case cases[] = {
      {pictures("shot0041.jpg"), "0041", {640, 480}, {"shot0042.jpg"}, "jpeg"},
      {pictures("shot0041.jpg"), "0041", {1280, 960}, {"shot0042.jpg"}, "jpeg"},
      {pictures("shot0041.pdf"), "0041", {640, 480}, {"shot0042.pdf"}, "pdf"},
      {pictures("shot0041.pdf"), "0041", {1280, 960}, {"shot0042.pdf"}, "pdf"},
      {pictures("shot0041.BMP"), "0041", {640, 480}, {"shot0042.BMP"}, "bmp"},  // no writer: stays a bitmap
      {pictures("shot0041.JPG"), "0041", {640, 480}, {"shot0042.JPG"}, "bmp"},
      {pictures("MOR0009.bmp"), "0009", {640, 480}, {"MOR0010.bmp"}, "bmp"},
      {pictures("MOR9998.bmp"), "9998", {640, 480}, {"MOR10000.bmp", "MOR10001.bmp", "MOR9999.bmp"}, "bmp"},
      {pictures("holiday.bmp"), "iday", {640, 480}, {"hol0001.bmp", "hol0002.bmp"}, "bmp"},
      {"x.bmp", "", {640, 480}, {"MOR0001.bmp", "MOR0002.bmp"}, "bmp"},  // too short: the default name
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written.last().toStdString() + " " + std::to_string(c.frame.width()));
    restart();
    showLive(c.frame);
    useName(c.path, c.counter);
    capture(static_cast<int>(c.written.size()));
    ASSERT_EQ(entries(picturesDir()), c.written);
    const QString path = AppState.FilePath;
    EXPECT_EQ(path.left(picturesDir().size()), picturesDir());
    QByteArray format;
    if (c.format == "pdf") {
      EXPECT_TRUE(contentOf(path).startsWith("%PDF-"));
      EXPECT_EQ(pdfPicture(path), QString("%1 %2 jpeg").arg(c.frame.width()).arg(c.frame.height()));
    } else {
      EXPECT_EQ(decoded(path, &format).size(), c.frame);
      EXPECT_EQ(format, c.format);
    }
    // The viewer got the bitmap before any rewrite (it reads no PDF).
    EXPECT_EQ(app::Form3->Image1->picture().size(), c.frame);
    EXPECT_EQ(app::Form3->lbFilename->text(), rt::DisplayPath(path));
    EXPECT_TRUE(dialogs.messages.empty());
  }
}

TEST_F(CaptureTest, NothingUnderAnExistingNameIsReplaced) {
  QDir().mkpath(pictures("MOR0004.bmp"));
  QFile earlier(pictures("MOR0002.bmp"));
  ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
  earlier.write("a picture taken earlier");
  earlier.close();
  ASSERT_TRUE(QFile::link(pictures("nowhere"), pictures("MOR0005.bmp")));
  showLive();
  capture(3);
  EXPECT_EQ(entries(picturesDir()), QStringList({"MOR0001.bmp", "MOR0002.bmp", "MOR0003.bmp", "MOR0004.bmp",
                                                 "MOR0005.bmp", "MOR0006.bmp"}));
  EXPECT_EQ(contentOf(pictures("MOR0002.bmp")), "a picture taken earlier");
  EXPECT_TRUE(QFileInfo(pictures("MOR0004.bmp")).isDir());
  EXPECT_TRUE(QFileInfo(pictures("MOR0005.bmp")).isSymLink());
  EXPECT_FALSE(decoded(pictures("MOR0006.bmp")).isNull());
  EXPECT_EQ(AppState.FilePath, pictures("MOR0006.bmp"));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(CaptureTest, AFailedSaveIsReportedOnceWithItsReasonAndGoesNoFurther) {
  struct Case {
    QString path;
    QString reason;
  };
  const Case cases[] = {{pictures("MOR0000.jpg"), "the video device gave no picture"},
                        {testing_support::homeDir() + "/gone/MOR0000.jpg", "No such file or directory"}};
  for (const auto& [path, reason] : cases) {
    SCOPED_TRACE(path.toStdString());
    restart();
    showLive();
    if (path.startsWith(picturesDir())) devices::capDriverDisconnect(AppState.hCapWnd);
    useName(path, "0000");
    capture();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].prompt,
              "Problem saving frame\n" + path.left(path.size() - 8) + "0001.jpg: " + reason);
    EXPECT_EQ(dialogs.messages[0].style, rt::vbOKOnly | rt::vbInformation);
    EXPECT_EQ(dialogs.messages[0].title, "PAX");
    // The number stays used; nothing reached the disk or the viewer.
    EXPECT_EQ(AppState.FilePath, path.left(path.size() - 8) + "0001.jpg");
    EXPECT_EQ(AppState.FileCounter, "0001");
    EXPECT_FALSE(QFileInfo::exists(testing_support::homeDir() + "/gone"));
    EXPECT_TRUE(entries(picturesDir()).isEmpty());
    EXPECT_FALSE(app::Form3.IsLoaded());
  }
}

// Another program claims the first `claims` names just before they are saved.
struct ClaimedCaptureWindow : QWidget, win::MessageTarget {
  using QWidget::QWidget;
  win::LRESULT windowProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) override {
    if (msg != capture::WM_CAP_FILE_SAVEDIBA) return msg == capture::WM_CAP_DRIVER_CONNECT;
    const char* path = reinterpret_cast<const char*>(lParam);
    if (claims > 0 && claims--) {
      QFile other(QString::fromLocal8Bit(path));
      if (other.open(QIODevice::WriteOnly)) other.write("theirs");
    }
    QImage frame(32, 24, QImage::Format_RGB32);
    frame.fill(Qt::green);
    return capture::answerSave(pictures::Frame{frame}, wParam, lParam);
  }
  static inline int claims = 0;
};

TEST_F(CaptureTest, ANameClaimedMeanwhileIsLeftToItsOwner) {
  live::setCaptureWindowFactory([](const char*, std::int32_t, int, int, int, int, win::HWND parent, std::int32_t) {
    return win::handleOf(new ClaimedCaptureWindow(win::widgetOf(parent)));
  });
  app::form1.Show();
  for (const int claims : {1, 100}) {
    QDir(picturesDir()).removeRecursively();
    dialogs.messages.clear();
    ClaimedCaptureWindow::claims = claims;
    useName(pictures("MOR0000.bmp"), "0000");
    capture();
    QStringList ours;
    for (const QString& name : entries(picturesDir()))
      if (contentOf(pictures(name)) != "theirs") ours << name;
    // The store goes on to the next free name itself.
    EXPECT_EQ(ours, QStringList{"MOR0002.bmp"});
    EXPECT_TRUE(dialogs.messages.empty());
  }
}

// The save-as command, with a stand-in for the dialog that keeps the record
// it was handed and confirms `chosen` (or cancels when it is null).
struct SaveAsTest : CaptureTest {
  void standIn(const QString& chosen) {
    filedialog::setSaveFileNameFunction([this, chosen](filedialog::OPENFILENAME* r) -> std::int32_t {
      record = *r;
      file = QString::fromLocal8Bit(r->lpstrFile);
      texts = {QString::fromLocal8Bit(r->lpstrTitle), QString::fromLocal8Bit(r->lpstrDefExt)};
      filter.clear();
      for (const char* at = r->lpstrFilter; *at; at += std::strlen(at) + 1) filter << at;
      if (chosen.isNull()) return 0;
      std::strcpy(r->lpstrFile, chosen.toLocal8Bit().constData());
      return 1;
    });
  }
  filedialog::OPENFILENAME record{};
  QString file;
  QStringList filter, texts;
};

TEST_F(SaveAsTest, TheChosenNameSetsTheFollowingNames) {
  struct Case {
    QString chosen;
    QString wantBase, wantCounter, wantPath, wantExt, wantLabel;
  };
  const QString d = picturesDir() + "/pics", nonAscii(4, QChar(0x0663));
  const Case cases[] = {
      {d + "/cat.jpg", d + "/cat", "0000", d + "/cat0000.jpg", ".jpg", "*.jpg"},
      {pictures("MOR0003.pdf"), pictures("MOR0003"), "0003", pictures("MOR0003.pdf"), ".pdf", "*.pdf"},
      {d + "/cat0041.pdf", d + "/cat0041", "0041", d + "/cat0041.pdf", ".pdf", "*.pdf"},
      {d + "/cat.tiff", d + "/cat.", "0000", d + "/cat.0000.iff", "tiff", "*.iff"},
      {d + "/c" + nonAscii + ".bmp", d + "/c" + nonAscii, "0000", d + "/c" + nonAscii + "0000.bmp", ".bmp", "*.bmp"},
      {"", "", "0000", "0000.", "", "*."},
  };
  live::form1& w = showLive();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen.toStdString());
    useName(pictures("MOR0003.bmp"), "0003");
    standIn(c.chosen);
    w.mnuSaveFrame->trigger();
    EXPECT_EQ(AppState.BasePath, c.wantBase);
    EXPECT_EQ(AppState.FileCounter, c.wantCounter);
    EXPECT_EQ(AppState.FilePath, c.wantPath);
    EXPECT_EQ(AppState.FileExt, c.wantExt);
    EXPECT_EQ(app::Form3->lbFilename->text(), c.wantLabel);
  }
}

TEST_F(SaveAsTest, HandsTheDialogTheRecordAndACancelChangesNothing) {
  live::form1& w = showLive();
  useName(pictures("MOR0003.bmp"), "0003");
  app::Form3->lbFilename->setText("before");
  standIn(QString());
  w.mnuSaveFrame->trigger();
  EXPECT_EQ(record.lStructSize, 76u);
  EXPECT_EQ(record.hwndOwner, w.hWnd());
  EXPECT_EQ(filter, QStringList({" *.bmp", " *.bmp", " *.jpg", " *.jpg", " *.pdf", " *.pdf"}));
  EXPECT_EQ(record.nFilterIndex, 1u);  // the current format's type
  EXPECT_EQ(file, pictures("MOR0003"));
  EXPECT_EQ(record.nMaxFile, 1024u);
  EXPECT_EQ(record.nMaxFileTitle, 512u);
  EXPECT_EQ(record.lpstrInitialDir, nullptr);
  EXPECT_EQ(texts, QStringList({"Save Single Frame", "bmp"}));
  EXPECT_EQ(record.Flags, 0u);
  EXPECT_EQ(AppState.FilePath + AppState.BasePath + AppState.FileCounter + AppState.FileExt,
            pictures("MOR0003.bmp") + pictures("MOR0003") + "0003.bmp");
  EXPECT_EQ(app::Form3->lbFilename->text(), "before");

  AppState.BasePath.clear();  // without a base path: the default name
  w.mnuSaveFrame->trigger();
  EXPECT_EQ(file, pictures("PAX"));
}

TEST_F(SaveAsTest, TheDialogOpensOnTheCurrentFormatAndCancellingMakesNoFolder) {
  struct Case {
    QString current;
    std::uint32_t index;
  };
  const Case cases[] = {{"MOR0003.bmp", 1}, {"MOR0003.jpg", 2}, {"MOR0003.pdf", 3}, {"MOR0003.tiff", 0}};
  live::form1& w = showLive();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.current.toStdString());
    QDir(picturesDir()).removeRecursively();
    useName(pictures(c.current), "0003");
    standIn(QString());
    w.mnuSaveFrame->trigger();
    EXPECT_EQ(record.nFilterIndex, c.index);
    EXPECT_FALSE(QFileInfo::exists(picturesDir()));
  }
}

TEST_F(SaveAsTest, ANameTypedWithoutExtensionKeepsTheCurrentFormat) {
  live::form1& w = showLive();
  for (const QString ext : {".bmp", ".jpg", ".pdf"}) {
    SCOPED_TRACE(ext.toStdString());
    QDir().mkpath(picturesDir());
    useName(pictures("MOR0003" + ext), "0003");
    dialogs.onModal = [](QDialog& dialog) {
      dialog.findChild<QLineEdit*>("fileNameEdit")->setText("garden");
      dialog.accept();
      return dialog.result();
    };
    w.mnuSaveFrame->trigger();
    EXPECT_EQ(AppState.FilePath, pictures("garden0000" + ext));
    EXPECT_EQ(app::Form3->lbFilename->text(), "*" + ext);
  }
  EXPECT_EQ(dialogs.modalCount, 3);
}

// After a name was chosen the status line says where the next capture goes
// (past a name taken already); that and "Saved ..." stay while menus are
// hovered, opened and closed, until a capture or the driver says more.
TEST_F(SaveAsTest, TheStatusLineNamesTheNextFileAndOutlastsTheMenus) {
  live::form1& w = showLive();
  QDir().mkpath(picturesDir());
  QFile(pictures("cat0001.jpg")).open(QIODevice::WriteOnly);
  standIn(pictures("cat.jpg"));
  w.mnuSaveFrame->trigger();
  const auto hoverMenus = [&] {
    QStatusTipEvent tip{QString()};
    QCoreApplication::sendEvent(w.menuBar(), &tip);
    w.mnuFile->popup(w.mapToGlobal(QPoint(0, 0)));
    w.mnuFile->setActiveAction(w.mnuExit);
    w.mnuFile->hide();
    testing_support::settle();
  };
  hoverMenus();
  EXPECT_EQ(w.StatusBar->currentMessage(), "Next: " + pictures("cat0002.jpg"));
  EXPECT_EQ(w.StatusBar->toolTip(), pictures("cat0002.jpg"));
  capture();
  hoverMenus();
  EXPECT_EQ(w.StatusBar->currentMessage(), "Saved cat0002.jpg");
}

// A double-click on a picture whose file is gone, or that nothing on this
// desktop opens, says so instead of doing nothing.
TEST_F(CaptureTest, ADoubleClickThatCannotOpenThePictureSaysWhy) {
  showLive();
  capture();
  const QString path = pictures("MOR0001.bmp");
  QFile::remove(path);
  QTest::mouseDClick(app::Form3->Image1, Qt::LeftButton);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].prompt, path + " cannot be opened: the file is no longer there.");
  EXPECT_EQ(app::OpenProblemText(path, true, false),
            path + " cannot be opened: no program to open files with is installed (xdg-open, in xdg-utils).");
  EXPECT_EQ(app::OpenProblemText(path, true, true), path + " cannot be opened: the desktop has no application for it.");
}

}  // namespace

#include "form1_stills_test.moc"
