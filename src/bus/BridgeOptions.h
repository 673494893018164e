#pragma once
// `qd40ctl mqtt`'s command line: the broker (mqtt:// or mqtts://, the
// certificates, the credentials file), the projectors with their ids, the
// poll interval and what the bus may send. Reading the credentials file,
// which must be kept from other users, is here too. It connects to nothing.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "bus/MqttClient.h"

namespace qd40::bus {

struct ProjectorEntry {
  std::string id;    // [a-z0-9_-]+, the topics' and Home Assistant's name
  std::string path;  // a device path or URL, as for qd40ctl --port
};

struct BridgeOptions {
  BrokerSettings broker;
  std::vector<ProjectorEntry> projectors;
  std::chrono::milliseconds interval{30000};
  std::string settings = "19200,N,8,1";
  bool allowRaw = false;
  std::string discoveryPrefix = "homeassistant";
  std::vector<std::string> forget;  // ids whose retained topics are removed
};

struct BridgeCommandLine {
  bool run = true;
  int exitCode = 0;
  std::string out;  // --help
  std::string err;  // what was wrong
  BridgeOptions options;
};

// `arguments` are those after "mqtt".
BridgeCommandLine parseBridgeCommandLine(const std::vector<std::string>& arguments);

// An id the topics can carry: lower-case letters, digits, '_' and '-'.
bool validId(const std::string& id);

// The broker's user on the first line and the password on the second, from
// a regular file no one but its owner may read or write.
struct Credentials {
  std::string user;
  std::string password;
};
std::optional<Credentials> readCredentials(const std::string& file, std::string& error);

// A projectors file: "ID PATH" per line; blank lines and '#' comments left out.
std::optional<std::vector<ProjectorEntry>> readProjectorsFile(const std::string& file,
                                                              std::string& error);

}  // namespace qd40::bus
