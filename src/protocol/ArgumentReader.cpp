// Reads a command line one argument at a time.
#include "protocol/ArgumentReader.h"

namespace qd40 {

ArgumentReader::ArgumentReader(std::vector<std::string> arguments)
    : m_arguments(std::move(arguments)) {}

bool ArgumentReader::next() {
  if (m_index >= m_arguments.size()) return false;
  const std::string& argument = m_arguments[m_index++];
  m_name = argument;
  m_joined.reset();
  if (const auto equals = argument.find('=');
      argument.starts_with("--") && equals != std::string::npos) {
    m_name = argument.substr(0, equals);
    m_joined = argument.substr(equals + 1);
  }
  return true;
}

void ArgumentReader::putBack() {
  if (m_index > 0) --m_index;
}

std::optional<std::string> ArgumentReader::value() {
  if (m_joined) return m_joined;
  if (m_index >= m_arguments.size()) return std::nullopt;
  return m_arguments[m_index++];
}

std::vector<std::string> ArgumentReader::rest() const {
  return {m_arguments.begin() + static_cast<std::ptrdiff_t>(m_index), m_arguments.end()};
}

}  // namespace qd40
