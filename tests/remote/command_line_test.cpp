#include <gtest/gtest.h>

#include <QProcess>

#include "app/window_texts.h"
#include "remote/command_line.h"
#include "remote/console.h"
#include "../faults/qt_printers.h"

namespace {

using remote::Command;

TEST(CommandLine, ReadsTheProgramsOptionsLeavesQtsToQtAndNamesWhatItRefuses) {
  struct Case {
    QStringList arguments;
    Command command;
    QString refused = {};  // what the error names; empty: no error
  };
  const Case cases[] = {
      {{}, Command::Run},
      {{"--capture"}, Command::Capture},
      {{"--version"}, Command::Version},
      {{"--help"}, Command::Help},
      {{"-h"}, Command::Help},
      {{"--capture", "--capture"}, Command::Capture},
      // --help wins over anything, as it does in most programs.
      {{"--version", "--help"}, Command::Help},
      {{"--capture", "-h"}, Command::Help},
      // Qt's own options and their values pass, with one dash or two.
      {{"-platform", "offscreen"}, Command::Run},
      {{"--platform", "xcb", "--capture"}, Command::Capture},
      {{"-style=Fusion"}, Command::Run},
      {{"-reverse", "--version"}, Command::Version},
      {{"-session", "1234_5678"}, Command::Run},
      // A value that looks like an option is still the value.
      {{"-platform", "--capture"}, Command::Run},
      // What it does not know is refused and named.
      {{"--captur"}, Command::Invalid, "'--captur'"},
      {{"-capture"}, Command::Invalid, "'-capture'"},
      {{"--capture=now"}, Command::Invalid, "'--capture=now'"},
      {{"picture.bmp"}, Command::Invalid, "'picture.bmp'"},
      {{"--capture", "--version"}, Command::Invalid, "'--version'"},
      {{"--platformx", "offscreen"}, Command::Invalid, "'--platformx'"},
  };
  for (const auto& [arguments, command, refused] : cases) {
    SCOPED_TRACE(arguments.join(' ').toStdString());
    const remote::ParsedCommand parsed = remote::ParseCommandLine(arguments);
    EXPECT_EQ(parsed.command, command);
    EXPECT_TRUE(refused.isEmpty() ? parsed.error.isEmpty() : parsed.error.contains(refused))
        << parsed.error.toStdString();
  }
}

// The version the program tells is the one its windows show.
TEST(CommandLine, VersionIsTheOneInTheWindowCaption) {
  const QString version = remote::VersionText().trimmed().section(' ', -1);
  EXPECT_TRUE(remote::VersionText().startsWith("video-image-capture "));
  EXPECT_TRUE(app::kMainCaption.endsWith(" " + version)) << version.toStdString();
  for (const char* option : {"--capture", "--version", "--help"})
    EXPECT_TRUE(remote::HelpText().contains(option)) << option;
}

// The real binary answers --help, --version and a wrong option without a
// display and without any window system at all.
TEST(CommandLine, TheProgramAnswersWithoutADisplay) {
  struct Case {
    QStringList arguments;
    int status;
    QString out, err;
  };
  const Case cases[] = {
      {{"--version"}, 0, remote::VersionText(), ""},
      {{"--help"}, 0, remote::HelpText(), ""},
      {{"--frobnicate"}, remote::kUsageError, "",
       "video-image-capture: unknown option '--frobnicate'\nTry 'video-image-capture --help' for more information.\n"},
  };
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS"})
    environment.remove(name);
  for (const auto& [arguments, status, out, err] : cases) {
    SCOPED_TRACE(arguments.join(' ').toStdString());
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(qEnvironmentVariable("VIC_BINARY_DIR") + "/video-image-capture", arguments);
    ASSERT_TRUE(program.waitForStarted(10000)) << program.program().toStdString();
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), status);
    EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardOutput()), out);
    EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardError()), err);
  }
}

}  // namespace
