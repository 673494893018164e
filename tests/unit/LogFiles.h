#pragma once
// Reading back what the session log wrote, for the tests of the log.
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "log/SessionLog.h"

namespace qd40::test {

// A log rotated at its smallest size, each file headed by `header`.
inline SessionLogOptions smallestLog(std::string header) {
  SessionLogOptions options;
  options.maxBytes = kMinLogMax;
  options.header = std::move(header);
  return options;
}

inline std::string contents(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

// The lines of a log with their time stamps cut off.
inline std::vector<std::string> events(const std::string& log) {
  static const std::regex stamp(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d )");
  std::vector<std::string> lines;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(std::regex_replace(line, stamp, ""));
  }
  return lines;
}

}  // namespace qd40::test
