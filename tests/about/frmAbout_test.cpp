#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "about/frmAbout.h"
#include "app/forms.h"
#include "support/test_env.h"

namespace {

struct AboutTest : ::testing::Test {
  void SetUp() override {
    app::frmAbout.setFactory([] { return std::make_unique<about::frmAbout>(); });
    app::frmAbout.Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(app::frmAbout.ifLoaded()));
  }
  void TearDown() override {
    app::frmAbout.Unload();
    testing_support::settle();
  }
};

TEST_F(AboutTest, OpensWithTheFocusOnOk) {
  EXPECT_TRUE(app::frmAbout.ifLoaded()->cmdOK->hasFocus());
}

TEST_F(AboutTest, SpaceAndEscapeCloseIt) {
  for (Qt::Key key : {Qt::Key_Space, Qt::Key_Escape}) {
    if (!app::frmAbout.IsLoaded()) {
      app::frmAbout.Show();
      ASSERT_TRUE(QTest::qWaitForWindowActive(app::frmAbout.ifLoaded()));
    }
    QTest::keyClick(QApplication::focusWidget(), key);
    EXPECT_FALSE(app::frmAbout.IsLoaded()) << key;
  }
}

TEST_F(AboutTest, AltOClosesIt) {
  ASSERT_EQ(app::frmAbout.ifLoaded()->cmdOK->shortcut(), QKeySequence("Alt+O"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::AltModifier);
  // A mnemonic presses the button visibly, which takes a moment.
  for (int i = 0; i < 100 && app::frmAbout.IsLoaded(); ++i) QTest::qWait(10);
  EXPECT_FALSE(app::frmAbout.IsLoaded());
}

TEST_F(AboutTest, ClickingALineDoesNothing) {
  for (QLabel* line : app::frmAbout.ifLoaded()->lblAbout) {
    const QString before = line->text();
    QTest::mouseClick(line, Qt::LeftButton);
    EXPECT_TRUE(app::frmAbout.IsLoaded());
    EXPECT_EQ(line->text(), before);
  }
}

}  // namespace
