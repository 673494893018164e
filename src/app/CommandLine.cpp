// Parses the panel's options with QCommandLineParser, which needs no
// application object as long as nothing asks it to print or exit.
#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <algorithm>
#include <map>

#include "Version.h"
#include "app/PortSetup.h"
#include "log/SessionLog.h"
#include "protocol/LogText.h"

namespace qd40 {

namespace {

constexpr const char* kProgram = "qd40-control";

// The context of the help's and the mistakes' texts in the translations.
struct HelpText {
  Q_DECLARE_TR_FUNCTIONS(HelpText)
};

QString usageText(const QCommandLineParser& parser) {
  // Without an application object Qt cannot know the program's name.
  QString text = parser.helpText();
  text.replace("<executable_name>", kProgram);
  return text +
         HelpText::tr(
             "\nEnvironment:\n"
             "  QD40_COM1, QD40_COM2  the devices COM1 and COM2 stand for when --com1 or\n"
             "                        --com2 is not given\n"
             "  QD40_LOG              the session log file when --log is not given\n") +
         HelpText::tr(
             "\nPorts: COM1 and COM2 stand for the devices --com1 and --com2 name, else those\n"
             "QD40_COM1 and QD40_COM2 name, else the devices chosen in the window with\n"
             "\"Choose device…\" (on the menu of the \"COM\" button or on a port message),\n"
             "else /dev/ttyS0 and /dev/ttyS1. The chosen devices are saved in\n"
             "  %1\n")
             .arg(SavedPorts::defaultFile()) +
         HelpText::tr(
             "\nExit status: 0 when the window is closed, 2 for a bad command line, 3 when\n"
             "there is no display to open the window on.\n");
}

std::string fail(const QCommandLineParser& parser, const QString& reason) {
  // The reason may quote an argument: it is escaped as paths are.
  return std::string(kProgram) + ": " + printablePath(reason.toStdString()) + "\n\n" +
         usageText(parser).toStdString();
}

// The last value each option that takes one was given, as the bytes of the
// command line: the parser sees the arguments as text, and a path that is
// not UTF-8 would not survive the way back. Values are found the way the
// parser finds them: after "--name=" or as the next argument, up to "--".
std::map<std::string, std::string> rawValues(const std::vector<std::string>& arguments,
                                             const QList<QCommandLineOption>& options) {
  std::vector<std::string> valued;
  for (const QCommandLineOption& option : options) {
    if (option.valueName().isEmpty()) continue;
    for (const QString& name : option.names()) valued.push_back(name.toStdString());
  }
  std::map<std::string, std::string> values;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--") break;
    if (argument.rfind("--", 0) != 0) continue;
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(2, equals == std::string::npos ? equals : equals - 2);
    if (std::find(valued.begin(), valued.end(), name) == valued.end()) continue;
    if (equals != std::string::npos) {
      values[name] = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      values[name] = arguments[++i];
    }
  }
  return values;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  QStringList text;
  for (const std::string& argument : arguments) text << QString::fromStdString(argument);
  QCommandLineParser parser;
  parser.setApplicationDescription(
      HelpText::tr("A control panel for a QD40 data projector on an RS-232C serial line."));
  const QCommandLineOption help({"h", "help"}, HelpText::tr("Show this help and exit."));
  const QCommandLineOption version({"v", "version"}, HelpText::tr("Show the version and exit."));
  const QCommandLineOption com1(
      "com1",
      HelpText::tr(
          "Serial device (or socket://HOST:PORT, rfc2217://HOST:PORT) for COM1, over $QD40_COM1."),
      "path");
  const QCommandLineOption com2(
      "com2",
      HelpText::tr(
          "Serial device (or socket://HOST:PORT, rfc2217://HOST:PORT) for COM2, over $QD40_COM2."),
      "path");
  const QCommandLineOption log(
      "log", HelpText::tr("Append a line for every event on the line to file, over $QD40_LOG."),
      "file");
  const QCommandLineOption logMax(
      "log-max",
      HelpText::tr("Move the log to file.1, replacing an older one, when it reaches size: a "
                   "number with K, M or G, from 64K; default 10M."),
      "size");
  const QList<QCommandLineOption> options = {help, version, com1, com2, log, logMax};
  parser.addOptions(options);

  CommandLine line;
  line.outcome = CommandLine::Outcome::Exit;
  line.exitCode = kExitUsage;
  if (!parser.parse(text)) {
    line.err = fail(parser, parser.errorText());
    return line;
  }
  if (!parser.positionalArguments().isEmpty()) {
    line.err =
        fail(parser,
             HelpText::tr("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
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
  std::map<std::string, std::string> raw = rawValues(arguments, options);
  for (const auto& [option, target] :
       {std::pair{&com1, &line.options.com1}, std::pair{&com2, &line.options.com2}}) {
    if (!parser.isSet(*option)) continue;
    const std::string& path = raw[option->names().first().toStdString()];
    if (path.empty()) {
      line.err =
          fail(parser, HelpText::tr("--%1 needs a device path.").arg(option->names().first()));
      return line;
    }
    *target = path;
  }
  if (parser.isSet(log)) {
    const std::string& file = raw["log"];
    if (file.empty()) {
      line.err = fail(parser, HelpText::tr("--log needs a file name."));
      return line;
    }
    line.options.log = file;
  }
  if (parser.isSet(logMax)) {
    line.options.logMax = parseLogSize(parser.value(logMax).toStdString());
    if (!line.options.logMax) {
      line.err = fail(parser,
                      HelpText::tr("--log-max takes a size from 64K up, such as 500K, 10M or 1G."));
      return line;
    }
  }
  line.outcome = CommandLine::Outcome::Run;
  line.exitCode = 0;
  return line;
}

CommandLine parseCommandLine(const QStringList& arguments) {
  std::vector<std::string> bytes;
  for (const QString& argument : arguments) bytes.push_back(argument.toStdString());
  return parseCommandLine(bytes);
}

std::vector<std::string> argumentBytes(int argc, char** argv) {
  return {argv, argv + argc};
}

}  // namespace qd40
