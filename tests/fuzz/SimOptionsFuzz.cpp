// Parses arbitrary command lines (arguments separated by NUL bytes) with the
// simulator's option parser. A parse gives either options or an error text,
// never both and never neither, and never crashes.
#include <string_view>
#include <vector>

#include "FuzzInput.h"
#include "SimOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> args;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\0');
    args.push_back(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  const qd40sim::ParseResult result = qd40sim::parseOptions(args);
  qd40::fuzz::require(result.options.has_value() != !result.error.empty());
  if (result.options && result.options->chatterRate) {
    qd40::fuzz::require(*result.options->chatterRate <= qd40sim::kMaxChatterRate);
  }
  return 0;
}
