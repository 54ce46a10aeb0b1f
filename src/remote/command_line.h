#pragma once
// The program's own command-line options. Everything else on the command line
// is Qt's (-platform, -style, ...) and goes on to the application untouched.

#include <QString>
#include <QStringList>

namespace remote {

enum class Command {
  Run,      // start the program's windows
  Capture,  // ask the running program for one capture, as F12
  Version,
  Help,
  Invalid,  // an option nobody knows: `error` says which
};

struct ParsedCommand {
  Command command = Command::Run;
  QString error;
};

// `arguments` without the program's own name.
ParsedCommand ParseCommandLine(const QStringList& arguments);
// main's arguments after the program's name, in the locale's encoding.
QStringList ArgumentsOf(int argc, char** argv);

QString VersionText();
QString HelpText();

}  // namespace remote
