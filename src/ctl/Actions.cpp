// The actions' names, read from the command line and listed for the operator.
#include "ctl/Actions.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "protocol/Utf8.h"

namespace qd40::ctl {

namespace {

// The longest action name has three words ("signal pc1 rgb").
constexpr std::size_t kMostWords = 3;
// A watch rounds no faster than this, and at least once a day.
constexpr double kShortestInterval = 0.1;
constexpr double kLongestInterval = 86400;

std::string lowered(std::string word) {
  std::ranges::transform(word, word.begin(), [](unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
  });
  return word;
}

std::optional<std::chrono::milliseconds> parseInterval(const std::string& text) {
  return parseSeconds(text, kShortestInterval, kLongestInterval);
}

// A typed code goes out as the panel's free entry sends a typed line: text,
// on one line, ended by the carriage return the panel adds.
std::optional<Text> typedCode(const std::string& word, std::string& error) {
  if (!isValidUtf8(word)) {
    error = "the code after \"send\" is not UTF-8 text";
    return std::nullopt;
  }
  if (word.find_first_of("\r\n") != std::string::npos) {
    error = "the code after \"send\" holds a line break; the projector reads one code per line";
    return std::nullopt;
  }
  return fromUtf8(word);
}

}  // namespace

Step actionStep(const ActionRow& action, ReplyWindows& windows) {
  return {fromBytes(action.code) + kCR, std::string(action.code), windows.action(action)};
}

Step typedStep(const Text& typed, ReplyWindows& windows) {
  return {typed + kCR, toUtf8(typed), windows.freeEntry()};
}

Step readStep(const StatusRead& read, ReplyWindows& windows) {
  return read.action ? actionStep(actionRow(*read.action), windows)
                     : typedStep(fromBytes(read.typed), windows);
}

std::optional<std::vector<Action>> parseActions(const std::vector<std::string>& words,
                                                std::string& error) {
  std::vector<Action> actions;
  for (std::size_t i = 0; i < words.size();) {
    if (!actions.empty() && actions.back().kind == Action::Kind::Watch) {
      error = "\"watch\" runs until it is stopped, so it must be the last action";
      return std::nullopt;
    }
    const std::string word = lowered(words[i]);
    if (word == "send") {
      if (i + 1 >= words.size()) {
        error = "\"send\" needs the code to send, as typed in the panel's CMD box";
        return std::nullopt;
      }
      const std::optional<Text> typed = typedCode(words[i + 1], error);
      if (!typed) return std::nullopt;
      actions.push_back({Action::Kind::Send, "send", {}, *typed});
      i += 2;
      continue;
    }
    if (word == "status") {
      actions.push_back({Action::Kind::Status, "status", {}, {}});
      ++i;
      continue;
    }
    if (word == "watch") {
      Action watch{Action::Kind::Watch, "watch", {}, {}};
      ++i;
      std::optional<std::string> interval;
      if (i < words.size() && words[i] == "--interval") {
        if (i + 1 >= words.size()) {
          error = "--interval needs a number of seconds";
          return std::nullopt;
        }
        interval = words[i + 1];
        i += 2;
      } else if (i < words.size() && words[i].starts_with("--interval=")) {
        interval = words[i].substr(std::string_view("--interval=").size());
        ++i;
      }
      if (interval) {
        const auto parsed = parseInterval(*interval);
        if (!parsed) {
          error = "--interval takes seconds from 0.1 to 86400, not \"" + *interval + "\"";
          return std::nullopt;
        }
        watch.interval = *parsed;
      }
      actions.push_back(std::move(watch));
      continue;
    }
    // The longest name that the next words spell.
    const ActionRow* named = nullptr;
    std::size_t used = 0;
    std::string name;
    for (std::size_t n = 0; n < kMostWords && i + n < words.size(); ++n) {
      name += (n == 0 ? "" : " ") + lowered(words[i + n]);
      if (const ActionRow* found = actionByCtlName(name)) {
        named = found;
        used = n + 1;
      }
    }
    if (named == nullptr) {
      error = "\"" + words[i] + "\" is no action; qd40ctl --list names them";
      return std::nullopt;
    }
    actions.push_back({Action::Kind::Named, std::string(named->ctlName), named, {}});
    i += used;
  }
  if (actions.empty()) {
    error = "no action given; qd40ctl --list names them";
    return std::nullopt;
  }
  return actions;
}

std::string actionList() {
  std::string out;
  auto line = [&out](std::string_view name, std::string_view what) {
    out += name;
    out.append(name.size() < 24 ? 24 - name.size() : 1, ' ');
    out += what;
    out += '\n';
  };
  for (const ActionRow& action : kCatalogue) line(action.ctlName, action.code);
  line("send CODE", "CODE, as typed in the panel's CMD box");
  std::string reads;
  for (const StatusRead& read : kStatusReads) {
    reads += reads.empty() ? "" : ", ";
    reads += read.action ? actionRow(*read.action).code : read.typed;
  }
  line("status", reads);
  line("watch [--interval S]", "status every S seconds (30), printing what changed");
  return out;
}

std::optional<std::chrono::milliseconds> parseSeconds(const std::string& text, double shortest,
                                                      double longest) {
  double seconds = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(seconds) ||
      seconds < shortest || seconds > longest) {
    return std::nullopt;
  }
  return std::chrono::milliseconds(std::llround(seconds * 1000));
}

}  // namespace qd40::ctl
