// Reads qd40ctl's command line by hand, so that device paths keep their
// bytes and the words of the actions are left to the action parser.
#include "ctl/Options.h"

#include <charconv>
#include <fstream>
#include <set>

#include "Version.h"

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
    "  --ports FILE     Ports from FILE, one per line; '#' starts a comment.\n"
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
  line.err = std::string(kProgram) + ": " + reason + "\n" + std::string(kUsage) +
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
  int ms = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), ms);
  if (error != std::errc() || end != text.data() + text.size() || ms < 1 ||
      ms > kLongestTimeoutMs) {
    return std::nullopt;
  }
  return ms;
}

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::optional<std::vector<std::string>> readPortsFile(const std::string& file, std::string& error) {
  std::ifstream in(file);
  if (!in) {
    error = "the ports file " + file + " cannot be read";
    return std::nullopt;
  }
  std::vector<std::string> ports;
  for (std::string line; std::getline(in, line);) {
    const std::string name = trimmed(line);
    if (!name.empty() && name.front() != '#') ports.push_back(name);
  }
  if (in.bad()) {
    error = "the ports file " + file + " cannot be read";
    return std::nullopt;
  }
  return ports;
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  Options& options = line.options;
  std::size_t i = 1;
  // An option's value follows it, or is joined to it by '='.
  auto value = [&](std::string_view option, const std::string& arg,
                   std::optional<std::string>& out) -> bool {
    if (arg == option) {
      if (i + 1 >= arguments.size()) return false;
      out = arguments[++i];
      return true;
    }
    if (arg.starts_with(std::string(option) + "=")) {
      out = arg.substr(option.size() + 1);
      return true;
    }
    return false;
  };
  for (; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (!arg.starts_with("-")) break;
    if (arg == "-h" || arg == "--help")
      return exitWith(std::string(kUsage) + "\n" + std::string(kHelp));
    if (arg == "--version")
      return exitWith(std::string(kProgram) + " " + std::string(kVersion) + "\n");
    if (arg == "--list") return exitWith(actionList());
    if (arg == "--json") {
      options.json = true;
      continue;
    }
    std::optional<std::string> given;
    if (value("--port", arg, given)) {
      if (given->empty()) return mistake("--port needs a device path or a URL");
      options.ports.push_back(*given);
    } else if (value("--ports", arg, given)) {
      std::string error;
      const auto ports = readPortsFile(*given, error);
      if (!ports) return mistake(error);
      if (ports->empty()) return mistake("the ports file " + *given + " names no port");
      options.ports.insert(options.ports.end(), ports->begin(), ports->end());
    } else if (value("--speed", arg, given)) {
      if (*given != "19200" && *given != "9600") {
        return mistake("--speed is 19200 or 9600, not \"" + *given + "\"");
      }
      options.settings = *given + ",N,8,1";
    } else if (value("--timeout", arg, given)) {
      options.timeoutMs = parseTimeout(*given);
      if (!options.timeoutMs) {
        return mistake("--timeout takes milliseconds from 1 to 600000, not \"" + *given + "\"");
      }
    } else if (arg == "--port" || arg == "--ports" || arg == "--speed" || arg == "--timeout") {
      return mistake(arg + " needs a value");
    } else {
      return mistake("unknown option " + arg);
    }
  }
  std::set<std::string> named;
  for (const std::string& port : options.ports) {
    if (!named.insert(port).second) return mistake(port + " is named twice");
  }
  std::string error;
  const auto actions = parseActions(
      std::vector<std::string>(
          arguments.begin() + static_cast<std::ptrdiff_t>(std::min(i, arguments.size())),
          arguments.end()),
      error);
  if (!actions) return mistake(error);
  options.actions = *actions;
  return line;
}

}  // namespace qd40::ctl
