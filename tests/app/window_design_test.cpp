#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QListWidget>
#include <QMessageBox>
#include <QLayout>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>

#include "app/forms.h"
#include "app/window_texts.h"
#include "support/test_env.h"

namespace {

struct Entry {
  const char* name;
  const char* caption;
  const char* shortcut;
  bool checkable;
  bool checked;
};

void expectEntries(QWidget* window, const std::vector<Entry>& entries) {
  for (const Entry& e : entries) {
    auto action = window->findChild<QAction*>(e.name);
    ASSERT_NE(action, nullptr) << e.name;
    EXPECT_EQ(action->text(), e.caption) << e.name;
    EXPECT_EQ(action->shortcut(), QKeySequence(e.shortcut)) << e.name;
    EXPECT_EQ(action->isCheckable(), e.checkable) << e.name;
    EXPECT_EQ(action->isChecked(), e.checked) << e.name;
    EXPECT_TRUE(action->isEnabled()) << e.name;
    EXPECT_TRUE(action->isVisible()) << e.name;
  }
}

// The captions along a menu bar, and inside each menu, in display order.
QStringList layout(QMenuBar* bar) {
  QStringList out;
  for (QAction* top : bar->actions()) {
    out << top->text();
    if (top->menu())
      for (QAction* sub : top->menu()->actions()) out << ". " + (sub->isSeparator() ? "-" : sub->text());
  }
  return out;
}

struct DesignTest : ::testing::Test {
  void TearDown() override {
    app::UnloadAll();
    testing_support::settle();
  }
};

TEST_F(DesignTest, LiveWindowMenusAndFrame) {
  app::form1Design& w = app::form1.get();
  EXPECT_EQ(w.windowTitle(), "Orvalux Video Image Capture 1.22");
  EXPECT_EQ(layout(w.menuBar()),
            QStringList({"&File", ". &Save Captured Image As...", ". -", ". E&xit", "&Options", ". &Format",
                         ". So&urce", ". Border Frozen", ". <none>", "&Capture", ". Capture S&ingle",
                         "&Twain Capture", "&About"}));
  expectEntries(&w, {{"mnuSaveFrame", "&Save Captured Image As...", "", false, false},
                     {"mnuExit", "E&xit", "", false, false},
                     {"mnuFormat", "&Format", "Ctrl+F", false, false},
                     {"mnuSource", "So&urce", "Ctrl+S", false, false},
                     {"mnuBorder", "Border Frozen", "", true, true},
                     {"mnudrive_0", "<none>", "", true, false},
                     {"mnuCapFrame", "Capture S&ingle", "F12", false, false},
                     {"mnuTwain", "&Twain Capture", "", false, false},
                     {"mnuAbout", "&About", "", false, false}});
  EXPECT_EQ(w.ScaleWidth(), 785);
  EXPECT_EQ(w.ScaleHeight(), 547);
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
  // The status bar runs along the bottom, below the inner area.
  w.layout()->activate();
  EXPECT_EQ(w.StatusBar->height(), 17);
  EXPECT_EQ(w.StatusBar->geometry(), QRect(0, w.client()->geometry().bottom() + 1, w.width(), 17));
  EXPECT_EQ(w.StatusBar->geometry().bottom(), w.height() - 1);
  EXPECT_FALSE(w.windowIcon().isNull());
}

TEST_F(DesignTest, TwainWindowMenus) {
  app::Form2Design& w = app::Form2.get();
  EXPECT_EQ(w.windowTitle(), "Orvalux Video Image Capture 1.22 - Twain Capture");
  EXPECT_EQ(layout(w.menuBar()), QStringList({"&File", ". Select &Device", ". -", ". &Exit", "&Open Capture Screen",
                                              "&Back to Main Screen", "&About ..."}));
  expectEntries(&w, {{"mnuSelectDevice", "Select &Device", "", false, false},
                     {"mnuExit", "&Exit", "", false, false},
                     {"mnuCapture", "&Open Capture Screen", "", false, false},
                     {"mnuLive", "&Back to Main Screen", "", false, false},
                     {"mnuAbout", "&About ...", "", false, false}});
  // A fixed window: it cannot be resized or maximised.
  EXPECT_EQ(w.minimumSize(), w.maximumSize());
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
  // At least as wide as designed, and wide enough for every entry of the
  // menu bar: none hides behind an overflow button.
  EXPECT_GE(w.ScaleWidth(), 5190);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  for (QAction* entry : w.menuBar()->actions()) {
    const QRect where = w.menuBar()->actionGeometry(entry);
    EXPECT_TRUE(!where.isEmpty() && w.menuBar()->rect().contains(where)) << entry->text().toStdString();
  }
  for (QToolButton* overflow : w.menuBar()->findChildren<QToolButton*>()) EXPECT_FALSE(overflow->isVisible());
}

TEST_F(DesignTest, ViewerAndAboutLayouts) {
  app::Form3Window& viewer = app::Form3.get();
  EXPECT_EQ(viewer.windowTitle(), "Captured Image");
  EXPECT_EQ(viewer.ScaleWidth(), 3780);
  EXPECT_EQ(viewer.ScaleHeight(), 2805);
  // The picture at 4 : 3 above the label: the name stays readable beside a
  // picture, and both lie inside the client area.
  const QRect picture = viewer.Image1->geometry(), label = viewer.lbFilename->geometry();
  EXPECT_EQ(picture.width() * 3, picture.height() * 4);
  EXPECT_FALSE(picture.intersects(label));
  EXPECT_GE(label.height(), 2 * QFontMetrics(viewer.lbFilename->font()).lineSpacing());
  EXPECT_TRUE(QRect(0, 0, 252, 187).contains(picture.united(label)));
  EXPECT_TRUE(viewer.Image1->hasScaledContents());
  EXPECT_TRUE(viewer.lbFilename->text().isEmpty());

  app::frmAboutDesign& about = app::frmAbout.get();
  EXPECT_EQ(about.windowTitle(), "About Orvalux Video Image Capture 1.22");
  EXPECT_EQ(about.lblAbout[2]->text(), "Orvalux Video Image Capture 1.22 Build 050808");
  EXPECT_EQ(about.cmdOK->text(), "&OK");
  EXPECT_EQ(about.cmdOK->geometry(), QRect(256, 88, 64, 24));
  EXPECT_DOUBLE_EQ(about.lblAbout[2]->font().pointSizeF(), 10.5);
}

// Every window, menu, list and dialog is drawn in one family: Arial, or
// where it is missing its metric twin, never the desktop's own sans.
TEST_F(DesignTest, OneFontFamilyEverywhere) {
  const QFont before = QApplication::font();
  app::UseDesignFont();
  const QString family = QFontInfo(app::arial(9)).family();
  EXPECT_TRUE(family == "Arial" || family == "Liberation Sans") << family.toStdString();
  QFileDialog files;
  QMessageBox box(QMessageBox::Information, "PAX", "Problem saving frame");
  QListWidget list;
  for (QWidget* window : std::initializer_list<QWidget*>{&app::form1.get(), &app::Form2.get(), &app::Form3.get(),
                                                        &app::frmAbout.get(), &files, &box, &list}) {
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets << window;
    for (QWidget* widget : widgets)
      EXPECT_EQ(QFontInfo(widget->font()).family(), family)
          << window->metaObject()->className() << " " << widget->metaObject()->className() << " "
          << widget->objectName().toStdString();
  }
  QApplication::setFont(before);
}

}  // namespace
