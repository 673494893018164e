#pragma once
// Reads a command line one argument at a time, the one way qd40ctl, its
// MQTT bridge and the simulator read theirs: an option's value is the next
// argument, or is joined to a long option by '=' ("--delay 50",
// "--delay=50"). It knows no option; the caller says which take a value and
// words its own mistakes. Arguments keep their bytes.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace qd40 {

class ArgumentReader final {
 public:
  // `arguments` without the program's name.
  explicit ArgumentReader(std::vector<std::string> arguments);

  // Moves to the next argument; false when there is none.
  bool next();
  // Goes back before the current argument, so that rest() includes it.
  void putBack();

  // The current argument as given.
  const std::string& argument() const { return m_arguments[m_index - 1]; }
  // Its option's name: a long option's part before '=', else all of it.
  const std::string& name() const { return m_name; }
  // Whether a value was joined to it by '='.
  bool joined() const { return m_joined.has_value(); }
  // The option's value: the joined one, else the next argument, which is
  // then used up; nothing when the command line ends here.
  std::optional<std::string> value();
  // The arguments after the current one.
  std::vector<std::string> rest() const;

 private:
  std::vector<std::string> m_arguments;
  std::size_t m_index = 0;  // one past the current argument
  std::string m_name;
  std::optional<std::string> m_joined;
};

}  // namespace qd40
