#include "remote/command_line.h"

#include <array>

namespace remote {

namespace {

struct QtOption {
  const char* name;
  bool takesValue;
};

// The options QGuiApplication and QApplication take themselves, with one
// dash or two. They are let through so that a desktop's session restore or
// a user's -platform keeps working.
constexpr std::array kQtOptions{
    QtOption{"platform", true},        QtOption{"platformpluginpath", true}, QtOption{"platformtheme", true},
    QtOption{"plugin", true},          QtOption{"qwindowgeometry", true},    QtOption{"qwindowicon", true},
    QtOption{"qwindowtitle", true},    QtOption{"geometry", true},           QtOption{"title", true},
    QtOption{"display", true},         QtOption{"name", true},               QtOption{"style", true},
    QtOption{"stylesheet", true},      QtOption{"session", true},            QtOption{"reverse", false},
    QtOption{"widgetcount", false},    QtOption{"nograb", false},            QtOption{"dograb", false},
    QtOption{"sync", false},           QtOption{"visual", true},             QtOption{"qmljsdebugger", true},
};

const QtOption* qtOption(const QString& argument) {
  QString name = argument.mid(argument.startsWith("--") ? 2 : 1);
  const qsizetype equals = name.indexOf('=');
  if (equals >= 0) name.truncate(equals);
  for (const QtOption& option : kQtOptions)
    if (name == QLatin1String(option.name)) return &option;
  return nullptr;
}

ParsedCommand invalid(const QString& text) { return {Command::Invalid, text}; }

}  // namespace

ParsedCommand ParseCommandLine(const QStringList& arguments) {
  ParsedCommand parsed;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    Command command = Command::Run;
    if (argument == "--help" || argument == "-h")
      command = Command::Help;
    else if (argument == "--version")
      command = Command::Version;
    else if (argument == "--capture")
      command = Command::Capture;
    else if (const QtOption* option = argument.startsWith('-') ? qtOption(argument) : nullptr) {
      if (option->takesValue && !argument.contains('=')) ++i;
      continue;
    } else if (argument.startsWith('-'))
      return invalid(QString("unknown option '%1'").arg(argument));
    else
      return invalid(QString("unexpected argument '%1'").arg(argument));
    // --help answers whatever else is asked; two different requests are
    // refused rather than one of them silently dropped.
    if (parsed.command == Command::Help || command == Command::Help)
      parsed.command = Command::Help;
    else if (parsed.command != Command::Run && parsed.command != command)
      return invalid(QString("'%1' cannot be combined with another option").arg(argument));
    else
      parsed.command = command;
  }
  return parsed;
}

QStringList ArgumentsOf(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

QString VersionText() { return QStringLiteral("video-image-capture " VIC_VERSION "\n"); }

QString HelpText() {
  return QStringLiteral(
      "Usage: video-image-capture [OPTION]\n"
      "Takes numbered still images from a camera or a scanner.\n"
      "Without an option the program's windows open.\n"
      "\n"
      "  --capture   ask the running program to capture one picture, as F12 does;\n"
      "              prints the file written (exit status 0), or what went wrong\n"
      "              (1); 2 when the program is not running\n"
      "  --version   print the version and exit\n"
      "  -h, --help  print this help and exit\n");
}

}  // namespace remote
