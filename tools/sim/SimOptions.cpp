// Implements option parsing with range checks and the usage text.
#include "SimOptions.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "protocol/ArgumentReader.h"
#include "protocol/LogText.h"
#include "protocol/WholeNumber.h"

namespace qd40sim {
namespace {

using std::chrono::milliseconds;

// An argument quoted in a message, escaped as every name a person reads is.
std::string quoted(std::string_view text) {
  return "'" + qd40::printablePath(text) + "'";
}

// Seconds may have a fractional part so that tests can ask for short bursts of chatter.
std::optional<milliseconds> parseSeconds(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  const double limit = std::chrono::duration<double>(kMaxInterval).count();
  if (text.empty() || ec != std::errc() || ptr != end || !(value > 0) || value > limit) {
    return std::nullopt;
  }
  return milliseconds(static_cast<long long>(std::llround(value * 1000)));
}

class Parser {
 public:
  explicit Parser(std::span<const std::string_view> args)
      : m_args(std::vector<std::string>(args.begin(), args.end())) {}

  ParseResult run() {
    SimOptions options;
    bool gapGiven = false;
    while (m_error.empty() && m_args.next()) {
      const std::string_view arg = m_args.name();
      if (arg == "--help" || arg == "-h") {
        flag(options.showHelp);
      } else if (arg == "--version") {
        flag(options.showVersion);
      } else if (arg == "--link") {
        if (const auto value = text()) options.linkPath = std::string(*value);
      } else if (arg == "--countdown-ms") {
        interval(options.model.countdown);
      } else if (arg == "--cooldown-ms") {
        interval(options.model.cooldown);
      } else if (arg == "--lamp-hours") {
        whole(options.model.lampHours, 0, kMaxLampHours);
      } else if (arg == "--pressure") {
        whole(options.model.pressure, 0, kMaxPressure);
      } else if (arg == "--no-signal") {
        flag(options.model.noSignal);
      } else if (arg == "--split") {
        whole(options.shaping.splitAt, 1, kMaxSplit);
      } else if (arg == "--gap") {
        gapGiven = interval(options.shaping.gap);
      } else if (arg == "--delay") {
        interval(options.shaping.delay);
      } else if (arg == "--silent") {
        flag(options.silent);
      } else if (arg == "--chatter") {
        int rate = 0;
        if (whole(rate, 1, kMaxChatterRate)) options.chatterRate = rate;
      } else if (arg == "--chatter-seconds") {
        if (const auto value = text()) {
          options.chatterFor = parseSeconds(*value);
          if (!options.chatterFor)
            fail("expects a number of seconds above 0, got " + quoted(*value));
        }
      } else if (arg == "--stdin-quit") {
        flag(options.stdinQuit);
      } else if (arg.starts_with("-")) {
        m_error = "unknown option " + quoted(arg);
      } else {
        m_error = "unexpected argument " + quoted(arg);
      }
    }
    if (m_error.empty() && gapGiven && options.shaping.splitAt == 0) {
      m_error = "--gap only applies together with --split";
    }
    if (m_error.empty() && options.chatterFor && !options.chatterRate) {
      m_error = "--chatter-seconds only applies together with --chatter";
    }
    if (!m_error.empty()) return {std::nullopt, m_error};
    return {options, {}};
  }

 private:
  void fail(const std::string& message) { m_error = m_args.name() + " " + message; }

  bool flag(bool& target) {
    if (m_args.joined()) {
      fail("takes no value");
      return false;
    }
    target = true;
    return true;
  }

  std::optional<std::string> text() {
    std::optional<std::string> value = m_args.value();
    if (!value) fail("needs a value");
    return value;
  }

  template <typename T>
  bool whole(T& target, long long low, long long high) {
    const auto value = text();
    if (!value) return false;
    const auto number = qd40::wholeNumberAs<long long>(*value, low, high);
    if (!number) {
      fail("expects a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
           ", got " + quoted(*value));
      return false;
    }
    target = static_cast<T>(*number);
    return true;
  }

  bool interval(milliseconds& target) {
    long long millis = 0;
    if (!whole(millis, 0, kMaxInterval.count())) return false;
    target = milliseconds(millis);
    return true;
  }

  qd40::ArgumentReader m_args;
  std::string m_error;
};

}  // namespace

ParseResult parseOptions(std::span<const std::string_view> args) {
  return Parser(args).run();
}

std::string usageText() {
  const auto ms = [](std::chrono::milliseconds interval) {
    return std::to_string(interval.count());
  };
  return "Usage: qd40-sim [OPTION]...\n"
         "Simulates a QD40 projector on a pseudo-terminal. The first line on stdout is the\n"
         "terminal's path; every received line and every reply is then logged with a time.\n"
         "\n"
         "Projector:\n"
         "  --countdown-ms N      warm-up time after C00, in ms (default " +
         ms(kDefaultCountdown) +
         ")\n"
         "  --cooldown-ms N       cool-down time after C01, in ms (default " +
         ms(kDefaultCooldown) +
         ")\n"
         "  --lamp-hours N        lamp hours reported by CR3, 0-99999 (default " +
         std::to_string(kDefaultLampHours) +
         ")\n"
         "  --pressure N          reading reported by \"CR PRESSURE\", 0-9999 (default " +
         std::to_string(kDefaultPressure) +
         ")\n"
         "  --no-signal           CRA reports no signal (80) while on\n"
         "\n"
         "Line trouble (combinable):\n"
         "  --split N             send the first N bytes of each reply, then the rest ...\n"
         "  --gap MS              ... MS ms later (default " +
         ms(kDefaultSplitGap) +
         ")\n"
         "  --delay MS            send every reply MS ms late\n"
         "  --silent              never reply (lines are still logged)\n"
         "  --chatter RATE        send unsolicited digits at RATE characters per second\n"
         "  --chatter-seconds S   stop the chatter after S seconds (default: never)\n"
         "\n"
         "Other:\n"
         "  --link PATH           make PATH a symbolic link to the terminal, removed on exit\n"
         "  --stdin-quit          exit when stdin reaches end of file\n"
         "  -h, --help            show this help\n"
         "      --version         show the version\n"
         "\n"
         "Exits on SIGINT or SIGTERM with status 0; bad options exit with status 2.\n";
}

}  // namespace qd40sim
