// Reads the bridge's command line by hand, as qd40ctl's own.
#include "bus/BridgeOptions.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <set>

#include "ctl/Actions.h"
#include "ctl/Options.h"
#include "protocol/ArgumentReader.h"
#include "protocol/WholeNumber.h"

namespace qd40::bus {

namespace {

constexpr int kExitUsage = 2;
constexpr int kMostKeepalive = 65535;
constexpr int kLeastKeepalive = 5;
constexpr double kShortestInterval = 1;
constexpr double kLongestInterval = 86400;
constexpr std::string_view kMqtt = "mqtt://";
constexpr std::string_view kMqtts = "mqtts://";

constexpr std::string_view kUsage =
    "Usage: qd40ctl mqtt [--broker mqtt[s]://HOST[:PORT]] [--credentials FILE]\n"
    "                    [--cafile FILE] [--cert FILE --key FILE] [--client-id ID]\n"
    "                    [--keepalive S] [--interval S] [--speed 19200|9600] [--allow-raw]\n"
    "                    [--discovery-prefix PREFIX] (--port PATH --id ID)... \n"
    "                    [--projectors FILE] | --forget ID...\n";

constexpr std::string_view kHelp =
    "Bridges projectors to an MQTT broker: each projector's status is polled and\n"
    "published under qd40/ID/, commands on qd40/ID/ACTION/set are sent to it, and\n"
    "Home Assistant finds every projector through MQTT discovery.\n"
    "\n"
    "  --broker URL        mqtt://HOST:PORT (1883) or mqtts://HOST:PORT (8883, TLS);\n"
    "                      default mqtt://localhost:1883.\n"
    "  --credentials FILE  The broker's user name on the first line and the password\n"
    "                      on the second; the file must be readable by its owner alone.\n"
    "  --cafile FILE       TLS: the certificate authority the broker's certificate is\n"
    "                      checked against (the system's by default).\n"
    "  --cert FILE, --key FILE  TLS: a client certificate and its key.\n"
    "  --client-id ID      The MQTT client id (qd40-bridge-HOSTNAME).\n"
    "  --keepalive S       Seconds between keepalive pings (30).\n"
    "  --port PATH --id ID A projector and its id ([a-z0-9_-]+); repeat the pair.\n"
    "  --projectors FILE   Projectors from FILE, \"ID PATH\" per line, '#' comments.\n"
    "  --interval S        Seconds between status polls (30).\n"
    "  --speed BAUD        19200 (the default) or 9600.\n"
    "  --allow-raw         Take codes of the command grammar on qd40/ID/raw/set.\n"
    "  --discovery-prefix P  Home Assistant's discovery prefix (homeassistant).\n"
    "  --forget ID         Remove ID's retained topics and discovery configs, then exit.\n";

BridgeCommandLine mistake(const std::string& reason) {
  BridgeCommandLine line;
  line.run = false;
  line.exitCode = kExitUsage;
  line.err = "qd40ctl mqtt: " + reason + "\n" + std::string(kUsage);
  return line;
}

std::optional<std::chrono::milliseconds> seconds(const std::string& text) {
  return ctl::parseSeconds(text, kShortestInterval, kLongestInterval);
}

// mqtt://HOST[:PORT] or mqtts://HOST[:PORT]; an IPv6 address in brackets.
bool readBroker(const std::string& url, BrokerSettings& broker, std::string& error) {
  std::string rest;
  if (url.starts_with(kMqtt)) {
    broker.tls = false;
    broker.port = 1883;
    rest = url.substr(kMqtt.size());
  } else if (url.starts_with(kMqtts)) {
    broker.tls = true;
    broker.port = 8883;
    rest = url.substr(kMqtts.size());
  } else {
    error = "--broker is mqtt://HOST:PORT or mqtts://HOST:PORT, not \"" + url + "\"";
    return false;
  }
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  std::string host = rest;
  std::string port;
  if (rest.starts_with("[")) {
    const auto close = rest.find(']');
    if (close == std::string::npos) {
      error = "--broker: the IPv6 address in \"" + url + "\" lacks its ']'";
      return false;
    }
    host = rest.substr(1, close - 1);
    if (close + 1 < rest.size()) {
      if (rest[close + 1] != ':') {
        error = "--broker: \"" + url + "\" has something after the address";
        return false;
      }
      port = rest.substr(close + 2);
    }
  } else if (const auto colon = rest.rfind(':'); colon != std::string::npos) {
    host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
  }
  if (host.empty() || host.find_first_of("/@ ") != std::string::npos) {
    error =
        "--broker: no host in \"" + url + "\" (credentials go in --credentials, never in the URL)";
    return false;
  }
  broker.host = host;
  if (!port.empty()) {
    const auto number = wholeNumberAs<int>(port, 1, 65535);
    if (!number) {
      error = "--broker: \"" + port + "\" is no port number";
      return false;
    }
    broker.port = *number;
  }
  return true;
}

std::string defaultClientId() {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  return "qd40-bridge-" + std::string(host);
}

}  // namespace

bool validId(const std::string& id) {
  return !id.empty() &&
         id.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_-") == std::string::npos;
}

std::optional<Credentials> readCredentials(const std::string& file, std::string& error) {
  struct stat info {};
  if (stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "the credentials file " + file + " is no regular file that can be read";
    return std::nullopt;
  }
  if ((info.st_mode & 077) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", info.st_mode & 07777);
    error = "the credentials file " + file + " has mode " + mode +
            ", so other users may read the password; it must be 0600 (chmod 600 " + file + ")";
    return std::nullopt;
  }
  std::ifstream in(file);
  Credentials credentials;
  if (!in || !std::getline(in, credentials.user) || credentials.user.empty()) {
    error = "the credentials file " + file + " holds no user name on its first line";
    return std::nullopt;
  }
  std::getline(in, credentials.password);
  for (std::string* field : {&credentials.user, &credentials.password}) {
    if (!field->empty() && field->back() == '\r') field->pop_back();
  }
  return credentials;
}

std::optional<std::vector<ProjectorEntry>> readProjectorsFile(const std::string& file,
                                                              std::string& error) {
  std::ifstream in(file);
  if (!in) {
    error = "the projectors file " + file + " cannot be read";
    return std::nullopt;
  }
  std::vector<ProjectorEntry> entries;
  int number = 0;
  for (std::string text; std::getline(in, text);) {
    ++number;
    const std::string line = ctl::withoutComment(text);
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) continue;
    const auto idEnd = line.find_first_of(" \t", first);
    const auto pathStart =
        idEnd == std::string::npos ? idEnd : line.find_first_not_of(" \t\r", idEnd);
    if (pathStart == std::string::npos) {
      error = file + " line " + std::to_string(number) + ": \"ID PATH\" expected";
      return std::nullopt;
    }
    std::string path = line.substr(pathStart);
    path.erase(path.find_last_not_of(" \t\r") + 1);
    entries.push_back({line.substr(first, idEnd - first), path});
  }
  return entries;
}

BridgeCommandLine parseBridgeCommandLine(const std::vector<std::string>& arguments) {
  BridgeCommandLine line;
  BridgeOptions& options = line.options;
  options.broker.clientId = defaultClientId();
  std::vector<std::string> ports, ids;
  std::optional<std::string> credentialsFile;
  ArgumentReader args(arguments);
  while (args.next()) {
    const std::string& arg = args.argument();
    if (arg == "-h" || arg == "--help") {
      line.run = false;
      line.out = std::string(kUsage) + "\n" + std::string(kHelp);
      return line;
    }
    if (arg == "--allow-raw") {
      options.allowRaw = true;
      continue;
    }
    const std::string& name = args.name();
    const std::optional<std::string> given = args.value();
    if (!given) {
      return mistake(arg.starts_with("-") ? arg + " needs a value" : "unexpected \"" + arg + "\"");
    }
    const std::string& value = *given;
    std::string error;
    if (name == "--broker") {
      if (!readBroker(value, options.broker, error)) return mistake(error);
    } else if (name == "--credentials") {
      credentialsFile = value;
    } else if (name == "--cafile") {
      options.broker.caFile = value;
    } else if (name == "--cert") {
      options.broker.certFile = value;
    } else if (name == "--key") {
      options.broker.keyFile = value;
    } else if (name == "--client-id") {
      if (value.empty()) return mistake("--client-id needs an id");
      options.broker.clientId = value;
    } else if (name == "--keepalive") {
      const auto keepalive = wholeNumberAs<int>(value, kLeastKeepalive, kMostKeepalive);
      if (!keepalive) return mistake("--keepalive takes seconds from 5 to 65535");
      options.broker.keepaliveSeconds = *keepalive;
    } else if (name == "--interval") {
      const auto interval = seconds(value);
      if (!interval)
        return mistake("--interval takes seconds from 1 to 86400, not \"" + value + "\"");
      options.interval = *interval;
    } else if (name == "--speed") {
      if (value != "19200" && value != "9600") return mistake("--speed is 19200 or 9600");
      options.settings = value + ",N,8,1";
    } else if (name == "--discovery-prefix") {
      if (value.empty() || value.find_first_of("+#") != std::string::npos) {
        return mistake("--discovery-prefix needs a topic without wildcards");
      }
      options.discoveryPrefix = value;
    } else if (name == "--port") {
      ports.push_back(value);
    } else if (name == "--id") {
      ids.push_back(value);
    } else if (name == "--projectors") {
      const auto entries = readProjectorsFile(value, error);
      if (!entries) return mistake(error);
      options.projectors.insert(options.projectors.end(), entries->begin(), entries->end());
    } else if (name == "--forget") {
      options.forget.push_back(value);
    } else {
      return mistake("unknown option " + arg);
    }
  }
  if (ports.size() != ids.size()) return mistake("each --port needs its --id, in the same order");
  for (std::size_t i = 0; i < ports.size(); ++i) options.projectors.push_back({ids[i], ports[i]});
  if (options.projectors.empty() && options.forget.empty()) {
    return mistake("no projector: give --port PATH --id ID, or --projectors FILE");
  }
  std::set<std::string> seenIds, seenPaths;
  for (const ProjectorEntry& entry : options.projectors) {
    if (!validId(entry.id)) return mistake("\"" + entry.id + "\" is no id: use a-z, 0-9, _ and -");
    if (!seenIds.insert(entry.id).second) return mistake("the id " + entry.id + " is given twice");
    if (!seenPaths.insert(entry.path).second) return mistake(entry.path + " is named twice");
  }
  for (const std::string& id : options.forget) {
    if (!validId(id)) return mistake("\"" + id + "\" is no id: use a-z, 0-9, _ and -");
  }
  if (options.broker.certFile.empty() != options.broker.keyFile.empty()) {
    return mistake("--cert and --key go together");
  }
  if (!options.broker.tls && (!options.broker.caFile.empty() || !options.broker.certFile.empty())) {
    return mistake("--cafile, --cert and --key need an mqtts:// broker");
  }
  if (credentialsFile) {
    std::string error;
    const auto credentials = readCredentials(*credentialsFile, error);
    if (!credentials) return mistake(error);
    options.broker.user = credentials->user;
    options.broker.password = credentials->password;
  }
  return line;
}

}  // namespace qd40::bus
