#include <gtest/gtest.h>

#include <string>

#include "app/forms.h"
#include "devices/MemCap.h"
#include "support/test_env.h"

namespace {

using namespace devices;

TEST(ReadDriverText, KeepsEveryByteUpToTheTerminatorAndCutsLongTextsSafely) {
  struct Case {
    std::string text;
    QString expected;
  } cases[] = {
      {"", ""},
      {"a", "a"},
      {"ab", "ab"},
      {"Connected: 640 x 480", "Connected: 640 x 480"},
      {"odd 7ch", "odd 7ch"},
      {std::string(509, 'x'), QString(509, 'x')},
      {std::string(510, 'y'), QString(509, 'y')},
      {std::string(600, 'z'), QString(509, 'z')},
      // A two-byte character split by the cut is dropped whole.
      {std::string(508, 'a') + "\xc3\xa9" + "tail", QString(508, 'a')},
      {"caf\xc3\xa9", QStringLiteral("caf\u00e9")},
      // A whole text loses no byte: an incomplete character at its end
      // shows as a replacement character.
      {"ab\xdf", QStringLiteral("ab\ufffd")},
      {"\xdf\xdf", QStringLiteral("\ufffd\ufffd")},
      {std::string(506, 'a') + "\xe2\x82", QString(506, 'a') + QString(2, QChar::ReplacementCharacter)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.size());
    EXPECT_EQ(ReadDriverText(c.text.c_str()), c.expected);
  }
  EXPECT_EQ(ReadDriverText(nullptr), "");
}

struct StatusLineTest : ::testing::Test {
  void SetUp() override { app::form1.Load(); }
  void TearDown() override {
    app::form1.Unload();
    testing_support::settle();
  }
  QString line() { return app::form1.ifLoaded()->StatusBar->currentMessage(); }
};

TEST_F(StatusLineTest, EachTextReplacesTheLineWholeAndIdZeroIsIgnored) {
  using Proc = win::LRESULT (*)(win::HWND, std::int32_t, const char*);
  struct Step {
    Proc proc;
    std::int32_t id;
    const char* text;
    const char* shown;
  } steps[] = {
      {CaptureStatusCallback, 2, "Test pattern: 640 x 480", "Test pattern: 640 x 480"},
      {CaptureStatusCallback, 0, "ignored", "Test pattern: 640 x 480"},
      {CaptureErrorCallback, 105, "Camera was disconnected", "Camera was disconnected"},
      {CaptureErrorCallback, 0, "", "Camera was disconnected"},
      {CaptureStatusCallback, 1, "odd", "odd"},
      {CaptureStatusCallback, 1, "even", "even"},
      {CaptureErrorCallback, -7, "negative ids count", "negative ids count"},
      {CaptureStatusCallback, 3, "", ""},
      {CaptureErrorCallback, 101, "again", "again"},
      {CaptureErrorCallback, 101, "", ""},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.text);
    EXPECT_EQ(s.proc(0, s.id, s.text), 0);
    EXPECT_EQ(line(), s.shown);
  }
  const std::string longText(600, 'L');
  CaptureErrorCallback(0, 1, longText.c_str());
  EXPECT_EQ(line(), QString(509, 'L'));
  ShowStatusText("direct", 99);
  EXPECT_EQ(line(), "direct");
}

TEST(StatusLine, CallbacksNeverLoadTheLiveWindow) {
  ASSERT_FALSE(app::form1.IsLoaded());
  EXPECT_EQ(CaptureStatusCallback(0, 2, "nobody listening"), 0);
  EXPECT_EQ(CaptureErrorCallback(0, 101, "nobody listening"), 0);
  ShowStatusText("nobody", 0);
  EXPECT_FALSE(app::form1.IsLoaded());
}

}  // namespace
