// Parses the panel's options with QCommandLineParser, which needs no
// application object as long as nothing asks it to print or exit.
#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QFile>

#include "Version.h"
#include "app/PortSetup.h"
#include "serial/SessionLog.h"

namespace qd40 {

namespace {

constexpr const char* kProgram = "qd40-control";

QString usageText(const QCommandLineParser& parser) {
  // Without an application object Qt cannot know the program's name.
  QString text = parser.helpText();
  text.replace("<executable_name>", kProgram);
  return text +
         "\nEnvironment:\n"
         "  QD40_COM1, QD40_COM2  the devices COM1 and COM2 stand for when --com1 or\n"
         "                        --com2 is not given\n"
         "  QD40_LOG              the session log file when --log is not given\n" +
         QString(
             "\nPorts: COM1 and COM2 stand for the devices --com1 and --com2 name, else those\n"
             "QD40_COM1 and QD40_COM2 name, else the devices chosen in the window with\n"
             "\"Choose device…\" (on the menu of the \"COM\" button or on a port message),\n"
             "else /dev/ttyS0 and /dev/ttyS1. The chosen devices are saved in\n"
             "  %1\n")
             .arg(SavedPorts::defaultFile()) +
         "\nExit status: 0 when the window is closed, 2 for a bad command line.\n";
}

std::string fail(const QCommandLineParser& parser, const QString& reason) {
  return (QString(kProgram) + ": " + reason + "\n\n" + usageText(parser)).toStdString();
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "A control panel for a QD40 data projector on an RS-232C serial line.");
  const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
  const QCommandLineOption version({"v", "version"}, "Show the version and exit.");
  const QCommandLineOption com1(
      "com1",
      "Serial device (or socket://HOST:PORT, rfc2217://HOST:PORT) for COM1, over $QD40_COM1.",
      "path");
  const QCommandLineOption com2(
      "com2",
      "Serial device (or socket://HOST:PORT, rfc2217://HOST:PORT) for COM2, over $QD40_COM2.",
      "path");
  const QCommandLineOption log(
      "log", "Append a line for every event on the line to file, over $QD40_LOG.", "file");
  const QCommandLineOption logMax(
      "log-max",
      "Move the log to file.1, replacing an older one, when it reaches size: a number with K, M "
      "or G, from 64K; default 10M.",
      "size");
  parser.addOptions({help, version, com1, com2, log, logMax});

  CommandLine line;
  line.outcome = CommandLine::Outcome::Exit;
  line.exitCode = kExitUsage;
  if (!parser.parse(arguments)) {
    line.err = fail(parser, parser.errorText());
    return line;
  }
  if (!parser.positionalArguments().isEmpty()) {
    line.err = fail(parser, "Unexpected argument '" + parser.positionalArguments().first() + "'.");
    return line;
  }
  if (parser.isSet(help)) {
    line.exitCode = 0;
    line.out = usageText(parser).toStdString();
    return line;
  }
  if (parser.isSet(version)) {
    line.exitCode = 0;
    line.out = std::string(kProgram) + " " + std::string(kVersion) + "\n";
    return line;
  }
  for (const auto& [option, target] :
       {std::pair{&com1, &line.options.com1}, std::pair{&com2, &line.options.com2}}) {
    if (!parser.isSet(*option)) continue;
    const QString path = parser.value(*option);
    if (path.isEmpty()) {
      line.err = fail(parser, "--" + option->names().first() + " needs a device path.");
      return line;
    }
    *target = QFile::encodeName(path).toStdString();
  }
  if (parser.isSet(log)) {
    const QString file = parser.value(log);
    if (file.isEmpty()) {
      line.err = fail(parser, "--log needs a file name.");
      return line;
    }
    line.options.log = QFile::encodeName(file).toStdString();
  }
  if (parser.isSet(logMax)) {
    line.options.logMax = parseLogSize(parser.value(logMax).toStdString());
    if (!line.options.logMax) {
      line.err = fail(parser, "--log-max takes a size from 64K up, such as 500K, 10M or 1G.");
      return line;
    }
  }
  line.outcome = CommandLine::Outcome::Run;
  line.exitCode = 0;
  return line;
}

QStringList argumentList(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
  return arguments;
}

}  // namespace qd40
