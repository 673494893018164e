// Command-line options of qd40-sim and their parsing. Parsing never prints or exits; the
// caller reports the error text and chooses the exit code.
#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ProjectorModel.h"
#include "ReplyScheduler.h"

namespace qd40sim {

inline constexpr int kMaxChatterRate = 100000;
inline constexpr std::size_t kMaxSplit = 4096;
// Longer than anyone would wait for a reply or a warm-up while testing the panel.
inline constexpr std::chrono::milliseconds kMaxInterval{std::chrono::hours(1)};

struct SimOptions {
  ModelSettings model;
  LineShaping shaping;
  bool silent = false;
  std::optional<int> chatterRate;
  std::optional<std::chrono::milliseconds> chatterFor;
  std::optional<std::string> linkPath;
  bool stdinQuit = false;
  bool showHelp = false;
  bool showVersion = false;
};

struct ParseResult {
  std::optional<SimOptions> options;
  std::string error;
};

// `args` excludes the program name. Options take their value either as the next argument or
// after '=', e.g. "--delay 50" or "--delay=50".
ParseResult parseOptions(std::span<const std::string_view> args);

std::string usageText();

}  // namespace qd40sim
