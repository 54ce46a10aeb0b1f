// Where the program looks for the user's files when its environment is not
// what a login gives.

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <QByteArray>

#include "platform/runtime/paths.h"

namespace {

TEST(SettleHome, AMissingOrUnusableHomeIsThePasswordDatabasesHome) {
  const passwd* user = ::getpwuid(::getuid());
  ASSERT_TRUE(user && user->pw_dir && user->pw_dir[0] == '/');
  const QByteArray own = user->pw_dir;
  const QByteArray saved = qgetenv("HOME");
  struct Case {
    const char* home;  // null: unset
    QByteArray settled;
  };
  const Case cases[] = {{nullptr, own}, {"", own}, {"Pictures", own}, {"/tmp/elsewhere", "/tmp/elsewhere"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.home ? c.home : "unset");
    if (c.home) qputenv("HOME", c.home);
    else qunsetenv("HOME");
    rt::SettleHome();
    EXPECT_EQ(qgetenv("HOME"), c.settled);
  }
  qputenv("HOME", saved);
}

}  // namespace
