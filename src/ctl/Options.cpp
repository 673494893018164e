// Reads qd40ctl's command line by hand, so that device paths keep their
// bytes and the words of the actions are left to the action parser.
#include "ctl/Options.h"

#include <fstream>
#include <map>

#include "Version.h"
#include "config/NetworkPort.h"
#include "doctor/DevicePaths.h"
#include "protocol/ArgumentReader.h"
#include "protocol/LogText.h"
#include "protocol/WholeNumber.h"
#include "wording/PortMessages.h"

namespace qd40::ctl {

namespace {

constexpr std::string_view kProgram = "qd40ctl";
// A reply window longer than ten minutes is a typing mistake.
constexpr int kLongestTimeoutMs = 600000;

constexpr std::string_view kUsage =
    "Usage: qd40ctl [--port PATH|URL]... [--ports FILE] [--speed 19200|9600]\n"
    "               [--timeout MS] [--json] ACTION...\n"
    "       qd40ctl mqtt [OPTION]...  (the MQTT bridge; qd40ctl mqtt --help)\n";

constexpr std::string_view kHelp =
    "Sends the QD40 projector's command codes from a shell, a script or cron,\n"
    "as the QD40 Control panel sends them, and prints what the projector\n"
    "answered, decoded as the panel shows it.\n"
    "\n"
    "Options:\n"
    "  --port PATH|URL  The projector's port: a serial device (/dev/ttyUSB0,\n"
    "                   /dev/serial/by-id/...), socket://HOST:PORT or\n"
    "                   rfc2217://HOST:PORT. Repeat it for several projectors;\n"
    "                   they are served at the same time. Without it, the\n"
    "                   device the panel's COM1 stands for (QD40_COM1, else\n"
    "                   the device chosen in the panel, else /dev/ttyS0).\n"
    "  --ports FILE     Ports from FILE, one per line; '#' at the start of a\n"
    "                   line or after a blank starts a comment.\n"
    "  --speed BAUD     19200 (the default) or 9600.\n"
    "  --timeout MS     Wait MS milliseconds for every reply, instead of the\n"
    "                   window the panel gives each code.\n"
    "  --json           One JSON object per projector and action (JSON Lines).\n"
    "  --list           List the actions with the codes they send, and exit.\n"
    "  -h, --help       Show this help and exit.\n"
    "  --version        Show the version and exit.\n"
    "\n"
    "Actions (run in the order given, on each projector):\n"
    "  power on, input pc1, vol +, ...  a button of the panel (see --list)\n"
    "  send CODE        CODE as typed in the panel's CMD box\n"
    "  status           the status reads, each value decoded\n"
    "  watch [--interval S]  status every S seconds (30), printing what changed\n"
    "\n"
    "Exit status: 0 every projector answered, 1 a reply was missing or not\n"
    "understood, 2 a mistake on the command line, 3 a port could not be opened,\n"
    "4 a port is held by another program.\n";

CommandLine mistake(const std::string& reason) {
  CommandLine line;
  line.outcome = CommandLine::Outcome::Exit;
  line.exitCode = kExitUsage;
  line.err = std::string(kProgram) + ": " + printablePath(reason) + "\n" + std::string(kUsage) +
             "Try qd40ctl --help for more.\n";
  return line;
}

CommandLine exitWith(std::string out) {
  CommandLine line;
  line.outcome = CommandLine::Outcome::Exit;
  line.out = std::move(out);
  return line;
}

std::optional<int> parseTimeout(const std::string& text) {
  return wholeNumberAs<int>(text, 1, kLongestTimeoutMs);
}

constexpr std::string_view kBlanks = " \t\r";

// The name on a line of a ports file: blanks around it and a comment after
// it left out. A '#' starts a comment at the start of the line or after a
// blank, so a path may still hold one ("/srv/lab/com#1").
std::string portOfLine(const std::string& line) {
  const std::string name = withoutComment(line);
  const auto first = name.find_first_not_of(kBlanks);
  if (first == std::string::npos) return {};
  return name.substr(first, name.find_last_not_of(kBlanks) - first + 1);
}

// What a port name stands for: a device by the node its links lead to, so
// a by-id link and the node, or "./p" and its full path, are one; a network
// port by its URL.
std::string deviceOf(const std::string& name) {
  if (isNetworkName(name)) return name;
  const std::string path = openablePath(name);
  return path.empty() ? name : path;
}

// The ports with each device once, in the order first named; one warning
// line for each device named again, naming where.
std::vector<std::string> usedOnce(const std::vector<NamedPort>& ports, std::string& warnings) {
  std::vector<std::string> used;
  std::map<std::string, const NamedPort*> first;
  for (const NamedPort& port : ports) {
    const auto [seen, added] = first.emplace(deviceOf(port.name), &port);
    if (added) {
      used.push_back(port.name);
      continue;
    }
    const NamedPort& before = *seen->second;
    const bool sameName = before.name == port.name;
    warnings += std::string(kProgram) + ": " + printablePath(before.name) + " (" + before.origin +
                ") and " + (sameName ? "again" : printablePath(port.name)) + " (" + port.origin +
                ") " + (sameName ? "name" : "are") + " the same " + (sameName ? "port" : "device") +
                "; it is used once\n";
  }
  return used;
}

}  // namespace

std::string withoutComment(const std::string& line) {
  for (std::size_t at = 0; (at = line.find('#', at)) != std::string::npos; ++at) {
    if (at == 0 || kBlanks.find(line[at - 1]) != std::string_view::npos) return line.substr(0, at);
  }
  return line;
}

std::optional<std::vector<NamedPort>> readPortsFile(const std::string& file, std::string& error) {
  std::ifstream in(file);
  if (!in) {
    error = "the ports file " + file + " cannot be read";
    return std::nullopt;
  }
  std::vector<NamedPort> ports;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    const std::string name = portOfLine(line);
    if (!name.empty()) ports.push_back({name, file + " line " + std::to_string(number)});
  }
  if (in.bad()) {
    error = "the ports file " + file + " cannot be read";
    return std::nullopt;
  }
  return ports;
}

std::string defaultPortNotice(const std::string& device, const std::string& savedFile,
                              bool homeKnown) {
  std::string why = "no --port or --ports, QD40_COM1 is not set, and ";
  why += savedFile.empty() ? "no saved choice can be read" : "no device is saved in " + savedFile;
  if (!homeKnown) why += " (HOME is not set)";
  return std::string(kProgram) + ": using " + device + ", the panel's COM1 by default: " + why +
         "\n";
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  Options& options = line.options;
  std::vector<NamedPort> ports;
  ArgumentReader args(arguments.empty()
                          ? arguments
                          : std::vector<std::string>(arguments.begin() + 1, arguments.end()));
  while (args.next()) {
    const std::string& arg = args.argument();
    if (arg == "--") break;
    if (!arg.starts_with("-")) {
      args.putBack();
      break;
    }
    if (arg == "-h" || arg == "--help")
      return exitWith(std::string(kUsage) + "\n" + std::string(kHelp));
    if (arg == "--version")
      return exitWith(std::string(kProgram) + " " + std::string(kVersion) + "\n");
    if (arg == "--list") return exitWith(actionList());
    if (arg == "--json") {
      options.json = true;
      continue;
    }
    const std::string& name = args.name();
    if (name != "--port" && name != "--ports" && name != "--speed" && name != "--timeout") {
      return mistake("unknown option " + arg);
    }
    const std::optional<std::string> given = args.value();
    if (!given) return mistake(arg + " needs a value");
    if (name == "--port") {
      if (given->empty()) return mistake("--port needs a device path or a URL");
      ports.push_back({*given, "--port"});
    } else if (name == "--ports") {
      std::string error;
      const auto named = readPortsFile(*given, error);
      if (!named) return mistake(error);
      if (named->empty()) return mistake("the ports file " + *given + " names no port");
      ports.insert(ports.end(), named->begin(), named->end());
    } else if (name == "--speed") {
      if (*given != "19200" && *given != "9600") {
        return mistake("--speed is 19200 or 9600, not \"" + *given + "\"");
      }
      options.settings = *given + ",N,8,1";
    } else {
      options.timeoutMs = parseTimeout(*given);
      if (!options.timeoutMs) {
        return mistake("--timeout takes milliseconds from 1 to 600000, not \"" + *given + "\"");
      }
    }
  }
  std::string error;
  const auto actions = parseActions(args.rest(), error);
  if (!actions) return mistake(error);
  options.actions = *actions;
  // A device named twice would be opened twice, and its second open refused
  // by its first; it is served once and the rest of the fleet runs.
  options.ports = usedOnce(ports, line.err);
  return line;
}

}  // namespace qd40::ctl
