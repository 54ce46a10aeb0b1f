#include <QApplication>

#include "app/forms.h"
#include "app/window_texts.h"
#include "platform/runtime/end_requests.h"
#include "platform/runtime/memory.h"
#include "platform/runtime/paths.h"
#include "program/compose.h"
#include "program/ending.h"
#include "program/remote_control.h"
#include "remote/bus_names.h"
#include "remote/console.h"

int main(int argc, char** argv) {
  // Read before any window system is touched: --help, --version and
  // --capture need no display.
  const remote::ParsedCommand command = remote::ParseCommandLine(remote::ArgumentsOf(argc, argv));
  if (command.command != remote::Command::Run) return remote::RunWithoutWindows(command, argc, argv);
  rt::BlockEndSignals();  // before any thread exists
  rt::SettleHome();
  rt::KeepPictureBuffers();
  QApplication application(argc, argv);
  QApplication::setApplicationName("video-image-capture");
  QApplication::setDesktopFileName(remote::kAppId);
  QApplication::setQuitOnLastWindowClosed(false);
  app::UseDesignFont();
  composeProgram();
  watchEndRequests();
  app::frmControl.Load();
  startRemoteControl();
  return application.exec();
}
