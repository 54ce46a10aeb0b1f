#include <gtest/gtest.h>

#include "e2e_steps.h"
#include "support/desktop.h"

namespace {

using e2e::kLiveTitle;

TEST(Program, StartsWithItsCaptionAndEndsWhenItsWindowIsClosed) {
  testing_support::Desktop desktop;
  ASSERT_TRUE(desktop.ok()) << "no X display";
  testing_support::Program program(desktop);
  ASSERT_TRUE(program.start());
  const QString window = program.waitForWindow(kLiveTitle);
  ASSERT_FALSE(window.isEmpty()) << program.output().toStdString();
  ASSERT_TRUE(program.closeAndWaitForExit(window));
  EXPECT_EQ(program.exitCode(), 0);
}

}  // namespace
